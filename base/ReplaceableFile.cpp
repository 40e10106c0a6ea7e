#include "ReplaceableFile.h"

#include <QFile>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

QString Refused(const QString &path, const QString &what) {
  return QStringLiteral("无法写入 %1：%2，只能写入普通文件或新的文件名。").arg(path, what);
}

// What a file that is not a regular one is, as a noun.
QString KindOf(mode_t mode) {
  if (S_ISDIR(mode))
    return QStringLiteral("文件夹");
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return QStringLiteral("设备");
  if (S_ISFIFO(mode))
    return QStringLiteral("管道");
  return QStringLiteral("特殊文件");
}

} // namespace

QString ReplaceableFileProblem(const QString &path) {
  const QByteArray native = QFile::encodeName(path);
  struct stat entry {};
  if (::lstat(native.constData(), &entry) != 0) {
    if (errno == ENOENT)
      return QString(); // a new name
    return QStringLiteral("无法写入 %1：%2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
  }
  if (S_ISREG(entry.st_mode))
    return QString();
  if (!S_ISLNK(entry.st_mode))
    return Refused(path, QStringLiteral("这是一个") + KindOf(entry.st_mode));
  struct stat target {};
  if (::stat(native.constData(), &target) != 0)
    return Refused(path, QStringLiteral("这是一个指向不存在之处的链接"));
  if (S_ISREG(target.st_mode))
    return QString();
  return Refused(path, QStringLiteral("这是一个指向%1的链接").arg(KindOf(target.st_mode)));
}
