#include "Flash.h"

#include "AppDir.h"
#include "MovieDivination.h"
#include "MovieKinds.h"
#include "MovieServer.h"
#include "ui_Flash.h"

#include <QApplication>
#include <QTimer>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

QPointer<TFrmFlash> FrmFlash;

namespace {

// The button face the window shows around and before the movie.
constexpr QColor ButtonFace(0xF0, 0xF0, 0xF0);

// Set at the end of the run: closing windows then keep no player.
bool Ending = false;

// Owns the player page in standby. Made before the profile, so that at the
// application's end the page goes first: a profile must outlive its pages.
QObject *StandbyOwner() {
  static QPointer<QObject> owner;
  if (!owner) {
    owner = new QObject(QApplication::instance());
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, owner, [] { Ending = true; });
  }
  return owner;
}

// One profile for every movie window, kept in memory only: the player leaves
// no cache, cookies or storage on disk. (The browser engine keeps no compiled
// code for a disk cache either, so one would spare only loopback reads.)
QWebEngineProfile *MovieProfile() {
  static QPointer<QWebEngineProfile> profile;
  if (!profile) {
    StandbyOwner();
    profile = new QWebEngineProfile(QApplication::instance());
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    // The player speaks the program's language in its own messages and menu.
    profile->setHttpAcceptLanguage(QStringLiteral("zh-CN,zh"));
  }
  return profile;
}

QWebEnginePage *NewPlayerPage(QObject *parent) {
  auto *page = new QWebEnginePage(MovieProfile(), parent);
  page->setBackgroundColor(ButtonFace);
  QWebEngineSettings *settings = page->settings();
  settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, true);
  return page;
}

// The player page in standby (player.html): its player started without a
// movie, in no window, ready to be handed the next one. Starting the player
// in a new page (a browser process, the player's scripts, compiling its
// 14 MB of WebAssembly) is most of a movie window's wait, seconds on a busy
// machine; a page in standby has done it, and every later player of the page
// starts at once. At most one page waits: the one of the movie window closed
// last, or the one the program warmed up while idle.
QPointer<QWebEnginePage> Standby;
// Whether Standby has finished loading the player page, so that it can be
// given a movie; until then a movie waits for the page.
bool StandbyLoaded = false;

// A player in standby costs a browser process (some 130 MB) for as long as
// it waits, so it is kept only while a movie is likely: it goes after
// StandbyLifetime without a movie opened, closed or asked for
// (WarmUpMoviePlayer), and a new one starts when the pointer nears a movie
// button.
std::chrono::milliseconds StandbyLifetime = std::chrono::minutes(3);

void DropStandby() {
  delete Standby.data();
  Standby = nullptr;
  StandbyLoaded = false;
}

QTimer *StandbyClock() {
  static QPointer<QTimer> clock;
  if (!clock) {
    clock = new QTimer(QApplication::instance());
    clock->setSingleShot(true);
    QObject::connect(clock, &QTimer::timeout, [] { DropStandby(); });
  }
  return clock;
}

// A movie was opened, closed or asked for: the standby lives on.
void StandbyNeeded() { StandbyClock()->start(StandbyLifetime); }

// The states of the player page (its title) in which its player works.
bool PlayerWorks(const QWebEnginePage *page) {
  return page->title() == u"movie playing" || page->title() == u"movie ready";
}

void KeepInStandby(QWebEnginePage *page, bool loaded) {
  if (Standby && Standby != page)
    delete Standby;
  page->setParent(StandbyOwner());
  Standby = page;
  StandbyLoaded = loaded;
  StandbyNeeded();
}

} // namespace

void WarmUpMoviePlayer() {
  if (Standby) {
    StandbyNeeded();
    return;
  }
  MovieServer *server = TheMovieServer();
  if (Ending || !server)
    return;
  QWebEnginePage *page = NewPlayerPage(StandbyOwner());
  KeepInStandby(page, false);
  QObject::connect(page, &QWebEnginePage::loadFinished, page, [page](bool loaded) {
    if (Standby == page && loaded)
      StandbyLoaded = true;
  });
  QUrl url = server->BaseUrl().resolved(QUrl(QStringLiteral("/player.html")));
  url.setQuery(QStringLiteral("standby"));
  page->load(url);
}

TFrmFlash::TFrmFlash(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::TFrmFlash>()) {
  ui->setupUi(this);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // A closed movie window is destroyed at once: a hidden player would go on
  // running its movie for nothing until the program ends.
  setAttribute(Qt::WA_DeleteOnClose);

  ui->ShockwaveFlash1->setPage(NewPlayerPage(ui->ShockwaveFlash1));
  setFocusProxy(ui->ShockwaveFlash1);
  StandbyNeeded();

  // Designed at 96 dpi: frame at (197, 147), client 674 x 477.
  resize(674, 477);
  move(197, 147);
}

TFrmFlash::~TFrmFlash() {
  // A player that works goes back to standby for the next window instead of
  // ending with this one; its movie stops at once.
  QWebEnginePage *page = ui->ShockwaveFlash1->page();
  if (Ending || PageUrl.isEmpty() || !page || !PlayerWorks(page))
    return;
  // Out of the view before the view goes; an empty page takes its place.
  page->setParent(StandbyOwner());
  ui->ShockwaveFlash1->setPage(NewPlayerPage(ui->ShockwaveFlash1));
  KeepInStandby(page, true);
  page->runJavaScript(QStringLiteral("vandrelStandby()"));
}

bool TFrmFlash::TakeStandbyPlayer() {
  if (!Standby || PlayerTaken)
    return false;
  QWebEnginePage *page = Standby;
  const bool loaded = StandbyLoaded;
  Standby = nullptr;
  page->setParent(ui->ShockwaveFlash1);
  ui->ShockwaveFlash1->setPage(page);
  PlayerTaken = true;
  PlayerPageLoaded = loaded;
  if (!loaded) {
    // Still loading: the movie is handed over once the page can take it.
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
      if (PlayerPageLoaded)
        return;
      PlayerPageLoaded = true;
      if (PageUrl.isEmpty())
        return;
      if (ok)
        PlayMovie();
      else
        ui->ShockwaveFlash1->load(PageUrl); // as a window of its own
    });
  }
  return true;
}

void TFrmFlash::PlayMovie() {
  const QString movie = QUrlQuery(PageUrl).queryItemValue(QStringLiteral("movie"), QUrl::FullyEncoded);
  // The URL is percent-encoded ASCII, safe inside a script's string.
  ui->ShockwaveFlash1->page()->runJavaScript(QStringLiteral("vandrelPlay(\"%1\")").arg(movie));
}

void TFrmFlash::SetMovie(const QString &path) {
  MoviePath = path;
  PageUrl.clear();
  MovieServer *server = TheMovieServer();
  if (!server) {
    ShowMessage(QStringLiteral("无法播放影片"),
                QStringLiteral("影片播放器需要本机回环地址 127.0.0.1 上的一个空闲端口，但没有得到。"));
    return;
  }
  const std::optional<QUrl> movieUrl = server->UrlForFile(path);
  if (!movieUrl) {
    ShowMessage(QStringLiteral("无法播放影片"), QStringLiteral("影片文件不在本程序的影片文件夹里：%1").arg(path));
    return;
  }
  PageUrl = server->PlayerUrl(*movieUrl);
  if (!PlayerTaken)
    ui->ShockwaveFlash1->load(PageUrl);
  else if (PlayerPageLoaded)
    PlayMovie();
}

QString TFrmFlash::Movie() const { return MoviePath; }

QUrl TFrmFlash::PlayerUrl() const { return PageUrl; }

QWebEngineView *TFrmFlash::Player() const { return ui->ShockwaveFlash1; }

void TFrmFlash::ShowMessage(const QString &title, const QString &detail) {
  const QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head>"
                                      "<body style=\"margin:0;padding:60px 48px;background:#f0f0f0;color:#303030;"
                                      "font:16px/1.7 sans-serif;text-align:center\">"
                                      "<h1 style=\"font-size:20px;color:#8c1c13\">%1</h1><p>%2</p></body></html>")
                           .arg(title.toHtmlEscaped(), detail.toHtmlEscaped());
  ui->ShockwaveFlash1->setHtml(html);
}

void ShowMovieDivination(int movieKind) {
  FrmFlash = new TFrmFlash();
  if (const std::optional<MovieKindRow> row = FindMovieKind(movieKind)) {
    FrmFlash->TakeStandbyPlayer();
    FrmFlash->setWindowTitle(MovieCaption(*row));
    FrmFlash->SetMovie(MoviePath(GetAppDir(), *row));
  }
  // A screen reader names the player after the movie; what the movie shows
  // is drawn, so the description says how to take part.
  FrmFlash->Player()->setAccessibleName(FrmFlash->windowTitle());
  FrmFlash->Player()->setAccessibleDescription(QStringLiteral("动画占卜，用鼠标或键盘操作"));
  FrmFlash->show();
  // The new movie takes the keyboard: a key meant for the movie must not
  // press the main window's button again.
  FrmFlash->raise();
  FrmFlash->activateWindow();
}

void InstallMovieWindows() {
  MovieWindow.Install(ShowMovieDivination);
  MovieWarmer.Install(WarmUpMoviePlayer);
}

bool MoviePlayerInStandby() { return Standby; }

void SetStandbyLifetime(std::chrono::milliseconds lifetime) {
  StandbyLifetime = lifetime;
  if (StandbyClock()->isActive())
    StandbyNeeded();
}
