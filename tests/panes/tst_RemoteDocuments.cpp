#include "LoopbackSite.h"
#include "RemoteDocuments.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <chrono>

using namespace std::chrono_literals;

namespace {

const QString ListPath = QString::fromLatin1(PageListPath);
const QString SwitchPath = QString::fromLatin1(SwitchDocumentPath);

// A page list with GBK text, a NUL and both kinds of line end, which must
// arrive byte for byte.
// The length comes from the literal itself (79 bytes, its own NUL included).
const char SampleListBytes[] = "0>30>http://127.0.0.1/a.html\r\n1>10>http://127.0.0.1/b.html\r\n"
                               "<p>\xb2\xe2\xd7\xd6</p>\n\0tail\r\n";
const QByteArray SampleList(SampleListBytes, sizeof(SampleListBytes) - 1);

SiteAnswer Ok(QByteArray body) { return SiteAnswer{200, std::move(body), {}, 0, false}; }

RemoteDocuments RunFetch(const QString &site, std::chrono::milliseconds deadline = 5s) {
  RemoteDocumentsFetch fetch(site);
  fetch.SetDeadline(deadline);
  QSignalSpy finished(&fetch, &RemoteDocumentsFetch::Finished);
  fetch.Start();
  if (!finished.wait(static_cast<int>(deadline.count()) + 5000) || finished.size() != 1)
    return RemoteDocuments{"no finish", -1, -1, FetchFailure::None};
  return finished.first().first().value<RemoteDocuments>();
}

// A site that answers every connection with prefix, then sends filler every
// few milliseconds for as long as the connection stays open.
class EndlessSite : public QTcpServer {
public:
  EndlessSite(QByteArray prefix, QByteArray filler, int everyMs)
      : Prefix(std::move(prefix)), Filler(std::move(filler)), EveryMs(everyMs) {
    listen(QHostAddress::LocalHost, 0);
  }
  QString Url() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }
  int Open = 0;

protected:
  void incomingConnection(qintptr descriptor) override {
    auto *socket = new QTcpSocket(this);
    socket->setSocketDescriptor(descriptor);
    ++Open;
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
      --Open;
      socket->deleteLater();
    });
    socket->write(Prefix);
    auto *sender = new QTimer(socket);
    connect(sender, &QTimer::timeout, socket, [this, socket] {
      // Only as fast as the client takes it.
      if (socket->bytesToWrite() < 1 << 20)
        socket->write(Filler);
    });
    sender->start(EveryMs);
  }

private:
  QByteArray Prefix, Filler;
  int EveryMs;
};

} // namespace

Q_DECLARE_METATYPE(FetchFailure)

class tst_RemoteDocuments : public QObject {
  Q_OBJECT

private slots:
  void outcome_data();
  void outcome();
  void requestsArePlainGets();
  void serverThatNeverAnswersTimesOut_data();
  void serverThatNeverAnswersTimesOut();
  void answerWithoutEndIsCut_data();
  void answerWithoutEndIsCut();
  void nothingListening();
  void finishedNeverComesFromStart();
};

void tst_RemoteDocuments::outcome_data() {
  QTest::addColumn<QList<SiteAnswer>>("list");
  QTest::addColumn<QList<SiteAnswer>>("switches");
  QTest::addColumn<QByteArray>("storedList");
  QTest::addColumn<int>("mainFlag");
  QTest::addColumn<int>("bannerFlag");
  QTest::addColumn<FetchFailure>("failure");

  const QList<SiteAnswer> list{Ok(SampleList)};
  QTest::newRow("both on, list byte for byte")
      << list << QList<SiteAnswer>{Ok("11")} << SampleList << 1 << 1 << FetchFailure::None;
  QTest::newRow("main on, banner off") << list << QList<SiteAnswer>{Ok("10")} << SampleList << 1 << 0
                                       << FetchFailure::None;
  QTest::newRow("each switch from its own copy")
      << list << QList<SiteAnswer>{Ok("19"), Ok("73")} << SampleList << 1 << 3 << FetchFailure::None;
  QTest::newRow("one-byte switch document")
      << list << QList<SiteAnswer>{Ok("1")} << SampleList << 0 << 0 << FetchFailure::BadSwitch;
  QTest::newRow("empty switch document") << list << QList<SiteAnswer>{Ok("")} << SampleList << 0 << 0
                                         << FetchFailure::BadSwitch;
  QTest::newRow("non-digit first switch byte")
      << list << QList<SiteAnswer>{Ok("y1")} << SampleList << 0 << 0 << FetchFailure::BadSwitch;
  QTest::newRow("non-digit second switch byte")
      << list << QList<SiteAnswer>{Ok("1 ")} << SampleList << 0 << 0 << FetchFailure::BadSwitch;
  QTest::newRow("second copy shorter than the first")
      << list << QList<SiteAnswer>{Ok("11"), Ok("1")} << SampleList << 0 << 0 << FetchFailure::BadSwitch;
  QTest::newRow("page list 404") << QList<SiteAnswer>{{404, "gone", {}, 0, false}} << QList<SiteAnswer>{Ok("11")}
                                 << QByteArray() << 0 << 0 << FetchFailure::Status;
  QTest::newRow("switch document 404 keeps the list")
      << list << QList<SiteAnswer>{{404, "11", {}, 0, false}} << SampleList << 0 << 0 << FetchFailure::Status;
  QTest::newRow("second switch copy 500")
      << list << QList<SiteAnswer>{Ok("11"), {500, "11", {}, 0, false}} << SampleList << 0 << 0 << FetchFailure::Status;
  QTest::newRow("page list redirected") << QList<SiteAnswer>{{302, "", {{"Location", "/moved.html"}}, 0, false}}
                                        << QList<SiteAnswer>{Ok("11")} << QByteArray() << 0 << 0
                                        << FetchFailure::Status;
  QTest::newRow("switch document redirected")
      << list << QList<SiteAnswer>{{301, "11", {{"Location", "/flag.htm"}}, 0, false}} << SampleList << 0 << 0
      << FetchFailure::Status;
  QTest::newRow("empty page list, 204") << QList<SiteAnswer>{{204, "", {}, 0, false}} << QList<SiteAnswer>{Ok("11")}
                                        << QByteArray() << 1 << 1 << FetchFailure::None;
  QTest::newRow("page list of exactly 1 MiB")
      << QList<SiteAnswer>{Ok(QByteArray(1 << 20, 'x'))} << QList<SiteAnswer>{Ok("11")} << QByteArray(1 << 20, 'x') << 1
      << 1 << FetchFailure::None;
  QTest::newRow("page list one byte over 1 MiB")
      << QList<SiteAnswer>{Ok(QByteArray((1 << 20) + 1, 'x'))} << QList<SiteAnswer>{Ok("11")} << QByteArray() << 0 << 0
      << FetchFailure::TooLarge;
  QTest::newRow("oversized switch document keeps the list")
      << list << QList<SiteAnswer>{Ok("11" + QByteArray(2 << 20, ' '))} << SampleList << 0 << 0
      << FetchFailure::TooLarge;
  // The site's server sends its own Content-Length; these add to it.
  QTest::newRow("two lengths that disagree")
      << QList<SiteAnswer>{{200, SampleList, {{"Content-Length", "3"}}, 0, false}} << QList<SiteAnswer>{Ok("11")}
      << QByteArray() << 0 << 0 << FetchFailure::Network;
  QTest::newRow("a second, equal length")
      << QList<SiteAnswer>{{200, "abc", {{"Content-Length", "3"}}, 0, false}} << QList<SiteAnswer>{Ok("11")}
      << QByteArray("abc") << 1 << 1 << FetchFailure::None;
  // The head's cap is 16 KiB; a site's few hundred bytes are far below it.
  QTest::newRow("page list with a 15 KiB head")
      << QList<SiteAnswer>{{200, SampleList, {{"X-Filler", QByteArray(15 << 10, 'a')}}, 0, false}}
      << QList<SiteAnswer>{Ok("11")} << SampleList << 1 << 1 << FetchFailure::None;
  QTest::newRow("slow answer within the deadline")
      << QList<SiteAnswer>{{200, SampleList, {}, 300, false}} << QList<SiteAnswer>{Ok("11")} << SampleList << 1 << 1
      << FetchFailure::None;
  // Three answers of 2 s each against the 5 s deadline: each within it, the
  // whole fetch not.
  QTest::newRow("deadline covers the whole fetch")
      << QList<SiteAnswer>{{200, SampleList, {}, 2000, false}} << QList<SiteAnswer>{{200, "11", {}, 2000, false}}
      << SampleList << 0 << 0 << FetchFailure::TimedOut;
}

void tst_RemoteDocuments::outcome() {
  QFETCH(QList<SiteAnswer>, list);
  QFETCH(QList<SiteAnswer>, switches);
  QFETCH(QByteArray, storedList);
  QFETCH(int, mainFlag);
  QFETCH(int, bannerFlag);
  QFETCH(FetchFailure, failure);
  LoopbackSite site;
  QVERIFY(site.IsListening());
  site.Answer(ListPath, list);
  site.Answer(SwitchPath, switches);
  site.Answer(QStringLiteral("/moved.html"), Ok(SampleList));
  site.Answer(QStringLiteral("/flag.htm"), Ok("11"));

  const RemoteDocuments documents = RunFetch(site.Url());
  QCOMPARE(documents.PageListText, storedList);
  QCOMPARE(documents.MainFlag, mainFlag);
  QCOMPARE(documents.BannerFlag, bannerFlag);
  QCOMPARE(documents.Failure, failure);
  for (const SeenRequest &request : std::as_const(site.Seen))
    QVERIFY2(request.Path == ListPath || request.Path == SwitchPath, qPrintable(request.Path + " was requested"));
}

void tst_RemoteDocuments::requestsArePlainGets() {
  LoopbackSite site;
  site.Answer(ListPath, SiteAnswer{200, SampleList, {{"Set-Cookie", "visit=1; Path=/"}}, 0, false});
  site.Answer(SwitchPath, SiteAnswer{200, "11", {{"Set-Cookie", "flag=1; Path=/"}}, 0, false});
  QCOMPARE(RunFetch(site.Url()).Failure, FetchFailure::None);

  QCOMPARE(site.Seen.size(), 3);
  const QStringList order{ListPath, SwitchPath, SwitchPath};
  for (int index = 0; index < 3; ++index) {
    const SeenRequest &request = site.Seen[index];
    QCOMPARE(request.Path, order[index]);
    QCOMPARE(request.Method, QHttpServerRequest::Method::Get);
    QCOMPARE(request.Headers.value("accept"), QByteArray("text/html, */*"));
    QCOMPARE(request.Headers.value("user-agent"), QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
    QCOMPARE(request.Headers.value("content-type"), QByteArray("text/html"));
    QVERIFY(!request.Headers.contains("cookie"));
    QVERIFY(!request.Headers.contains("authorization"));
    QVERIFY(request.Body.isEmpty());
  }
}

void tst_RemoteDocuments::serverThatNeverAnswersTimesOut_data() {
  QTest::addColumn<bool>("listAnswers");
  QTest::addColumn<QByteArray>("storedList");
  QTest::newRow("page list never answered") << false << QByteArray();
  QTest::newRow("switch document never answered, list kept") << true << SampleList;
}

void tst_RemoteDocuments::serverThatNeverAnswersTimesOut() {
  QFETCH(bool, listAnswers);
  QFETCH(QByteArray, storedList);
  LoopbackSite site;
  site.Answer(ListPath, listAnswers ? Ok(SampleList) : SiteAnswer{200, "", {}, 0, true});
  site.Answer(SwitchPath, SiteAnswer{200, "11", {}, 0, true});
  QElapsedTimer clock;
  clock.start();
  const RemoteDocuments documents = RunFetch(site.Url(), 400ms);
  QCOMPARE(documents.Failure, FetchFailure::TimedOut);
  QCOMPARE(documents.PageListText, storedList);
  QCOMPARE(documents.MainFlag, 0);
  QCOMPARE(documents.BannerFlag, 0);
  QVERIFY(clock.elapsed() >= 350);
}

// Whatever the server sends, the fetch ends by its deadline, holds no more
// than a bounded head, and closes its connection.
void tst_RemoteDocuments::answerWithoutEndIsCut_data() {
  QTest::addColumn<QByteArray>("prefix");
  QTest::addColumn<QByteArray>("filler");
  QTest::addColumn<int>("everyMs");
  QTest::addColumn<FetchFailure>("failure");
  QTest::newRow("header line that never ends")
      << QByteArray("HTTP/1.1 200 OK\r\nX-Filler: ") << QByteArray(65536, 'a') << 1 << FetchFailure::TooLarge;
  QTest::newRow("header lines without end")
      << QByteArray("HTTP/1.1 200 OK\r\n") << QByteArray("X-Filler: a\r\n").repeated(4096) << 1
      << FetchFailure::TooLarge;
  QTest::newRow("status line that never ends")
      << QByteArray("HTTP/1.1 200 ") << QByteArray(65536, 'a') << 1 << FetchFailure::TooLarge;
  // Whole and over the cap, in one write: the cap does not wait for the end.
  QTest::newRow("complete 20 KiB head in one write")
      << "HTTP/1.1 200 OK\r\nX-Filler: " + QByteArray(20 << 10, 'a') + "\r\nContent-Length: 2\r\n\r\n11" << QByteArray()
      << 1 << FetchFailure::TooLarge;
  const QByteArray filled = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-Filler: ";
  QTest::newRow("complete head of exactly the cap in one write")
      << filled + QByteArray(RemoteDocumentsFetch::HeadLimit - filled.size() - 4, 'a') + "\r\n\r\n11" << QByteArray()
      << 1 << FetchFailure::None;
  QTest::newRow("complete head one byte over the cap in one write")
      << filled + QByteArray(RemoteDocumentsFetch::HeadLimit - filled.size() - 3, 'a') + "\r\n\r\n11" << QByteArray()
      << 1 << FetchFailure::TooLarge;
  QTest::newRow("complete 20 KiB status line in one write")
      << "HTTP/1.1 200 " + QByteArray(20 << 10, 'a') + "\r\nContent-Length: 2\r\n\r\n11" << QByteArray() << 1
      << FetchFailure::TooLarge;
  // Chunked answers, whole in one write; the connection stays open after them.
  const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  QTest::newRow("chunked answer in two chunks, one with an extension")
      << chunked + "1\r\n1\r\n1;name=value\r\n1\r\n0\r\n\r\n"
      << QByteArray() << 1 << FetchFailure::None;
  QTest::newRow("chunked answer with a trailer") << chunked + "2\r\n11\r\n0\r\nX-Trailer: a\r\n\r\n"
                                                 << QByteArray() << 1 << FetchFailure::None;
  QTest::newRow("chunk size that is not hexadecimal") << chunked + "zz\r\n11\r\n0\r\n\r\n"
                                                      << QByteArray() << 1 << FetchFailure::Network;
  QTest::newRow("chunk data without its line end") << chunked + "2\r\n11x\r\n0\r\n\r\n"
                                                   << QByteArray() << 1 << FetchFailure::Network;
  QTest::newRow("chunk over the body's cap") << chunked + "200001\r\n"
                                             << QByteArray(4096, 'x') << 1 << FetchFailure::TooLarge;
  QTest::newRow("header line trickling in")
      << QByteArray("HTTP/1.1 200 OK\r\nX-Filler: ") << QByteArray("a") << 20 << FetchFailure::TimedOut;
  QTest::newRow("body trickling in") << QByteArray("HTTP/1.1 200 OK\r\n\r\n") << QByteArray("a") << 20
                                     << FetchFailure::TimedOut;
}

void tst_RemoteDocuments::answerWithoutEndIsCut() {
  QFETCH(QByteArray, prefix);
  QFETCH(QByteArray, filler);
  QFETCH(int, everyMs);
  QFETCH(FetchFailure, failure);
  EndlessSite site(prefix, filler, everyMs);
  QVERIFY(site.isListening());
  QElapsedTimer clock;
  clock.start();
  const RemoteDocuments documents = RunFetch(site.Url(), 1000ms);
  QCOMPARE(documents.Failure, failure);
  QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
  QTRY_COMPARE_WITH_TIMEOUT(site.Open, 0, 1000);
}

void tst_RemoteDocuments::nothingListening() {
  // A port that was free a moment ago on loopback.
  QTcpServer probe;
  QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
  const quint16 port = probe.serverPort();
  probe.close();
  const RemoteDocuments documents = RunFetch(QStringLiteral("http://127.0.0.1:%1").arg(port));
  QCOMPARE(documents.Failure, FetchFailure::Network);
  QCOMPARE(documents.MainFlag, 0);
  QCOMPARE(documents.BannerFlag, 0);
}

void tst_RemoteDocuments::finishedNeverComesFromStart() {
  // The window builds its panes around the fetch; a report from within Start
  // would reach it half made.
  RemoteDocumentsFetch fetch(QStringLiteral("http://127.0.0.1:1"));
  QSignalSpy finished(&fetch, &RemoteDocumentsFetch::Finished);
  fetch.Start();
  QCOMPARE(finished.size(), 0);
  QVERIFY(fetch.IsRunning());
  QVERIFY(finished.wait(5000));
  QVERIFY(!fetch.IsRunning());
}

QTEST_GUILESS_MAIN(tst_RemoteDocuments)
#include "tst_RemoteDocuments.moc"
