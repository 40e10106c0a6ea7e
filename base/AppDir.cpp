#include "AppDir.h"

#include <QCoreApplication>
#include <QFileInfo>

QString GetAppDir() {
  // applicationDirPath needs the application object; without one (tools,
  // some tests) the kernel's link to the executable gives the same answer.
  const QString dir = QCoreApplication::instance()
                          ? QCoreApplication::applicationDirPath()
                          : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
  return dir.endsWith(u'/') ? dir : dir + u'/';
}
