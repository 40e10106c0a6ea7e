#include "StartPage.h"

#include "Gbk.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

namespace {

const QString ValueName = QStringLiteral("Start Page");

QString &StoreOverride() {
  static QString path;
  return path;
}

std::unique_ptr<QSettings> OpenStore() {
  if (!StoreOverride().isEmpty())
    return std::make_unique<QSettings>(StoreOverride(), QSettings::IniFormat);
#ifdef Q_OS_WIN
  return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main"),
                                     QSettings::NativeFormat);
#else
  const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return std::make_unique<QSettings>(dir + QStringLiteral("/vandrel/InternetExplorer.ini"), QSettings::IniFormat);
#endif
}

QString Key() {
#ifdef Q_OS_WIN
  return StoreOverride().isEmpty() ? ValueName : QStringLiteral("Main/") + ValueName;
#else
  return QStringLiteral("Main/") + ValueName;
#endif
}

// The bytes of a settings file, or nothing when there is no such file (or
// the store is not a file).
std::optional<QByteArray> ReadStoreFile(const QSettings &store) {
  if (store.format() != QSettings::IniFormat)
    return std::nullopt;
  QFile file(store.fileName());
  if (!file.open(QIODevice::ReadOnly))
    return std::nullopt;
  return file.readAll();
}

// A settings file that exists but cannot be read now. QSettings rereads a
// file only when its size or time changed, and would otherwise answer (and
// write back) what it read of it earlier in the process.
bool Unreadable(const QSettings &store) {
  if (store.format() != QSettings::IniFormat || !QFileInfo::exists(store.fileName()))
    return false;
  QFile file(store.fileName());
  return !file.open(QIODevice::ReadOnly);
}

// Makes sure that QSettings, which waits for its lock file "<file>.lock"
// without a limit and takes a lock for stale only when the process it names
// is gone or when it is 30 s old, finds the lock free. A lock file that is
// empty (its writer killed between creating and filling it) used to hold
// the save, and the window with it, for half a minute. Here the lock is
// taken first with Qt's stale-lock handling at 100 ms; a lock that a live
// program holds (Qt locks the file itself too) is never broken, and is
// waited for one second at most. False when the lock stays taken.
bool LockIsFree(const QSettings &store) {
  if (store.format() != QSettings::IniFormat)
    return true;
  QLockFile lock(store.fileName() + QStringLiteral(".lock"));
  lock.setStaleLockTime(100);
  if (!lock.tryLock(1000))
    return lock.error() != QLockFile::LockFailedError; // a folder it cannot write: QSettings reports that
  lock.unlock();
  return true;
}

void RestoreStoreFile(const QSettings &store, const QByteArray &bytes) {
  QSaveFile file(store.fileName());
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
    file.commit();
}

} // namespace

QString GetStartPage() {
  const std::unique_ptr<QSettings> store = OpenStore();
  if (Unreadable(*store))
    return QString();
  const QVariant value = store->value(Key());
  if (!value.isValid())
    return QString();
  if (value.typeId() != QMetaType::QString)
    throw std::runtime_error("浏览器起始页的设置不是文本，无法读取。");
  return value.toString();
}

void SetStartPage(const QString &url) {
  const std::unique_ptr<QSettings> store = OpenStore();
  // A store whose contents could not be read whole would lose them when it is
  // written back: leave it alone.
  if (Unreadable(*store))
    throw std::runtime_error("浏览器起始页的设置文件无法读取，没有改写它。");
  if (store->status() != QSettings::NoError)
    throw std::runtime_error("浏览器起始页的设置文件已损坏，没有改写它。");
  // Qt 6.4 finds that an INI file cannot be parsed only while sync() writes
  // it, and writes it all the same with just what it understood: keep the
  // file's bytes to put them back then.
  const std::optional<QByteArray> before = ReadStoreFile(*store);
  if (!LockIsFree(*store))
    throw std::runtime_error("浏览器起始页的设置文件正被其他程序使用，请稍后再试。");
  store->setValue(Key(), url);
  store->sync();
  if (store->status() == QSettings::FormatError) {
    if (before)
      RestoreStoreFile(*store, *before);
    throw std::runtime_error("浏览器起始页的设置文件已损坏，没有改写它。");
  }
  if (store->status() != QSettings::NoError)
    throw std::runtime_error("无法保存浏览器起始页的设置（文件不可写或磁盘已满）。");
}

QString SetStartPageStoreFile(const QString &path) { return std::exchange(StoreOverride(), path); }

bool OffersStartPage() {
  const std::optional<QByteArray> startPage = Gbk::ToGbk(GetStartPage());
  return !startPage || Gbk::TrimBytes(*startPage) != OfferedStartPage;
}
