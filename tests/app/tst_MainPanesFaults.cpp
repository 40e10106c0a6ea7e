// The content panes as the program meets a misbehaving publisher's site: the
// real start-up fetch from a loopback site into the main window, whose panes
// record where they are sent. Whatever the site serves, nothing is shown to
// the user, a pane is sent only to http(s) pages of the list, a pane hidden
// stays hidden and unvisited, and the window goes on working.

#include "ContentPane.h"
#include "Desktop.h"
#include "ErrorHandler.h"
#include "LoopbackSite.h"
#include "RemoteDocuments.h"
#include "Unt_Main.h"

#include <QTest>

namespace {

class RecordingPane : public QWidget, public ContentPane {
public:
  explicit RecordingPane(QWidget *parent) : QWidget(parent) {}
  QWidget *Control() override { return this; }
  void Navigate(const QUrl &address) override { Visited << address; }
  QList<QUrl> Visited;
};

SiteAnswer Ok(QByteArray body) { return {200, std::move(body), {}, 0, false}; }

const QByteArray GoodList = "0>5>http://127.0.0.1/main.html\r\n1>5>http://127.0.0.1/banner.html\r\n";

// What the panes should end up as: shown (and then sent somewhere) or hidden.
enum class Panes { BothShown, BothHidden, MainOnly, ShownButBlank };

} // namespace

Q_DECLARE_METATYPE(Panes)

class tst_MainPanesFaults : public QObject {
  Q_OBJECT

private slots:
  void init();
  void cleanup();
  void servedDocuments_data();
  void servedDocuments();
  void nothingListening();

private:
  RecordingPane *Pane(const char *name) const {
    return dynamic_cast<RecordingPane *>(Window->findChild<QWidget *>(QString::fromLatin1(name)));
  }
  void OpenWindow() {
    Window = new TFrmmain();
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window));
  }
  // Ticks of both panes, then the checks every case shares.
  void TickAndCheck(Panes expected) {
    for (int tick = 0; tick < 4; ++tick) {
      Window->Timer1Timer();
      Window->Timer2Timer();
    }
    QVERIFY(Reported.isEmpty());
    RecordingPane *main = Pane("EmbeddedWB1");
    RecordingPane *banner = Pane("EmbeddedWB2");
    const bool mainShown = expected != Panes::BothHidden;
    const bool bannerShown = expected == Panes::BothShown || expected == Panes::ShownButBlank;
    QCOMPARE(main->isVisible(), mainShown);
    QCOMPARE(banner->isVisible(), bannerShown);
    for (RecordingPane *pane : {main, banner}) {
      if (!pane->isVisible() || expected == Panes::ShownButBlank)
        QVERIFY(pane->Visited.isEmpty());
      for (const QUrl &url : std::as_const(pane->Visited)) {
        QVERIFY2(url.scheme() == u"http" && url.host() == u"127.0.0.1", qPrintable(url.toString()));
      }
    }
    if (expected == Panes::BothShown || expected == Panes::MainOnly)
      QVERIFY(!main->Visited.isEmpty());
  }

  std::unique_ptr<LoopbackSite> Site;
  bool Arrived = false;
  TFrmmain *Window = nullptr;
  QStringList Reported;
  const Seam<void(const QString &)>::Override NoBrowser{Desktop::Browser, [](const QString &) {}};
};

void tst_MainPanesFaults::init() {
  Site = std::make_unique<LoopbackSite>();
  QVERIFY(Site->IsListening());
  qputenv("VANDREL_HOME_SITE", Site->Url().toUtf8());
  Reported.clear();
  SetErrorReporter([this](const QString &message, const QString &) { Reported << message; });
  SetContentPaneFactory([](QWidget *parent) { return new RecordingPane(parent); });
  Arrived = false;
  // The program's own fetch, watched for its end.
  SetRemoteDocumentsSource([this](QObject *owner, std::function<void(const RemoteDocuments &)> done) {
    FetchFromHomeSite(owner, [this, done = std::move(done)](const RemoteDocuments &documents) {
      done(documents);
      Arrived = true;
    });
  });
}

void tst_MainPanesFaults::cleanup() {
  delete Window;
  Window = nullptr;
  SetRemoteDocumentsSource({});
  SetContentPaneFactory({});
  SetErrorReporter({});
  qunsetenv("VANDREL_HOME_SITE");
  Site.reset();
}

void tst_MainPanesFaults::servedDocuments_data() {
  QTest::addColumn<QList<SiteAnswer>>("list");
  QTest::addColumn<QList<SiteAnswer>>("switches");
  QTest::addColumn<Panes>("panes");
  using Answers = QList<SiteAnswer>;
  const Answers on{Ok("11")};
  // The site's failures.
  QTest::newRow("page list 404") << Answers{{404, "gone", {}, 0, false}} << on << Panes::BothHidden;
  QTest::newRow("page list 500") << Answers{{500, "", {}, 0, false}} << on << Panes::BothHidden;
  QTest::newRow("page list redirected") << Answers{{302, "", {{"Location", "/elsewhere"}}, 0, false}} << on
                                        << Panes::BothHidden;
  QTest::newRow("switch document 404") << Answers{Ok(GoodList)} << Answers{{404, "", {}, 0, false}}
                                       << Panes::BothHidden;
  QTest::newRow("second switch copy 503")
      << Answers{Ok(GoodList)} << Answers{Ok("11"), {503, "", {}, 0, false}} << Panes::BothHidden;
  QTest::newRow("one-byte switch document") << Answers{Ok(GoodList)} << Answers{Ok("1")} << Panes::BothHidden;
  QTest::newRow("switch bytes NUL") << Answers{Ok(GoodList)} << Answers{Ok(QByteArray("\0\0", 2))} << Panes::BothHidden;
  QTest::newRow("switch 1 then NUL") << Answers{Ok(GoodList)} << Answers{Ok(QByteArray("1\0", 2))} << Panes::BothHidden;
  QTest::newRow("switches 1 and 0") << Answers{Ok(GoodList)} << Answers{Ok("10")} << Panes::MainOnly;
  QTest::newRow("empty page list") << Answers{Ok("")} << on << Panes::BothHidden;
  QTest::newRow("page list over 1 MiB") << Answers{Ok(QByteArray((1 << 20) + 1, '0'))} << on << Panes::BothHidden;
  // Bodies that arrive whole but hold anything.
  QTest::newRow("body cut inside a GBK character")
      << Answers{Ok(GoodList + "0>5>http://127.0.0.1/\xD2\xB3\xC3")} << on << Panes::BothShown;
  QTest::newRow("NUL bytes in the list")
      << Answers{Ok(QByteArray("0>5>http://127.0.0.1/a\0b.html\r\n\0>5>http://127.0.0.1/x\r\n1\0>5>http://x/\r\n", 66) +
                    GoodList)}
      << on << Panes::BothShown;
  // 100000 lines: within the 1 MiB limit every tick searches past 99998
  // lines of no pane; beyond it the list counts as a failure.
  QTest::newRow("100000 short lines") << Answers{Ok(QByteArray("2>5>x\r\n").repeated(99998) + GoodList)} << on
                                      << Panes::BothShown;
  QByteArray longLines;
  for (int i = 0; i < 100000; ++i)
    longLines += "0>5>http://127.0.0.1/p" + QByteArray::number(i) + ".html\r\n";
  QTest::newRow("100000 lines over 1 MiB") << Answers{Ok(longLines)} << on << Panes::BothHidden;
  QTest::newRow("a line of 1 MiB less a little")
      << Answers{Ok("0>5>http://127.0.0.1/" + QByteArray((1 << 20) - 100, 'a') + "\r\n" + GoodList)} << on
      << Panes::BothShown;
  QTest::newRow("no line ends, only blanks and markup")
      << Answers{Ok("<html><body>\t\x01\x7F</body></html>")} << on << Panes::ShownButBlank;
  QTest::newRow("only other schemes")
      << Answers{Ok("0>5>javascript:alert(1)\r\n0>5>file:///etc/passwd\r\n1>5>data:text/html,x\r\n")} << on
      << Panes::ShownButBlank;
}

void tst_MainPanesFaults::servedDocuments() {
  QFETCH(QList<SiteAnswer>, list);
  QFETCH(QList<SiteAnswer>, switches);
  QFETCH(Panes, panes);
  Site->Answer(QString::fromLatin1(PageListPath), list);
  Site->Answer(QString::fromLatin1(SwitchDocumentPath), switches);
  OpenWindow();
  QTRY_VERIFY_WITH_TIMEOUT(Arrived, 20000);
  TickAndCheck(panes);
}

void tst_MainPanesFaults::nothingListening() {
  Site.reset(); // the port closes: connection refused
  OpenWindow();
  QTRY_VERIFY_WITH_TIMEOUT(Arrived, 20000);
  TickAndCheck(Panes::BothHidden);
}

QTEST_MAIN(tst_MainPanesFaults)
#include "tst_MainPanesFaults.moc"
