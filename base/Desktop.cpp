#include "Desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace Desktop {

// QDesktopServices hands the URL to the desktop (xdg-open on Linux, the shell
// on Windows) and does not wait for the browser.
Seam<void(const QString &url)> Browser{
    [](const QString &url) { QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode)); }};
Seam<void()> Beep;
Seam<QDateTime()> Clock{[] { return QDateTime::currentDateTime(); }};

} // namespace Desktop

void OpenInBrowser(const QString &url) { Desktop::Browser(url); }

void OpenMailTo(const QString &address) {
  QUrl url;
  url.setScheme(QStringLiteral("mailto"));
  url.setPath(address);
  OpenInBrowser(url.toString(QUrl::FullyEncoded));
}

void MessageBeep() { Desktop::Beep(); }
