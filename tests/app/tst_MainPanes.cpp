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
  QStringList Visited;
};

const QByteArray FourEntries = "0>45>http://127.0.0.1/main-a.html\r\n"
                               "1>0>http://127.0.0.1/banner-a.html\r\n"
                               "0>45>http://127.0.0.1/main-b.html\r\n"
                               "1>10>http://127.0.0.1/banner-b.html\r\n";

} // namespace

class tst_MainPanes : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void windowAppearsWithBlankPanesBeforeTheFetchEnds();
  void paneStates_data();
  void paneStates();
  void ticksDriveTheirOwnPaneAndTimer();
  void timersRunTheTicks();

private:
  RecordingPane *Pane(const char *name) const {
    return dynamic_cast<RecordingPane *>(Window->findChild<QWidget *>(QString::fromLatin1(name)));
  }
  QTimer *Timer(const char *name) const { return Window->findChild<QTimer *>(QString::fromLatin1(name)); }
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
};

void tst_MainPanes::init() {
  Pending = nullptr;
  Fetches = 0;
  SetBrowserOpener([](const QString &) {});
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
  SetBrowserOpener({});
}

void tst_MainPanes::windowAppearsWithBlankPanesBeforeTheFetchEnds() {
  QCOMPARE(Fetches, 1);
  RecordingPane *main = Pane("EmbeddedWB1");
  RecordingPane *banner = Pane("EmbeddedWB2");
  QVERIFY(main && banner);
  QCOMPARE(main->parentWidget()->objectName(), QStringLiteral("RzPanel4"));
  QCOMPARE(main->geometry(), QRect(2, 2, 612, 422));
  QCOMPARE(banner->parentWidget()->objectName(), QStringLiteral("RzPanel1"));
  QCOMPARE(banner->geometry(), QRect(-12, -16, 803, 107));
  QVERIFY(main->isVisible() && banner->isVisible());
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
  QTest::addColumn<bool>("mainShown");
  QTest::addColumn<bool>("bannerShown");
  QTest::addColumn<bool>("navigates");
  QTest::newRow("both switched on") << FourEntries << 1 << 1 << true << true << true;
  QTest::newRow("switches 1 and 0: banner picture uncovered") << FourEntries << 1 << 0 << true << false << true;
  QTest::newRow("switches 0 and 7: content picture uncovered") << FourEntries << 0 << 7 << false << true << true;
  QTest::newRow("failed fetch with a list kept") << FourEntries << 0 << 0 << false << false << false;
  QTest::newRow("empty list hides both") << QByteArray() << 1 << 1 << false << false << false;
  QTest::newRow("blank lines only: both stay blank")
      << QByteArray(" \r\n\r\n\t\r\n") << 1 << 1 << true << true << false;
}

void tst_MainPanes::paneStates() {
  QFETCH(QByteArray, list);
  QFETCH(int, mainFlag);
  QFETCH(int, bannerFlag);
  QFETCH(bool, mainShown);
  QFETCH(bool, bannerShown);
  QFETCH(bool, navigates);
  Arrive(list, mainFlag, bannerFlag);
  RecordingPane *main = Pane("EmbeddedWB1");
  RecordingPane *banner = Pane("EmbeddedWB2");
  for (int tick = 0; tick < 3; ++tick) {
    Window->Timer1Timer();
    Window->Timer2Timer();
  }
  QCOMPARE(main->isVisible(), mainShown);
  QCOMPARE(main->y(), mainShown ? 2 : -1000);
  QCOMPARE(banner->isVisible(), bannerShown);
  QCOMPARE(banner->y(), bannerShown ? -16 : -200);
  // A hidden pane is never sent anywhere; a shown one only when the list has entries.
  QCOMPARE(!main->Visited.isEmpty(), mainShown && navigates);
  QCOMPARE(!banner->Visited.isEmpty(), bannerShown && navigates);
  // The picture beneath a hidden pane is what the user sees there.
  if (!bannerShown)
    QCOMPARE(Window->childAt(Window->findChild<QWidget *>("RzPanel1")->geometry().center()),
             Window->findChild<QWidget *>("Image1"));
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
