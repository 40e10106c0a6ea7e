#include "Desktop.h"

#include <QDesktopServices>
#include <QUrl>

#include <utility>

namespace {

void OpenWithDesktop(const QString &url) {
  // QDesktopServices hands the URL to the desktop (xdg-open on Linux, the
  // shell on Windows) and does not wait for the browser.
  QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

BrowserOpener &CurrentOpener() {
  static BrowserOpener opener = OpenWithDesktop;
  return opener;
}

BeepHandler &CurrentBeep() {
  static BeepHandler handler;
  return handler;
}

} // namespace

void OpenInBrowser(const QString &url) {
  if (const BrowserOpener &opener = CurrentOpener())
    opener(url);
}

void OpenMailTo(const QString &address) {
  QUrl url;
  url.setScheme(QStringLiteral("mailto"));
  url.setPath(address);
  OpenInBrowser(url.toString(QUrl::FullyEncoded));
}

void MessageBeep() {
  if (const BeepHandler &handler = CurrentBeep())
    handler();
}

BrowserOpener SetBrowserOpener(BrowserOpener opener) {
  if (!opener)
    opener = OpenWithDesktop;
  return std::exchange(CurrentOpener(), std::move(opener));
}

BeepHandler SetBeepHandler(BeepHandler handler) { return std::exchange(CurrentBeep(), std::move(handler)); }
