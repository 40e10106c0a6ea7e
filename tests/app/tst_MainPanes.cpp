// The main window's content panes without a browser engine or network: the
// panes record where they are sent, and the test decides when and how the
// start-up fetch ends.
#include "ContentPane.h"
#include "Desktop.h"
#include "RemoteDocuments.h"
#include "Unt_Main.h"

#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class RecordingPane : public QWidget, public ContentPane {
public:
  explicit RecordingPane(QWidget *parent) : QWidget(parent) {}
  QWidget *Control() override { return this; }
  void Navigate(const QUrl &address) override { Visited << address.toString(); }
  // What the browser reports when the page it was sent to has ended.
  void Finish(bool loaded) { PageFinished(loaded); }
  QStringList Visited;
};

enum class Page { NoneYet, Loaded, Failed };

const QByteArray FourEntries = "0>45>http://127.0.0.1/main-a.html\r\n"
                               "1>0>http://127.0.0.1/banner-a.html\r\n"
                               "0>45>http://127.0.0.1/main-b.html\r\n"
                               "1>10>http://127.0.0.1/banner-b.html\r\n";

} // namespace

Q_DECLARE_METATYPE(Page)

class tst_MainPanes : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void windowAppearsWithPicturesBeforeTheFetchEnds();
  void paneStates_data();
  void paneStates();
  void paneFollowsItsLatestPage();
  void ticksDriveTheirOwnPaneAndTimer();
  void timersRunTheTicks();

private:
  RecordingPane *Pane(const char *name) const {
    return dynamic_cast<RecordingPane *>(Window->findChild<QWidget *>(QString::fromLatin1(name)));
  }
  QTimer *Timer(const char *name) const { return Window->findChild<QTimer *>(QString::fromLatin1(name)); }
  // The widget the user sees at the middle of a panel.
  QWidget *SeenIn(const char *panel) const {
    auto *widget = Window->findChild<QWidget *>(QString::fromLatin1(panel));
    return Window->childAt(widget->mapTo(Window, widget->rect().center()));
  }
  void Arrive(QByteArray list, int mainFlag, int bannerFlag) {
    QVERIFY(Pending);
    RemoteDocuments documents;
    documents.PageListText = std::move(list);
    documents.MainFlag = mainFlag;
    documents.BannerFlag = bannerFlag;
    Pending(documents);
  }

  std::function<void(const RemoteDocuments &)> Pending;
  int Fetches = 0;
  TFrmmain *Window = nullptr;
  const Seam<void(const QString &)>::Override NoBrowser{Desktop::Browser, [](const QString &) {}};
};

void tst_MainPanes::init() {
  Pending = nullptr;
  Fetches = 0;
  SetContentPaneFactory([](QWidget *parent) { return new RecordingPane(parent); });
  SetRemoteDocumentsSource([this](QObject *, std::function<void(const RemoteDocuments &)> done) {
    ++Fetches;
    Pending = std::move(done);
  });
  Window = new TFrmmain();
  Window->show();
  QVERIFY(QTest::qWaitForWindowExposed(Window));
}

void tst_MainPanes::cleanup() {
  delete Window;
  SetContentPaneFactory({});
  SetRemoteDocumentsSource({});
}

void tst_MainPanes::windowAppearsWithPicturesBeforeTheFetchEnds() {
  QCOMPARE(Fetches, 1);
  RecordingPane *main = Pane("EmbeddedWB1");
  RecordingPane *banner = Pane("EmbeddedWB2");
  QVERIFY(main && banner);
  // The panes wait above their panels, visible to the browser engine, until
  // a page has loaded; the pictures show meanwhile.
  QCOMPARE(main->parentWidget()->objectName(), QStringLiteral("RzPanel4"));
  QCOMPARE(main->geometry(), QRect(2, -1000, 612, 422));
  QCOMPARE(banner->parentWidget()->objectName(), QStringLiteral("RzPanel1"));
  QCOMPARE(banner->geometry(), QRect(-12, -200, 803, 107));
  QVERIFY(main->isVisible() && banner->isVisible());
  QCOMPARE(SeenIn("RzPanel4"), Window->findChild<QWidget *>("Image15"));
  QCOMPARE(SeenIn("RzPanel1"), Window->findChild<QWidget *>("Image1"));
  for (const char *name : {"Timer1", "Timer2"}) {
    QTimer *timer = Timer(name);
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
  }
  // Ticks before the list has arrived find nothing to show.
  Window->Timer1Timer();
  Window->Timer2Timer();
  QVERIFY(main->Visited.isEmpty() && banner->Visited.isEmpty());
  QCOMPARE(Window->GetListField(2, 0), QByteArray());
}

void tst_MainPanes::paneStates_data() {
  QTest::addColumn<QByteArray>("list");
  QTest::addColumn<int>("mainFlag");
  QTest::addColumn<int>("bannerFlag");
  QTest::addColumn<Page>("page"); // how the pages the panes were sent to ended
  QTest::addColumn<bool>("mainOn");
  QTest::addColumn<bool>("bannerOn");
  QTest::addColumn<bool>("navigates");
  const QByteArray blankLines(" \r\n\r\n\t\r\n");
  QTest::newRow("both on, pages loaded") << FourEntries << 1 << 1 << Page::Loaded << true << true << true;
  QTest::newRow("both on, pages still loading: pictures")
      << FourEntries << 1 << 1 << Page::NoneYet << true << true << true;
  QTest::newRow("both on, pages failed: pictures") << FourEntries << 1 << 1 << Page::Failed << true << true << true;
  QTest::newRow("switches 1 and 0: banner picture uncovered")
      << FourEntries << 1 << 0 << Page::Loaded << true << false << true;
  QTest::newRow("switches 0 and 7: content picture uncovered")
      << FourEntries << 0 << 7 << Page::Loaded << false << true << true;
  QTest::newRow("failed fetch with a list kept") << FourEntries << 0 << 0 << Page::Loaded << false << false << false;
  QTest::newRow("empty list hides both") << QByteArray() << 1 << 1 << Page::Loaded << false << false << false;
  QTest::newRow("blank lines only: pictures stay") << blankLines << 1 << 1 << Page::NoneYet << true << true << false;
}

void tst_MainPanes::paneStates() {
  QFETCH(QByteArray, list);
  QFETCH(int, mainFlag);
  QFETCH(int, bannerFlag);
  QFETCH(Page, page);
  QFETCH(bool, mainOn);
  QFETCH(bool, bannerOn);
  QFETCH(bool, navigates);
  Arrive(list, mainFlag, bannerFlag);
  RecordingPane *main = Pane("EmbeddedWB1");
  RecordingPane *banner = Pane("EmbeddedWB2");
  for (int tick = 0; tick < 3; ++tick) {
    Window->Timer1Timer();
    Window->Timer2Timer();
  }
  // Reported for both panes, so that a late report for a switched-off pane
  // is seen to change nothing.
  if (page != Page::NoneYet) {
    main->Finish(page == Page::Loaded);
    banner->Finish(page == Page::Loaded);
  }
  const bool loaded = navigates && page == Page::Loaded;
  QCOMPARE(main->isVisible(), mainOn);
  QCOMPARE(main->y(), mainOn && loaded ? 2 : -1000);
  QCOMPARE(banner->isVisible(), bannerOn);
  QCOMPARE(banner->y(), bannerOn && loaded ? -16 : -200);
  // A hidden pane is never sent anywhere; a shown one only when the list has entries.
  QCOMPARE(!main->Visited.isEmpty(), mainOn && navigates);
  QCOMPARE(!banner->Visited.isEmpty(), bannerOn && navigates);
  // The user sees a pane only with a loaded page, and the picture otherwise.
  QCOMPARE(SeenIn("RzPanel4"), mainOn && loaded ? main : Window->findChild<QWidget *>("Image15"));
  QCOMPARE(SeenIn("RzPanel1"), bannerOn && loaded ? banner : Window->findChild<QWidget *>("Image1"));
}

// Rotating on, a pane shows while its latest page is loaded and gives way to
// the picture while a page has failed.
void tst_MainPanes::paneFollowsItsLatestPage() {
  Arrive(FourEntries, 1, 1);
  RecordingPane *main = Pane("EmbeddedWB1");
  Window->Timer2Timer();
  main->Finish(true);
  QCOMPARE(main->y(), 2);
  Window->Timer2Timer();
  main->Finish(false);
  QCOMPARE(main->y(), -1000);
  QCOMPARE(SeenIn("RzPanel4"), Window->findChild<QWidget *>("Image15"));
  Window->Timer2Timer();
  main->Finish(true);
  QCOMPARE(main->y(), 2);
  QCOMPARE(main->geometry(), QRect(2, 2, 612, 422));
  QCOMPARE(Pane("EmbeddedWB2")->y(), -200);
}

void tst_MainPanes::ticksDriveTheirOwnPaneAndTimer() {
  Arrive(FourEntries, 1, 1);
  RecordingPane *main = Pane("EmbeddedWB1");
  RecordingPane *banner = Pane("EmbeddedWB2");
  QTimer *timer1 = Timer("Timer1");
  QTimer *timer2 = Timer("Timer2");
  QCOMPARE(Window->GetListField(2, 1), QByteArray("http://127.0.0.1/banner-a.html"));

  Window->Timer2Timer();
  QCOMPARE(main->Visited, QStringList{"http://127.0.0.1/main-a.html"});
  QVERIFY(banner->Visited.isEmpty());
  QCOMPARE(timer2->interval(), 45000);
  QVERIFY(timer2->isActive());
  QCOMPARE(timer1->interval(), 1000);

  Window->Timer2Timer();
  Window->Timer2Timer();
  QCOMPARE(main->Visited, (QStringList{"http://127.0.0.1/main-a.html", "http://127.0.0.1/main-b.html",
                                       "http://127.0.0.1/main-a.html"}));

  // Seconds 0: the banner keeps its page and its timer stops for good.
  Window->Timer1Timer();
  QCOMPARE(banner->Visited, QStringList{"http://127.0.0.1/banner-a.html"});
  QVERIFY(!timer1->isActive());
  QVERIFY(timer2->isActive());
}

void tst_MainPanes::timersRunTheTicks() {
  Arrive(FourEntries, 1, 1);
  Timer("Timer1")->start(1);
  Timer("Timer2")->start(1);
  QTRY_VERIFY(!Pane("EmbeddedWB1")->Visited.isEmpty());
  QTRY_VERIFY(!Pane("EmbeddedWB2")->Visited.isEmpty());
  QCOMPARE(Pane("EmbeddedWB1")->Visited.first(), QStringLiteral("http://127.0.0.1/main-a.html"));
  QCOMPARE(Pane("EmbeddedWB2")->Visited.first(), QStringLiteral("http://127.0.0.1/banner-a.html"));
}

QTEST_MAIN(tst_MainPanes)
#include "tst_MainPanes.moc"
