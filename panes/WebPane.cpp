#include "WebPane.h"

#include "Desktop.h"

#include <QCoreApplication>
#include <QPalette>
#include <QPointer>
#include <QVBoxLayout>
#include <QWebEngineCertificateError>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>

namespace {

bool IsWebAddress(const QUrl &url) { return url.scheme() == u"http" || url.scheme() == u"https"; }

// One profile for both panes, kept in memory (a profile without a storage name
// is off the record) and living as long as the application.
QWebEngineProfile *PaneProfile() {
  static QPointer<QWebEngineProfile> profile;
  if (!profile) {
    profile = new QWebEngineProfile(QCoreApplication::instance());
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->setSpellCheckEnabled(false);
    // Downloads are refused: a request nobody accepts is cancelled.
    QWebEngineSettings *settings = profile->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    settings->setAttribute(QWebEngineSettings::AllowGeolocationOnInsecureOrigins, false);
    settings->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    settings->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    // Links to mailto:, tel: and other schemes are not handed to desktop
    // programs from a pane.
    settings->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
  }
  return profile;
}

} // namespace

WebPanePage::WebPanePage(QWebEngineProfile *profile, QObject *parent) : QWebEnginePage(profile, parent) {
  connect(this, &QWebEnginePage::featurePermissionRequested, this,
          [this](const QUrl &origin, QWebEnginePage::Feature feature) {
            setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
          });
  // A certificate the system does not trust is never accepted: the page fails
  // and the picture stays.
  connect(this, &QWebEnginePage::certificateError, this,
          [](QWebEngineCertificateError error) { error.rejectCertificate(); });
  connect(this, &QWebEnginePage::fullScreenRequested, this,
          [](QWebEngineFullScreenRequest request) { request.reject(); });
  connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
          [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
  connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
          [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
  // Not calling openIn() refuses the new window; a link the user chose opens
  // in the external browser instead.
  connect(this, &QWebEnginePage::newWindowRequested, this, [](QWebEngineNewWindowRequest &request) {
    if (request.isUserInitiated() && IsWebAddress(request.requestedUrl()))
      OpenInBrowser(request.requestedUrl().toString(QUrl::FullyEncoded));
  });
}

bool WebPanePage::acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) {
  if (IsWebAddress(url))
    return true;
  // Frames of a page may be empty documents (about:blank, about:srcdoc).
  return !isMainFrame && url.scheme() == u"about";
}

QStringList WebPanePage::chooseFiles(FileSelectionMode, const QStringList &, const QStringList &) { return {}; }

void WebPanePage::javaScriptAlert(const QUrl &, const QString &) {}

bool WebPanePage::javaScriptConfirm(const QUrl &, const QString &) { return false; }

bool WebPanePage::javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) { return false; }

// A page's console is its own business; the program prints nothing of it.
void WebPanePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &) {}

WebPane::WebPane(QWidget *parent) : QWidget(parent) {
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

void WebPane::Navigate(const QUrl &address) {
  if (!IsWebAddress(address))
    return;
  if (!View) {
    View = new QWebEngineView(this);
    View->setPage(new WebPanePage(PaneProfile(), View));
    View->setContextMenuPolicy(Qt::NoContextMenu);
    View->setAcceptDrops(false);
    layout()->addWidget(View);
    connect(View, &QWebEngineView::loadFinished, this, [this](bool loaded) { PageFinished(loaded); });
    // A renderer that dies (a page that ran out of memory, a crash, a kill)
    // leaves a white view: the page counts as failed at once, and the next
    // navigation starts a new renderer.
    connect(View->page(), &QWebEnginePage::renderProcessTerminated, this, [this] { PageFinished(false); });
  }
  View->setUrl(address);
}

ContentPane *CreateWebPane(QWidget *parent) { return new WebPane(parent); }

void InstallWebPanes() {
  SetContentPaneFactory(CreateWebPane);
  SetRemoteDocumentsSource(FetchFromHomeSite);
}
