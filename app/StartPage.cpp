#include "StartPage.h"

#include <QSettings>
#include <QStandardPaths>

#include <memory>
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

} // namespace

QString GetStartPage() {
  const std::unique_ptr<QSettings> store = OpenStore();
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
  if (store->status() != QSettings::NoError)
    throw std::runtime_error("浏览器起始页的设置文件已损坏，没有改写它。");
  store->setValue(Key(), url);
  store->sync();
  if (store->status() != QSettings::NoError)
    throw std::runtime_error("无法保存浏览器起始页的设置（文件不可写或磁盘已满）。");
}

QString SetStartPageStoreFile(const QString &path) { return std::exchange(StoreOverride(), path); }
