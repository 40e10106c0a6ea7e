#include "AppDir.h"
#include "Flash.h"
#include "MovieServer.h"
#include "Unt_Main.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QPushButton>
#include <QTest>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <memory>

// The movie window and ShowMovieDivination, then the real player playing a
// real movie. The build links Flash/ and ruffle/ of the program's folder
// beside this test, so GetAppDir() finds them as the program would.
class tst_Flash : public QObject {
  Q_OBJECT

private slots:
  void cleanup();
  // First: the browser keeps the player's files once it has them.
  void missingPlayerShowsAMessage();
  // Second: no player waits in standby yet.
  void warmedUpPlayerStartsTheFirstMovie();
  void showMovieDivination_data();
  void showMovieDivination();
  void everyCallOpensAnotherWindow();
  void windowFollowsTheDesign();
  void closingDestroysTheWindow();
  void mainWindowButtonsOpenTheirMovies_data();
  void mainWindowButtonsOpenTheirMovies();
  void pathOutsideTheMovieFolderShowsAMessage();
  void playerPageTakesOnlyMoviesOfTheFolder_data();
  void playerPageTakesOnlyMoviesOfTheFolder();
  void playerStartsARealMovie();
  void closedWindowsPlayerStartsTheNextMovie();
  void missingMovieShowsAMessage();
  void browserWithoutWebAssemblyShowsAMessage();
  void standbyGoesAfterItsLifetime();
  void aMovieLikelySoonWarmsThePlayer_data();
  void aMovieLikelySoonWarmsThePlayer();

private:
  // Asks the page for a value and waits for the answer.
  static QVariant Evaluate(QWebEngineView *view, const QString &script) { return Evaluate(view->page(), script); }
  static QVariant Evaluate(QWebEnginePage *page, const QString &script);
  // Waits until the page's player state is no longer "loading".
  static QString FinalPlayerState(QWebEngineView *view, int timeoutMs);
};

void tst_Flash::cleanup() {
  for (QWidget *window : QApplication::topLevelWidgets())
    if (qobject_cast<TFrmFlash *>(window) || qobject_cast<TFrmmain *>(window))
      delete window;
}

void tst_Flash::showMovieDivination_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("movie"); // relative to the application directory
  QTest::newRow("0 eye shapes") << 0 << QStringLiteral("眼型占卜") << QStringLiteral("Flash/yanxing.swf");
  QTest::newRow("1 palm") << 1 << QStringLiteral("手相占卜") << QStringLiteral("Flash/shou.swf");
  QTest::newRow("2 lots") << 2 << QStringLiteral("拜佛求签") << QStringLiteral("Flash/paifo.swf");
  QTest::newRow("3 blocks") << 3 << QStringLiteral("土地圣杯") << QStringLiteral("Flash/tudi.swf");
  QTest::newRow("-1 below the table") << -1 << QStringLiteral("FrmFlash") << QString();
  QTest::newRow("4 past the table") << 4 << QStringLiteral("FrmFlash") << QString();
  QTest::newRow("very large") << 0x7FFFFFFF << QStringLiteral("FrmFlash") << QString();
}

void tst_Flash::showMovieDivination() {
  QFETCH(int, kind);
  QFETCH(QString, caption);
  QFETCH(QString, movie);
  ShowMovieDivination(kind);
  QVERIFY(FrmFlash);
  QCOMPARE(FrmFlash->windowTitle(), caption);
  QCOMPARE(FrmFlash->Player()->accessibleName(), caption);
  QVERIFY(!FrmFlash->Player()->accessibleDescription().isEmpty());
  QVERIFY(FrmFlash->isVisible());
  if (movie.isEmpty()) {
    QCOMPARE(FrmFlash->Movie(), QString());
    QVERIFY(FrmFlash->PlayerUrl().isEmpty());
    return;
  }
  QCOMPARE(FrmFlash->Movie(), GetAppDir() + movie);
  // The player page on the loopback server, given the movie's URL.
  const QUrl page = FrmFlash->PlayerUrl();
  QCOMPARE(page.host(), QStringLiteral("127.0.0.1"));
  QCOMPARE(page.path(), QStringLiteral("/player.html"));
  const QUrl given(QUrlQuery(page).queryItemValue(QStringLiteral("movie"), QUrl::FullyDecoded));
  QCOMPARE(given.host(), QStringLiteral("127.0.0.1"));
  QCOMPARE(given.port(), page.port());
  QCOMPARE(given.path(), u'/' + movie);
}

void tst_Flash::everyCallOpensAnotherWindow() {
  ShowMovieDivination(3);
  const QPointer<TFrmFlash> first = FrmFlash;
  ShowMovieDivination(3);
  const QPointer<TFrmFlash> second = FrmFlash;
  ShowMovieDivination(2);
  QVERIFY(first && second && FrmFlash);
  QVERIFY(first != second && second != FrmFlash.data());
  // All three stay open, none modal: the main window stays usable.
  for (TFrmFlash *window : {first.data(), second.data(), FrmFlash.data()}) {
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowModality(), Qt::NonModal);
  }
  QCOMPARE(QApplication::activeModalWidget(), nullptr);
  QCOMPARE(FrmFlash->windowTitle(), QStringLiteral("拜佛求签"));
}

void tst_Flash::windowFollowsTheDesign() {
  ShowMovieDivination(5);
  QVERIFY(QTest::qWaitForWindowExposed(FrmFlash));
  QCOMPARE(FrmFlash->size(), QSize(674, 477));
  QCOMPARE(FrmFlash->Player()->geometry(), QRect(0, 0, 674, 477));
  QCOMPARE(FrmFlash->Player()->objectName(), QStringLiteral("ShockwaveFlash1"));
  const Qt::WindowFlags flags = FrmFlash->windowFlags();
  QVERIFY(flags & Qt::WindowCloseButtonHint);
  QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
  QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
}

void tst_Flash::closingDestroysTheWindow() {
  ShowMovieDivination(2);
  const QPointer<TFrmFlash> window = FrmFlash;
  QVERIFY(window->close());
  QTRY_VERIFY(!window);
}

void tst_Flash::mainWindowButtonsOpenTheirMovies_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("caption");
  QTest::newRow("RzButton4") << QStringLiteral("RzButton4") << QStringLiteral("拜佛求签");
  QTest::newRow("RzButton6") << QStringLiteral("RzButton6") << QStringLiteral("土地圣杯");
}

void tst_Flash::mainWindowButtonsOpenTheirMovies() {
  QFETCH(QString, button);
  QFETCH(QString, caption);
  auto *main = new TFrmmain();
  main->show();
  FrmFlash = nullptr;
  auto *pushButton = main->findChild<QPushButton *>(button);
  QVERIFY(pushButton);
  QTest::mouseClick(pushButton, Qt::LeftButton);
  QVERIFY(FrmFlash);
  QCOMPARE(FrmFlash->windowTitle(), caption);
  // The call returned at once and left the main window usable.
  QCOMPARE(QApplication::activeModalWidget(), nullptr);
  QVERIFY(main->isEnabled());
}

void tst_Flash::pathOutsideTheMovieFolderShowsAMessage() {
  auto *window = new TFrmFlash();
  window->show();
  window->SetMovie(QStringLiteral("/tmp/elsewhere.swf"));
  QCOMPARE(window->Movie(), QStringLiteral("/tmp/elsewhere.swf"));
  QVERIFY(window->PlayerUrl().isEmpty());
  QTRY_VERIFY_WITH_TIMEOUT(Evaluate(window->Player(), QStringLiteral("document.body ? document.body.innerText : ''"))
                               .toString()
                               .contains(QStringLiteral("影片文件不在本程序的影片文件夹里")),
                           20000);
}

// The player page opened with any address, as anything that reaches the
// loopback server can open it.
void tst_Flash::playerPageTakesOnlyMoviesOfTheFolder_data() {
  QTest::addColumn<QString>("movie");
  QTest::newRow("another site") << QStringLiteral("http://127.0.0.1:9/Flash/tudi.swf");
  QTest::newRow("the player's own file") << QStringLiteral("/ruffle/ruffle.js");
  QTest::newRow("encoded way out of the folder") << QStringLiteral("/Flash/%2e%2e/KelmFile.dll");
}

void tst_Flash::playerPageTakesOnlyMoviesOfTheFolder() {
  QFETCH(QString, movie);
  MovieServer *server = TheMovieServer();
  QVERIFY(server);
  auto *window = new TFrmFlash();
  window->show();
  window->Player()->load(server->PlayerUrl(QUrl(movie)));
  QCOMPARE(FinalPlayerState(window->Player(), 30000), QStringLiteral("failed"));
  QCOMPARE(Evaluate(window->Player()->page(), QStringLiteral("window.vandrelPlayerMessage")).toString(),
           QStringLiteral("不能播放这个影片"));
}

QVariant tst_Flash::Evaluate(QWebEnginePage *page, const QString &script) {
  // Shared with the callback: an answer arriving after the wait has given up
  // must not write into this finished call.
  struct Answer {
    QVariant Value;
    bool Given = false;
  };
  const auto answer = std::make_shared<Answer>();
  page->runJavaScript(script, [answer](const QVariant &value) {
    answer->Value = value;
    answer->Given = true;
  });
  (void)QTest::qWaitFor([&] { return answer->Given; }, 5000);
  return answer->Value;
}

QString tst_Flash::FinalPlayerState(QWebEngineView *view, int timeoutMs) {
  QString state;
  (void)QTest::qWaitFor(
      [&] {
        state = Evaluate(view, QStringLiteral("window.vandrelPlayerState || ''")).toString();
        // A page taken from standby still says so until it has loaded and
        // been handed its movie.
        if (state != u"loading" && state != u"standby" && state != u"ready" && !state.isEmpty())
          return true;
        QTest::qWait(200);
        return false;
      },
      timeoutMs);
  return state;
}

void tst_Flash::playerStartsARealMovie() {
  ShowMovieDivination(3);
  const QPointer<TFrmFlash> window = FrmFlash;
  QVERIFY(QTest::qWaitForWindowExposed(window));
  const QString state = FinalPlayerState(window->Player(), 60000);
  QVERIFY2(state == u"playing",
           qPrintable(state + u' ' + Evaluate(window->Player(), QStringLiteral("document.body.innerText")).toString()));
  // The player itself says the movie is loaded (Ruffle's ready state 2) and
  // fills the window.
  QCOMPARE(Evaluate(window->Player(), QStringLiteral("document.getElementById('ruffle').readyState")).toInt(), 2);
  QCOMPARE(Evaluate(window->Player(), QStringLiteral("document.getElementById('ruffle').clientWidth")).toInt(), 674);
}

// The player of a closed window waits in standby, its movie stopped, and the
// next movie window plays its own movie in it.
void tst_Flash::closedWindowsPlayerStartsTheNextMovie() {
  ShowMovieDivination(3);
  QPointer<TFrmFlash> first = FrmFlash;
  QCOMPARE(FinalPlayerState(first->Player(), 60000), QStringLiteral("playing"));
  const QPointer<QWebEnginePage> player = first->Player()->page();
  QVERIFY(first->close());
  QTRY_VERIFY(!first);
  QVERIFY(player);
  QTRY_COMPARE(player->title(), QStringLiteral("movie ready"));
  QVERIFY(Evaluate(player, QStringLiteral("document.getElementById('ruffle') === null")).toBool());

  ShowMovieDivination(2);
  QCOMPARE(FrmFlash->Player()->page(), player.data());
  QCOMPARE(FinalPlayerState(FrmFlash->Player(), 20000), QStringLiteral("playing"));
  QVERIFY(FrmFlash->Player()->url().toString(QUrl::FullyDecoded).contains(u"paifo.swf"));
  QCOMPARE(Evaluate(FrmFlash->Player(), QStringLiteral("document.getElementById('ruffle').readyState")).toInt(), 2);
  // A window given no movie takes no player.
  ShowMovieDivination(7);
  QVERIFY(FrmFlash->Player()->page() != player.data());
}

// Warmed up at start-up, the player takes the first movie too, even one asked
// for before it has finished starting.
void tst_Flash::warmedUpPlayerStartsTheFirstMovie() {
  WarmUpMoviePlayer();
  ShowMovieDivination(3);
  QVERIFY(FrmFlash->Player()->page()->requestedUrl().query().contains(u"standby"));
  QCOMPARE(FinalPlayerState(FrmFlash->Player(), 60000), QStringLiteral("playing"));
  QVERIFY(FrmFlash->Player()->url().toString(QUrl::FullyDecoded).contains(u"tudi.swf"));
}

void tst_Flash::missingMovieShowsAMessage() {
  auto *window = new TFrmFlash();
  window->show();
  window->SetMovie(GetAppDir() + QStringLiteral("Flash/no-such-movie.swf"));
  QVERIFY(!window->PlayerUrl().isEmpty());
  QCOMPARE(FinalPlayerState(window->Player(), 30000), QStringLiteral("failed"));
  QCOMPARE(Evaluate(window->Player(), QStringLiteral("window.vandrelPlayerMessage")).toString(),
           QStringLiteral("找不到影片文件"));
  QVERIFY(window->isVisible());
}

void tst_Flash::browserWithoutWebAssemblyShowsAMessage() {
  auto *window = new TFrmFlash();
  window->show();
  // A browser engine without WebAssembly, as the page sees it.
  QWebEngineScript removeWebAssembly;
  removeWebAssembly.setSourceCode(QStringLiteral("delete window.WebAssembly;"));
  removeWebAssembly.setInjectionPoint(QWebEngineScript::DocumentCreation);
  removeWebAssembly.setWorldId(QWebEngineScript::MainWorld);
  window->Player()->page()->scripts().insert(removeWebAssembly);
  window->SetMovie(GetAppDir() + QStringLiteral("Flash/tudi.swf"));
  QCOMPARE(FinalPlayerState(window->Player(), 30000), QStringLiteral("failed"));
  QVERIFY(Evaluate(window->Player(), QStringLiteral("document.body.innerText")).toString().contains(u"WebAssembly"));
  QVERIFY(window->isVisible());
}

void tst_Flash::missingPlayerShowsAMessage() {
  // The program runs without the player's folder beside it (a damaged
  // installation).
  QDir appDir(GetAppDir());
  QVERIFY(appDir.rename(QStringLiteral("ruffle"), QStringLiteral("ruffle.hidden")));
  const auto restore = qScopeGuard([&] { appDir.rename(QStringLiteral("ruffle.hidden"), QStringLiteral("ruffle")); });
  auto *window = new TFrmFlash();
  window->show();
  window->SetMovie(GetAppDir() + QStringLiteral("Flash/tudi.swf"));
  QCOMPARE(FinalPlayerState(window->Player(), 30000), QStringLiteral("failed"));
  QVERIFY(Evaluate(window->Player(), QStringLiteral("document.body.innerText"))
              .toString()
              .contains(QStringLiteral("影片播放器的文件缺失")));
  QVERIFY(window->isVisible());
}

// A player in standby costs a browser process: without a movie it goes.
void tst_Flash::standbyGoesAfterItsLifetime() {
  const auto restore = qScopeGuard([] { SetStandbyLifetime(std::chrono::minutes(3)); });
  SetStandbyLifetime(std::chrono::milliseconds(300));
  WarmUpMoviePlayer();
  QVERIFY(MoviePlayerInStandby());
  QTRY_VERIFY_WITH_TIMEOUT(!MoviePlayerInStandby(), 10000);
  // The next movie still plays, in a player of its own.
  ShowMovieDivination(3);
  QVERIFY(!FrmFlash->Player()->page()->requestedUrl().query().contains(u"standby"));
  QCOMPARE(FinalPlayerState(FrmFlash->Player(), 60000), QStringLiteral("playing"));
}

// The pointer entering the command bar, or a movie button taking the focus,
// readies a player after the standby went.
void tst_Flash::aMovieLikelySoonWarmsThePlayer_data() {
  QTest::addColumn<QString>("widget");
  QTest::addColumn<int>("event");
  QTest::newRow("pointer enters the command bar") << QStringLiteral("RzPanel6") << int(QEvent::Enter);
  QTest::newRow("拜佛求签 takes the focus") << QStringLiteral("RzButton4") << int(QEvent::FocusIn);
  QTest::newRow("土地圣杯 takes the focus") << QStringLiteral("RzButton6") << int(QEvent::FocusIn);
  QTest::newRow("the link column is entered") << QStringLiteral("RzPanel2") << -int(QEvent::Enter);
}

void tst_Flash::aMovieLikelySoonWarmsThePlayer() {
  QFETCH(QString, widget);
  QFETCH(int, event);
  const auto restore = qScopeGuard([] { SetStandbyLifetime(std::chrono::minutes(3)); });
  SetStandbyLifetime(std::chrono::milliseconds(1));
  QTRY_VERIFY(!MoviePlayerInStandby());
  SetStandbyLifetime(std::chrono::minutes(3));
  auto *window = new TFrmmain();
  QWidget *target = window->findChild<QWidget *>(widget);
  QVERIFY(target);
  if (qAbs(event) == QEvent::FocusIn) {
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(target, &focus);
  } else {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(target, &enter);
  }
  QCOMPARE(MoviePlayerInStandby(), event > 0);
}

int main(int argc, char *argv[]) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  // The main window's movie buttons open the real movie window, as in the program.
  InstallMovieWindows();
  tst_Flash test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_Flash.moc"
