#include "Flash.h"

#include "MovieDivination.h"
#include "MovieKinds.h"
#include "MovieServer.h"
#include "SignDatabase.h"
#include "ui_Flash.h"

#include <QApplication>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

QPointer<TFrmFlash> FrmFlash;

namespace {

// The button face the window shows around and before the movie.
constexpr QColor ButtonFace(0xF0, 0xF0, 0xF0);

// One profile for every movie window, kept in memory only: the player leaves
// no cache, cookies or storage on disk.
QWebEngineProfile *MovieProfile() {
  static QPointer<QWebEngineProfile> profile;
  if (!profile) {
    profile = new QWebEngineProfile(QApplication::instance());
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    // The player speaks the program's language in its own messages and menu.
    profile->setHttpAcceptLanguage(QStringLiteral("zh-CN,zh"));
  }
  return profile;
}

} // namespace

TFrmFlash::TFrmFlash(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::TFrmFlash>()) {
  ui->setupUi(this);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // A closed movie window is destroyed at once: a hidden player would go on
  // running its movie for nothing until the program ends.
  setAttribute(Qt::WA_DeleteOnClose);

  auto *page = new QWebEnginePage(MovieProfile(), ui->ShockwaveFlash1);
  page->setBackgroundColor(ButtonFace);
  QWebEngineSettings *settings = page->settings();
  settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, true);
  ui->ShockwaveFlash1->setPage(page);
  setFocusProxy(ui->ShockwaveFlash1);

  // Designed at 96 dpi: frame at (197, 147), client 674 x 477.
  resize(674, 477);
  move(197, 147);
}

TFrmFlash::~TFrmFlash() = default;

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
  ui->ShockwaveFlash1->load(PageUrl);
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

void InstallMovieWindows() { SetMovieDivinationOpener(ShowMovieDivination); }
