// The content panes with the real browser engine, against a loopback site:
// one run of the whole program path (fetch, tick, page shown) and the pane's
// refusals of what an untrusted page may try.
#include "Desktop.h"
#include "LoopbackSite.h"
#include "RemoteDocuments.h"
#include "Unt_Main.h"
#include "WebPane.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <csignal>

namespace {

constexpr int PageWait = 20000; // ms; the engine's first start under Xvfb takes a few seconds

QByteArray Page(const QByteArray &title, const QByteArray &body = {}) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title + "</title></head><body>" + body +
         "</body></html>";
}

SiteAnswer Html(QByteArray body) { return SiteAnswer{200, std::move(body), {{"Content-Type", "text/html"}}, 0, false}; }

// Certificates made for this run: a test authority, trusted in a certificate
// store of the test's own (the browser engine's store under $HOME), the site
// certificate it signed for 127.0.0.1, and a self-signed one nobody trusts.
QString &CertificateFolder() {
  static QString folder;
  return folder;
}

bool Run(const QString &program, const QStringList &arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(program, arguments);
  return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Makes the certificates and the store in folder, which becomes $HOME; false
// when openssl or certutil failed.
bool MakeCertificates(const QString &folder) {
  const QDir dir(folder);
  const auto path = [&dir](const char *name) { return dir.filePath(QString::fromLatin1(name)); };
  {
    QFile extensions(path("site.ext"));
    if (!extensions.open(QIODevice::WriteOnly))
      return false;
    extensions.write("basicConstraints=CA:FALSE\nsubjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n");
  }
  const QStringList ec = {u"-newkey"_qs, u"ec"_qs, u"-pkeyopt"_qs, u"ec_paramgen_curve:prime256v1"_qs, u"-nodes"_qs};
  const auto withKey = [&ec](const QStringList &before, const QStringList &after) { return before + ec + after; };
  const QString store = u"sql:"_qs + path(".pki/nssdb");
  return dir.mkpath(u".pki/nssdb"_qs) &&
         Run(u"openssl"_qs,
             withKey({u"req"_qs, u"-x509"_qs},
                     {u"-keyout"_qs, path("ca.key"), u"-out"_qs, path("ca.pem"), u"-days"_qs, u"3"_qs, u"-subj"_qs,
                      u"/CN=Vandrel test authority"_qs, u"-addext"_qs, u"basicConstraints=critical,CA:TRUE"_qs,
                      u"-addext"_qs, u"keyUsage=critical,keyCertSign,cRLSign"_qs})) &&
         Run(u"openssl"_qs, withKey({u"req"_qs}, {u"-keyout"_qs, path("site.key"), u"-out"_qs, path("site.csr"),
                                                  u"-subj"_qs, u"/CN=127.0.0.1"_qs})) &&
         Run(u"openssl"_qs, {u"x509"_qs, u"-req"_qs, u"-in"_qs, path("site.csr"), u"-CA"_qs, path("ca.pem"),
                             u"-CAkey"_qs, path("ca.key"), u"-CAcreateserial"_qs, u"-out"_qs, path("site.pem"),
                             u"-days"_qs, u"2"_qs, u"-extfile"_qs, path("site.ext")}) &&
         Run(u"openssl"_qs,
             withKey({u"req"_qs, u"-x509"_qs},
                     {u"-keyout"_qs, path("stranger.key"), u"-out"_qs, path("stranger.pem"), u"-days"_qs, u"2"_qs,
                      u"-subj"_qs, u"/CN=127.0.0.1"_qs, u"-addext"_qs, u"subjectAltName=IP:127.0.0.1"_qs})) &&
         Run(u"certutil"_qs, {u"-N"_qs, u"-d"_qs, store, u"--empty-password"_qs}) &&
         Run(u"certutil"_qs, {u"-A"_qs, u"-d"_qs, store, u"-n"_qs, u"Vandrel test authority"_qs, u"-t"_qs, u"C,,"_qs,
                              u"-i"_qs, path("ca.pem")});
}

// The TLS set-up of a loopback site with the certificate name.pem.
QSslConfiguration Tls(const char *name) {
  const QDir dir(CertificateFolder());
  QFile certificate(dir.filePath(QString::fromLatin1(name) + u".pem"_qs));
  QFile key(dir.filePath(QString::fromLatin1(name) + u".key"_qs));
  QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
  if (certificate.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly)) {
    tls.setLocalCertificate(QSslCertificate(&certificate, QSsl::Pem));
    tls.setPrivateKey(QSslKey(&key, QSsl::Ec, QSsl::Pem));
  }
  return tls;
}

} // namespace

class tst_WebPane : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void init();
  void cleanup();
  void panesShowTheListedPages();
  void paneComesIntoSightWhenItsPageHasLoaded();
  void userLinkToNewWindowOpensExternally();
  void untrustedPageIsRefused_data();
  void untrustedPageIsRefused();
  void paneNavigatesOnlyToWebAddresses();
  void httpsPagesShowWhenTrusted();
  void crashedPaneShowsItsPicture();

private:
  QWebEngineView *LoadInPane(const QString &path);

  LoopbackSite Site;
  QStringList Opened;
  QWidget *Host = nullptr;
  const Seam<void(const QString &)>::Override Browser{Desktop::Browser, [this](const QString &url) { Opened << url; }};
};

void tst_WebPane::initTestCase() {
  QVERIFY(Site.IsListening());
  qputenv("VANDREL_HOME_SITE", Site.Url().toLatin1());
  InstallWebPanes();
}

void tst_WebPane::init() {
  Opened.clear();
  Host = new QWidget;
  Host->resize(612, 422);
}

void tst_WebPane::cleanup() {
  delete Host;
  Host = nullptr;
}

QWebEngineView *tst_WebPane::LoadInPane(const QString &path) {
  auto *pane = dynamic_cast<WebPane *>(CreateContentPane(Host));
  pane->setGeometry(0, 0, 612, 422);
  Host->show();
  pane->Navigate(QUrl(Site.Url() + path));
  return pane->Browser();
}

void tst_WebPane::panesShowTheListedPages() {
  const QByteArray site = Site.Url().toLatin1();
  Site.Answer(QString::fromLatin1(PageListPath),
              Html("0>30>" + site + "/main.html\r\n1>30>" + site + "/banner.html\r\n"));
  Site.Answer(QString::fromLatin1(SwitchDocumentPath), Html("11"));
  Site.Answer(QStringLiteral("/main.html"), Html(Page("main pane", "<h1>\xe6\xb5\x8b\xe5\xad\x97</h1>")));
  Site.Answer(QStringLiteral("/banner.html"), Html(Page("banner pane")));

  TFrmmain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QTRY_COMPARE_WITH_TIMEOUT(window.GetListField(0, 1), QByteArray("1"), 10000);
  window.Timer2Timer();
  window.Timer1Timer();

  auto *mainPane = window.findChild<WebPane *>(QStringLiteral("EmbeddedWB1"));
  auto *bannerPane = window.findChild<WebPane *>(QStringLiteral("EmbeddedWB2"));
  QVERIFY(mainPane && bannerPane);
  QWebEngineView *main = mainPane->Browser();
  QWebEngineView *banner = bannerPane->Browser();
  QVERIFY(main && banner);
  QTRY_COMPARE_WITH_TIMEOUT(main->title(), QStringLiteral("main pane"), PageWait);
  QTRY_COMPARE_WITH_TIMEOUT(banner->title(), QStringLiteral("banner pane"), PageWait);
  QVERIFY(main->isVisible() && banner->isVisible());
  QCOMPARE(window.findChild<QTimer *>(QStringLiteral("Timer2"))->interval(), 30000);
  const bool served = std::any_of(Site.Seen.cbegin(), Site.Seen.cend(),
                                  [](const SeenRequest &request) { return request.Path == u"/main.html"; });
  QVERIFY(served);
}

// A slow page keeps the content picture showing until it has loaded; a page
// the site refuses leaves the banner picture.
void tst_WebPane::paneComesIntoSightWhenItsPageHasLoaded() {
  const QByteArray site = Site.Url().toLatin1();
  Site.Answer(QString::fromLatin1(PageListPath),
              Html("0>30>" + site + "/slow.html\r\n1>30>" + site + "/gone.html\r\n"));
  Site.Answer(QString::fromLatin1(SwitchDocumentPath), Html("11"));
  SiteAnswer slow = Html(Page("slow page", "<div style=\"position:fixed;inset:0;background:#0000ff\"></div>"));
  slow.DelayMs = 1500;
  Site.Answer(QStringLiteral("/slow.html"), slow);
  Site.Answer(QStringLiteral("/gone.html"), SiteAnswer{404, Page("gone"), {{"Content-Type", "text/html"}}, 0, false});

  TFrmmain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QTRY_COMPARE_WITH_TIMEOUT(window.GetListField(0, 1), QByteArray("1"), 10000);
  window.Timer2Timer();
  window.Timer1Timer();
  auto *mainPane = window.findChild<WebPane *>(QStringLiteral("EmbeddedWB1"));
  auto *bannerPane = window.findChild<WebPane *>(QStringLiteral("EmbeddedWB2"));
  QSignalSpy bannerEnded(bannerPane->Browser(), &QWebEngineView::loadFinished);
  QCOMPARE(mainPane->y(), -1000);
  QTRY_COMPARE_WITH_TIMEOUT(mainPane->Browser()->title(), QStringLiteral("slow page"), PageWait);
  QTRY_COMPARE_WITH_TIMEOUT(mainPane->y(), 2, PageWait);
  QTRY_VERIFY_WITH_TIMEOUT(!bannerEnded.isEmpty(), PageWait);
  QCOMPARE(bannerEnded.first().first().toBool(), false);
  QCOMPARE(bannerPane->y(), -200);
  // What comes into sight is the page, drawn: blue, not an empty white view.
  QTRY_VERIFY_WITH_TIMEOUT(window.grab().toImage().pixelColor(QPoint(176 + 300, 120 + 200)) == QColor(0, 0, 255), 5000);
}

void tst_WebPane::userLinkToNewWindowOpensExternally() {
  // A link over the whole page that wants a new window, and a script that
  // tries to open one by itself.
  const QString target = Site.Url() + QStringLiteral("/elsewhere.html");
  Site.Answer(QStringLiteral("/links.html"),
              Html(Page("links", "<a target=\"_blank\" href=\"" + target.toLatin1() +
                                     "\" style=\"position:fixed;inset:0;display:block\">open</a>"
                                     "<script>window.open('" +
                                     target.toLatin1() + "?by-script');</script>")));
  QWebEngineView *view = LoadInPane(QStringLiteral("/links.html"));
  QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("links"), PageWait);
  const int windows = QApplication::topLevelWidgets().size();
  QVERIFY(QTest::qWaitForWindowExposed(Host));
  QVERIFY(view->focusProxy());
  // The engine takes input once it has drawn the page; until then a click may
  // fall through, so the user clicks again as long as nothing happened.
  for (int attempt = 0; attempt < 20 && Opened.isEmpty(); ++attempt) {
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(300, 200));
    QTest::qWait(250);
  }
  QTRY_VERIFY_WITH_TIMEOUT(!Opened.isEmpty(), 5000);
  // Only the user's link, never the window the script asked for.
  QCOMPARE(Opened.filter(target).size(), Opened.size());
  QVERIFY(Opened.filter(QStringLiteral("by-script")).isEmpty());
  QCOMPARE(view->url().path(), QStringLiteral("/links.html"));
  QCOMPARE(QApplication::topLevelWidgets().size(), windows);
}

void tst_WebPane::untrustedPageIsRefused_data() {
  QTest::addColumn<QByteArray>("script");
  QTest::addColumn<QString>("title");
  // Each script ends by writing what happened into the page's title.
  QTest::newRow("local file not navigated")
      << QByteArray("location.href='file:///etc/hostname';setTimeout(()=>document.title='stayed',800);")
      << QStringLiteral("stayed");
  QTest::newRow("notification permission denied")
      << QByteArray("Notification.requestPermission().then(p=>document.title='notifications '+p);")
      << QStringLiteral("notifications denied");
  QTest::newRow("location permission denied")
      << QByteArray("navigator.geolocation.getCurrentPosition(()=>document.title='located',"
                    "e=>document.title='location '+e.code);")
      << QStringLiteral("location 1");
  QTest::newRow("script dialogs do not block")
      << QByteArray("alert('x');const c=confirm('y');const p=prompt('z','w');document.title='dialogs '+c+' '+p;")
      << QStringLiteral("dialogs false null");
  QTest::newRow("no bridge to the program")
      << QByteArray("document.title='bridge '+typeof qt;") << QStringLiteral("bridge undefined");
}

void tst_WebPane::untrustedPageIsRefused() {
  QFETCH(QByteArray, script);
  QFETCH(QString, title);
  const QString path = QStringLiteral("/probe-%1.html").arg(QTest::currentDataTag()).replace(u' ', u'-');
  Site.Answer(path, Html(Page("probe", "<script>window.onload=()=>{" + script + "};</script>")));
  QWebEngineView *view = LoadInPane(path);
  QTRY_COMPARE_WITH_TIMEOUT(view->title(), title, PageWait);
  QCOMPARE(view->url().scheme(), QStringLiteral("http"));
  QVERIFY(Opened.isEmpty());
}

void tst_WebPane::paneNavigatesOnlyToWebAddresses() {
  Site.Answer(QStringLiteral("/plain.html"), Html(Page("plain")));
  auto *pane = dynamic_cast<WebPane *>(CreateContentPane(Host));
  Host->show();
  QVERIFY(!pane->Browser());
  pane->Navigate(QUrl(QStringLiteral("javascript:document.title='ran'")));
  QVERIFY2(!pane->Browser(), "no browser is started for an address that is never shown");
  pane->Navigate(QUrl(Site.Url() + QStringLiteral("/plain.html")));
  QWebEngineView *view = pane->Browser();
  QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("plain"), PageWait);
  pane->Navigate(QUrl(QStringLiteral("javascript:document.title='ran'")));
  pane->Navigate(QUrl(QStringLiteral("file:///etc/hostname")));
  Site.Answer(QStringLiteral("/after.html"), Html(Page("after")));
  pane->Navigate(QUrl(Site.Url() + QStringLiteral("/after.html")));
  // Navigations are handled in order; the last one arriving shows the others went nowhere.
  QTRY_COMPARE_WITH_TIMEOUT(view->title(), QStringLiteral("after"), PageWait);
  QCOMPARE(view->history()->count(), 2);
}

// An https page list line shows its page when the system trusts the site's
// certificate; a certificate it does not trust leaves the picture, and the
// page is never asked for.
void tst_WebPane::httpsPagesShowWhenTrusted() {
  QVERIFY2(!CertificateFolder().isEmpty(), "openssl or certutil could not make the test's certificates");
  LoopbackSite trusted(Tls("site"));
  LoopbackSite stranger(Tls("stranger"));
  QVERIFY(trusted.IsListening() && stranger.IsListening());
  trusted.Answer(QStringLiteral("/main.html"), Html(Page("secure page")));
  stranger.Answer(QStringLiteral("/banner.html"), Html(Page("stranger's page")));
  Site.Answer(QString::fromLatin1(PageListPath), Html("0>30>" + trusted.Url().toLatin1() + "/main.html\r\n1>30>" +
                                                      stranger.Url().toLatin1() + "/banner.html\r\n"));
  Site.Answer(QString::fromLatin1(SwitchDocumentPath), Html("11"));

  TFrmmain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QTRY_COMPARE_WITH_TIMEOUT(window.GetListField(0, 1), QByteArray("1"), 10000);
  QVERIFY(trusted.Url().startsWith(u"https://"_qs));
  window.Timer2Timer();
  window.Timer1Timer();
  auto *mainPane = window.findChild<WebPane *>(QStringLiteral("EmbeddedWB1"));
  auto *bannerPane = window.findChild<WebPane *>(QStringLiteral("EmbeddedWB2"));
  QSignalSpy bannerEnded(bannerPane->Browser(), &QWebEngineView::loadFinished);
  QTRY_COMPARE_WITH_TIMEOUT(mainPane->Browser()->title(), QStringLiteral("secure page"), PageWait);
  QTRY_COMPARE_WITH_TIMEOUT(mainPane->y(), 2, PageWait);
  QTRY_VERIFY_WITH_TIMEOUT(!bannerEnded.isEmpty(), PageWait);
  QCOMPARE(bannerEnded.first().first().toBool(), false);
  QCOMPARE(bannerPane->y(), -200);
  QVERIFY(stranger.Seen.isEmpty());
  QVERIFY(std::any_of(trusted.Seen.cbegin(), trusted.Seen.cend(),
                      [](const SeenRequest &request) { return request.Path == u"/main.html"; }));
}

// A pane whose renderer dies shows its picture at once, though its page's
// period is 0 and no tick would come; the next page brings it back.
void tst_WebPane::crashedPaneShowsItsPicture() {
  const QByteArray site = Site.Url().toLatin1();
  Site.Answer(QString::fromLatin1(PageListPath), Html("0>0>" + site + "/steady.html\r\n1>0>" + site + "/x.html\r\n"));
  Site.Answer(QString::fromLatin1(SwitchDocumentPath), Html("10"));
  Site.Answer(QStringLiteral("/steady.html"), Html(Page("steady page")));

  TFrmmain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QTRY_COMPARE_WITH_TIMEOUT(window.GetListField(0, 1), QByteArray("1"), 10000);
  window.Timer2Timer();
  auto *mainPane = window.findChild<WebPane *>(QStringLiteral("EmbeddedWB1"));
  QTRY_COMPARE_WITH_TIMEOUT(mainPane->Browser()->title(), QStringLiteral("steady page"), PageWait);
  QTRY_COMPARE_WITH_TIMEOUT(mainPane->y(), 2, PageWait);
  QVERIFY(!window.findChild<QTimer *>(QStringLiteral("Timer2"))->isActive()); // period 0: no more ticks
  QWebEnginePage *page = mainPane->Browser()->page();
  QTRY_VERIFY_WITH_TIMEOUT(page->renderProcessPid() > 0, PageWait);
  QSignalSpy died(page, &QWebEnginePage::renderProcessTerminated);
  QCOMPARE(::kill(static_cast<pid_t>(page->renderProcessPid()), SIGKILL), 0);
  QTRY_VERIFY_WITH_TIMEOUT(!died.isEmpty(), PageWait);
  QCOMPARE(mainPane->y(), -1000);
  window.Timer2Timer(); // the next page, as a tick would send it
  QTRY_COMPARE_WITH_TIMEOUT(mainPane->y(), 2, PageWait);
  QCOMPARE(mainPane->Browser()->title(), QStringLiteral("steady page"));
}

int main(int argc, char *argv[]) {
  // The certificates and the engine's certificate store, in a home of the
  // test's own, made before the engine starts and reads the store.
  QTemporaryDir home;
  if (home.isValid() && MakeCertificates(home.path())) {
    CertificateFolder() = home.path();
    qputenv("HOME", QFile::encodeName(home.path()));
  }
  // As in the program: the browser engine shares GL contexts with the widgets.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  tst_WebPane test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_WebPane.moc"
