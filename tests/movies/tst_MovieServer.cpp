#include "MovieServer.h"
#include "RequestGate.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

// The loopback server of the movie windows, over real sockets: what it serves,
// what it refuses, and where it listens.
class tst_MovieServer : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void servesMountedFiles_data();
  void servesMountedFiles();
  void headAnswersWithOneLength();
  void refuses_data();
  void refuses();
  void fileForRequestRefusesEscapes_data();
  void fileForRequestRefusesEscapes();
  void urlForFile_data();
  void urlForFile();
  void boundsEachConnection_data();
  void boundsEachConnection();
  void refusesConnectionsOverTheLimit();
  void pipelinedRequestsWaitForTheAnswerBefore();
  void aSlowSteadyReaderIsServedWhole();
  void aHeadTricklingInIsCutAtTheTimeout();
  void listensOnLoopbackOnly();
  void aFolderWithAChineseNameIsServedIntact();
  void aFolderThatAppearsLaterIsServed();

private:
  struct Answer {
    int Status = 0;
    QByteArray Headers;
    QByteArray Body;
  };
  // Sends one raw HTTP request (the path exactly as given, nothing normalised)
  // and reads the whole answer.
  Answer Ask(const QByteArray &method, const QByteArray &path, const QByteArray &host = {});
  QByteArray OwnHost() const { return "127.0.0.1:" + QByteArray::number(Server.BaseUrl().port()); }
  static void Write(const QString &path, const QByteArray &content);

  QTemporaryDir Root;
  MovieServer Server;
  // Some forty of the pieces the responder sends, one per turn of the loop.
  const QByteArray Big = QByteArray(20000, 'm');
  // More than the system's socket buffers hold, on both sides.
  const QByteArray Huge = QByteArray(12 << 20, 'h');
  RequestLimits Limits;
};

void tst_MovieServer::Write(const QString &path, const QByteArray &content) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
}

void tst_MovieServer::initTestCase() {
  QVERIFY(Root.isValid());
  // <root>/app/Flash and <root>/app/ruffle are served; <root>/secret.txt and
  // <root>/app/KelmFile.dll beside them are not.
  const QString app = Root.filePath(QStringLiteral("app"));
  Write(app + "/Flash/tudi.swf", QByteArray("FWS\x0a"
                                            "movie",
                                            9));
  Write(app + "/Flash/sub/deeper.swf", "deeper");
  Write(app + "/Flash/big.swf", Big);
  Write(app + "/Flash/huge.swf", Huge);
  Write(app + "/ruffle/ruffle.js", "// player");
  Write(app + "/ruffle/core.wasm", QByteArray("\0asm", 4));
  Write(app + "/KelmFile.dll", "database");
  Write(Root.filePath(QStringLiteral("secret.txt")), "secret");
  QVERIFY(QFile::link(Root.filePath(QStringLiteral("secret.txt")), app + "/Flash/link-out.swf"));
  QVERIFY(QFile::link(app + "/Flash/tudi.swf", app + "/Flash/link-in.swf"));
  QDir().mkpath(app + "/Flash/folder.swf");
  Server.Mount(QStringLiteral("Flash"), app + "/Flash");
  Server.Mount(QStringLiteral("ruffle"), app + "/ruffle");
  QVERIFY(Server.Listen());
  QVERIFY(Server.BaseUrl().port() > 0);
  // Short enough for the timeout rows to run quickly.
  Limits.MaxConnections = 4;
  Limits.Timeout = std::chrono::milliseconds(1500);
  RequestGate *gate = Server.Gate();
  QVERIFY(gate);
  gate->SetLimits(Limits);
}

tst_MovieServer::Answer tst_MovieServer::Ask(const QByteArray &method, const QByteArray &path, const QByteArray &host) {
  const QByteArray hostHeader = host.isNull() ? "127.0.0.1:" + QByteArray::number(Server.BaseUrl().port()) : host;
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, quint16(Server.BaseUrl().port()));
  if (!socket.waitForConnected(5000))
    return {};
  socket.write(method + ' ' + path + " HTTP/1.1\r\nHost: " + hostHeader + "\r\nConnection: close\r\n\r\n");
  QByteArray raw;
  // The server runs in this thread: let the event loop turn until the
  // headers and as many body bytes as they announce have arrived.
  const auto complete = [&] {
    const qsizetype end = raw.indexOf("\r\n\r\n");
    if (end < 0)
      return false;
    if (method == "HEAD")
      return true;
    const QByteArray headers = raw.left(end).toLower();
    const qsizetype at = headers.indexOf("content-length:");
    const qsizetype length =
        at < 0 ? 0 : headers.mid(at + 15, headers.indexOf('\r', at) - at - 15).trimmed().toLongLong();
    return raw.size() - end - 4 >= length;
  };
  (void)QTest::qWaitFor(
      [&] {
        raw += socket.readAll();
        return complete() || socket.state() == QAbstractSocket::UnconnectedState;
      },
      5000);
  raw += socket.readAll();
  Answer answer;
  const qsizetype split = raw.indexOf("\r\n\r\n");
  answer.Headers = raw.left(split);
  answer.Body = split < 0 ? QByteArray() : raw.mid(split + 4);
  const QList<QByteArray> statusLine = raw.left(raw.indexOf("\r\n")).split(' ');
  answer.Status = statusLine.size() > 1 ? statusLine[1].toInt() : 0;
  return answer;
}

void tst_MovieServer::servesMountedFiles_data() {
  QTest::addColumn<QByteArray>("path");
  QTest::addColumn<QByteArray>("body");
  QTest::addColumn<QByteArray>("type");
  QTest::newRow("movie") << QByteArray("/Flash/tudi.swf")
                         << QByteArray("FWS\x0a"
                                       "movie",
                                       9)
                         << QByteArray("application/x-shockwave-flash");
  QTest::newRow("subfolder") << QByteArray("/Flash/sub/deeper.swf") << QByteArray("deeper")
                             << QByteArray("application/x-shockwave-flash");
  QTest::newRow("percent-encoded name") << QByteArray("/Flash/%74udi.swf")
                                        << QByteArray("FWS\x0a"
                                                      "movie",
                                                      9)
                                        << QByteArray("application/x-shockwave-flash");
  QTest::newRow("link staying inside") << QByteArray("/Flash/link-in.swf")
                                       << QByteArray("FWS\x0a"
                                                     "movie",
                                                     9)
                                       << QByteArray("application/x-shockwave-flash");
  // WebAssembly needs its own type to be compiled while it streams in.
  QTest::newRow("player wasm") << QByteArray("/ruffle/core.wasm") << QByteArray("\0asm", 4)
                               << QByteArray("application/wasm");
  QTest::newRow("player script") << QByteArray("/ruffle/ruffle.js") << QByteArray("// player")
                                 << QByteArray("text/javascript");
  QTest::newRow("player page") << QByteArray("/player.html?movie=x") << QByteArray() << QByteArray("text/html");
  // Sent in pieces as the peer reads; the connection closes only after.
  QTest::newRow("large movie, then the close asked for")
      << QByteArray("/Flash/big.swf") << Big << QByteArray("application/x-shockwave-flash");
}

void tst_MovieServer::servesMountedFiles() {
  QFETCH(QByteArray, path);
  QFETCH(QByteArray, body);
  QFETCH(QByteArray, type);
  const Answer answer = Ask("GET", path);
  QCOMPARE(answer.Status, 200);
  QVERIFY2(answer.Headers.toLower().contains("content-type: " + type), answer.Headers);
  // The player's files may be kept by the browser; a movie is read afresh for
  // every window, so a changed movie file shows in the next window.
  const bool playerFile = path.startsWith("/ruffle/");
  QCOMPARE(answer.Headers.toLower().contains("cache-control: no-store"), !playerFile);
  if (body.isEmpty())
    QVERIFY(answer.Body.contains("RufflePlayer"));
  else
    QCOMPARE(answer.Body, body);
}

void tst_MovieServer::headAnswersWithOneLength() {
  // The player page asks for the movie with HEAD first; an answer carrying two
  // different lengths is rejected by the browser, and the page would then
  // report a movie that exists as missing.
  const Answer answer = Ask("HEAD", "/Flash/tudi.swf");
  QCOMPARE(answer.Status, 200);
  QCOMPARE(answer.Headers.toLower().count("content-length:"), qsizetype(1));
  QVERIFY2(answer.Headers.toLower().contains("content-type: application/x-shockwave-flash"), answer.Headers);
  QCOMPARE(Ask("HEAD", "/Flash/paifo.swf").Status, 404);
}

void tst_MovieServer::refuses_data() {
  QTest::addColumn<QByteArray>("method");
  QTest::addColumn<QByteArray>("path");
  QTest::addColumn<QByteArray>("host");
  QTest::addColumn<int>("status");
  const QByteArray port = QByteArray::number(Server.BaseUrl().port());
  QTest::newRow("dot-dot out of the mount")
      << QByteArray("GET") << QByteArray("/Flash/../../secret.txt") << QByteArray() << 404;
  QTest::newRow("encoded dot-dot") << QByteArray("GET") << QByteArray("/Flash/%2e%2e/KelmFile.dll") << QByteArray()
                                   << 404;
  QTest::newRow("encoded slash and dot-dot")
      << QByteArray("GET") << QByteArray("/Flash%2f..%2fKelmFile.dll") << QByteArray() << 404;
  QTest::newRow("file beside the mounts") << QByteArray("GET") << QByteArray("/KelmFile.dll") << QByteArray() << 404;
  QTest::newRow("root") << QByteArray("GET") << QByteArray("/") << QByteArray() << 404;
  QTest::newRow("link leading out") << QByteArray("GET") << QByteArray("/Flash/link-out.swf") << QByteArray() << 404;
  QTest::newRow("folder, no listing") << QByteArray("GET") << QByteArray("/Flash/sub") << QByteArray() << 404;
  QTest::newRow("folder named like a movie")
      << QByteArray("GET") << QByteArray("/Flash/folder.swf") << QByteArray() << 404;
  QTest::newRow("missing movie") << QByteArray("GET") << QByteArray("/Flash/paifo.swf") << QByteArray() << 404;
  QTest::newRow("mount name as a prefix") << QByteArray("GET") << QByteArray("/Flashy/tudi.swf") << QByteArray() << 404;
  QTest::newRow("absolute path after the mount")
      << QByteArray("GET") << QByteArray("/Flash//etc/passwd") << QByteArray() << 404;
  QTest::newRow("writing") << QByteArray("PUT") << QByteArray("/Flash/tudi.swf") << QByteArray() << 405;
  QTest::newRow("deleting") << QByteArray("DELETE") << QByteArray("/Flash/tudi.swf") << QByteArray() << 405;
  QTest::newRow("posting") << QByteArray("POST") << QByteArray("/player.html") << QByteArray() << 405;
  // A page whose host name was pointed at 127.0.0.1 sends its own name.
  QTest::newRow("foreign host name") << QByteArray("GET") << QByteArray("/Flash/tudi.swf")
                                     << QByteArray("evil.example:" + port) << 403;
  QTest::newRow("localhost by name") << QByteArray("GET") << QByteArray("/Flash/tudi.swf")
                                     << QByteArray("localhost:" + port) << 403;
  // Names that begin or end like this server's own.
  QTest::newRow("host with a longer name")
      << QByteArray("GET") << QByteArray("/Flash/tudi.swf") << QByteArray("127.0.0.1:" + port + ".evil.example") << 403;
  QTest::newRow("host with userinfo") << QByteArray("GET") << QByteArray("/Flash/tudi.swf")
                                      << QByteArray("127.0.0.1:" + port + "@evil.example") << 403;
  QTest::newRow("host with another port")
      << QByteArray("GET") << QByteArray("/Flash/tudi.swf") << QByteArray("127.0.0.1:" + port + "0") << 403;
  QTest::newRow("host with a leading zero in the port")
      << QByteArray("GET") << QByteArray("/Flash/tudi.swf") << QByteArray("127.0.0.1:0" + port) << 403;
  QTest::newRow("host without its port") << QByteArray("GET") << QByteArray("/Flash/tudi.swf")
                                         << QByteArray("127.0.0.1") << 403;
  QTest::newRow("host as a longer address")
      << QByteArray("GET") << QByteArray("/Flash/tudi.swf") << QByteArray("127.0.0.10:" + port) << 403;
}

void tst_MovieServer::refuses() {
  QFETCH(QByteArray, method);
  QFETCH(QByteArray, path);
  QFETCH(QByteArray, host);
  QFETCH(int, status);
  const Answer answer = Ask(method, path, host);
  QCOMPARE(answer.Status, status);
  // Not kept by the browser: the file may be there the next time.
  QVERIFY2(answer.Headers.toLower().contains("cache-control: no-store"), answer.Headers);
  QVERIFY(!answer.Body.contains("secret"));
  QVERIFY(!answer.Body.contains("database"));
}

void tst_MovieServer::fileForRequestRefusesEscapes_data() {
  QTest::addColumn<QString>("path");
  QTest::newRow("dot-dot") << QStringLiteral("/Flash/../KelmFile.dll");
  QTest::newRow("dot-dot staying inside") << QStringLiteral("/Flash/sub/../tudi.swf");
  QTest::newRow("backslash") << QStringLiteral("/Flash/..\\KelmFile.dll");
  QTest::newRow("nul byte") << QStringLiteral("/Flash/tudi.swf") + QChar(0) + QStringLiteral(".txt");
  QTest::newRow("no mount") << QStringLiteral("/secret.txt");
  QTest::newRow("empty") << QString();
}

void tst_MovieServer::fileForRequestRefusesEscapes() {
  QFETCH(QString, path);
  QCOMPARE(Server.FileForRequest(path), std::nullopt);
}

void tst_MovieServer::urlForFile_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<QString>("path");
  const QString app = Root.filePath(QStringLiteral("app"));
  QTest::newRow("movie") << app + "/Flash/tudi.swf" << QStringLiteral("/Flash/tudi.swf");
  QTest::newRow("not yet existing movie") << app + "/Flash/paifo.swf" << QStringLiteral("/Flash/paifo.swf");
  QTest::newRow("roundabout path") << app + "/Flash/sub/../tudi.swf" << QStringLiteral("/Flash/tudi.swf");
  QTest::newRow("beside the mounts") << app + "/KelmFile.dll" << QString();
  QTest::newRow("mount name as a prefix") << app + "/Flashy/tudi.swf" << QString();
  QTest::newRow("the mount folder itself") << app + "/Flash" << QString();
}

void tst_MovieServer::urlForFile() {
  QFETCH(QString, file);
  QFETCH(QString, path);
  const std::optional<QUrl> url = Server.UrlForFile(file);
  if (path.isEmpty()) {
    QCOMPARE(url, std::nullopt);
    return;
  }
  QVERIFY(url);
  QCOMPARE(url->host(), QStringLiteral("127.0.0.1"));
  QCOMPARE(url->port(), Server.BaseUrl().port());
  QCOMPARE(url->path(), path);
}

// What any local process may send: each connection costs a bounded amount
// of memory and time. {host} stands for the server's own address.
void tst_MovieServer::boundsEachConnection_data() {
  QTest::addColumn<QByteArray>("request");
  QTest::addColumn<QList<int>>("statuses");
  QTest::addColumn<bool>("closes");
  const QByteArray get = "GET /Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\n";
  QTest::newRow("body on a POST")
      << "POST /Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\nContent-Length: 1073741824\r\n\r\n" + QByteArray(65536, 'b')
      << QList<int>{413} << true;
  QTest::newRow("body on a GET") << get + "Content-Length: 536870912\r\n\r\n" + QByteArray(65536, 'b')
                                 << QList<int>{413} << true;
  QTest::newRow("chunked body") << get + "Transfer-Encoding: chunked\r\n\r\n4\r\nbody\r\n" << QList<int>{413} << true;
  QTest::newRow("empty body announced") << get + "Content-Length: 0\r\nConnection: close\r\n\r\n"
                                        << QList<int>{200} << true;
  QTest::newRow("request line over the limit")
      << "GET /Flash/" + QByteArray(Limits.MaxRequestLine, 'a') + " HTTP/1.1\r\nHost: {host}\r\n\r\n"
      << QList<int>{414} << true;
  QTest::newRow("header line that never ends")
      << get + "X-Endless: " + QByteArray(Limits.MaxHead * 3, 'a') << QList<int>{431} << true;
  QTest::newRow("absolute form naming another host")
      << QByteArray("GET http://evil.example/Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\n\r\n") << QList<int>{403}
      << true;
  // The authority is read exactly: userinfo, or this server's name as a
  // prefix of another, names another host.
  QTest::newRow("absolute form with userinfo")
      << QByteArray("GET http://{host}@evil.example/Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\n\r\n") << QList<int>{403}
      << true;
  QTest::newRow("absolute form with this server as userinfo")
      << QByteArray("GET http://evil.example@{host}/Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\n\r\n") << QList<int>{403}
      << true;
  QTest::newRow("absolute form with a longer host name")
      << QByteArray("GET http://{host}.evil.example/Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\n\r\n") << QList<int>{403}
      << true;
  QTest::newRow("absolute form with a longer port")
      << QByteArray("GET http://{host}0/Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\n\r\n") << QList<int>{403} << true;
  QTest::newRow("absolute form without the port")
      << QByteArray("GET http://127.0.0.1/Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\n\r\n") << QList<int>{403} << true;
  QTest::newRow("absolute form of another scheme")
      << QByteArray("GET https://{host}/Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\n\r\n") << QList<int>{403} << true;
  QTest::newRow("absolute form naming this server, scheme in capitals")
      << QByteArray("GET HTTP://{host}/Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\nConnection: close\r\n\r\n")
      << QList<int>{200} << true;
  QTest::newRow("two Host fields") << get + "Host: evil.example\r\n\r\n" << QList<int>{400} << true;
  // One answer, a refusal; never a 200 with a second head inside its body.
  QTest::newRow("WebSocket upgrade") << get +
                                            "Connection: Upgrade\r\nUpgrade: websocket\r\nSec-WebSocket-Version: 13\r\n"
                                            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n"
                                     << QList<int>{501} << true;
  QTest::newRow("three requests in one write, answered in turn")
      << get + "\r\n" + get + "\r\n" + "GET /Flash/missing.swf HTTP/1.1\r\nHost: {host}\r\nConnection: close\r\n\r\n"
      << QList<int>{200, 200, 404} << true;
  QTest::newRow("empty lines before a request") << "\r\n\r\n" + get + "Connection: close\r\n\r\n"
                                                << QList<int>{200} << true;
  QTest::newRow("request line of exactly the limit") << "GET /" + QByteArray(Limits.MaxRequestLine - 14, 'a') +
                                                            " HTTP/1.1\r\nHost: {host}\r\nConnection: close\r\n\r\n"
                                                     << QList<int>{404} << true;
  QTest::newRow("request line one byte over the limit")
      << "GET /" + QByteArray(Limits.MaxRequestLine - 13, 'a') + " HTTP/1.1\r\nHost: {host}\r\n\r\n"
      << QList<int>{414} << true;
  // The head's cap counts the empty line that ends it, however the head
  // arrives: here whole, in one write.
  const QByteArray filled = get + "Connection: close\r\nX-Filler: ";
  const qsizetype filler = Limits.MaxHead - filled.size() - 4 - (OwnHost().size() - 6);
  QTest::newRow("head of exactly the limit") << filled + QByteArray(filler, 'a') + "\r\n\r\n"
                                             << QList<int>{200} << true;
  QTest::newRow("head one byte over the limit in one write") << filled + QByteArray(filler + 1, 'a') + "\r\n\r\n"
                                                             << QList<int>{431} << true;
  QTest::newRow("absolute form naming this server")
      << QByteArray("GET http://{host}/Flash/tudi.swf HTTP/1.1\r\nHost: {host}\r\nConnection: close\r\n\r\n")
      << QList<int>{200} << true;
  QTest::newRow("Connection: close") << get + "Connection: close\r\n\r\n" << QList<int>{200} << true;
  QTest::newRow("Connection: Close among other options") << get + "Connection: keep-alive, Close\r\n\r\n"
                                                         << QList<int>{200} << true;
  QTest::newRow("HTTP/1.0") << QByteArray("GET /Flash/tudi.swf HTTP/1.0\r\nHost: {host}\r\n\r\n") << QList<int>{200}
                            << true;
  QTest::newRow("two requests on a kept connection") << get + "\r\n" + get + "\r\n" << QList<int>{200, 200} << false;
  QTest::newRow("idle connection") << QByteArray() << QList<int>{} << true;
  QTest::newRow("head never finished") << get + "X-Slow: a" << QList<int>{} << true;
}

void tst_MovieServer::boundsEachConnection() {
  QFETCH(QByteArray, request);
  QFETCH(QList<int>, statuses);
  QFETCH(bool, closes);
  // Each row on a server without other connections (see the next test).
  QTRY_COMPARE(Server.Gate()->OpenConnections(), 0);
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, quint16(Server.BaseUrl().port()));
  QVERIFY(socket.waitForConnected(5000));
  socket.write(request.replace("{host}", OwnHost()));
  QByteArray raw;
  QElapsedTimer clock;
  clock.start();
  // Kept connections are watched for a while, closing ones until the
  // server's timeout has surely passed.
  const qint64 watch = closes ? Limits.Timeout.count() + 3000 : 1000;
  (void)QTest::qWaitFor(
      [&] {
        raw += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
      },
      int(watch));
  raw += socket.readAll();
  QList<int> answered;
  for (qsizetype at = raw.indexOf("HTTP/1.1 "); at >= 0; at = raw.indexOf("HTTP/1.1 ", at + 1))
    answered += raw.mid(at + 9, 3).toInt();
  QCOMPARE(answered, statuses);
  QCOMPARE(socket.state() == QAbstractSocket::UnconnectedState, closes);
  // A connection that closes after its answer says so in the answer, rather
  // than leaving the client to wait for the timeout.
  if (closes && !statuses.isEmpty())
    QVERIFY2(raw.mid(raw.lastIndexOf("HTTP/1.1 ")).toLower().contains("connection: close"), raw.left(400));
  QVERIFY(clock.elapsed() < Limits.Timeout.count() + 2000);
}

void tst_MovieServer::refusesConnectionsOverTheLimit() {
  auto *gate = Server.Gate();
  std::vector<std::unique_ptr<QTcpSocket>> open;
  for (int i = 0; i < Limits.MaxConnections; ++i) {
    open.push_back(std::make_unique<QTcpSocket>());
    open.back()->connectToHost(QHostAddress::LocalHost, quint16(Server.BaseUrl().port()));
    QVERIFY(open.back()->waitForConnected(5000));
  }
  QTRY_COMPARE(gate->OpenConnections(), Limits.MaxConnections);
  QTcpSocket surplus;
  surplus.connectToHost(QHostAddress::LocalHost, quint16(Server.BaseUrl().port()));
  QVERIFY(surplus.waitForConnected(5000));
  QTRY_COMPARE(surplus.state(), QAbstractSocket::UnconnectedState);
  QVERIFY(surplus.readAll().startsWith("HTTP/1.1 503 "));
  open.clear();
  QTRY_COMPARE(gate->OpenConnections(), 0);
  QCOMPARE(Ask("GET", "/Flash/tudi.swf").Status, 200);
}

void tst_MovieServer::pipelinedRequestsWaitForTheAnswerBefore() {
  // A client that asks for a large file again and again and reads nothing
  // holds no more than one answer's queue: each file is read as the client
  // takes it, and the next request only after the answer before has gone.
  QTRY_COMPARE(Server.Gate()->OpenConnections(), 0);
  QTcpSocket socket;
  socket.setReadBufferSize(64 << 10);
  socket.connectToHost(QHostAddress::LocalHost, quint16(Server.BaseUrl().port()));
  QVERIFY(socket.waitForConnected(5000));
  const QByteArray get = "GET /Flash/huge.swf HTTP/1.1\r\nHost: " + OwnHost() + "\r\n";
  socket.write(get + "\r\n" + get + "\r\n");
  qint64 mostQueued = 0;
  for (int turn = 0; turn < 20; ++turn) {
    QTest::qWait(25);
    mostQueued = qMax(mostQueued, Server.Gate()->QueuedBytes());
    // The last request arrives while the first answer is being sent.
    if (turn == 10)
      socket.write(get + "Connection: close\r\n\r\n");
  }
  QVERIFY2(mostQueued > 0, "the answer waits for the client");
  QVERIFY2(mostQueued <= 2 * Limits.MaxQueued, QByteArray::number(mostQueued));
  // Then read: the three answers arrive whole, in turn.
  socket.setReadBufferSize(0);
  qint64 received = 0;
  QByteArray heads;
  (void)QTest::qWaitFor(
      [&] {
        const QByteArray piece = socket.readAll();
        received += piece.size();
        if (heads.size() < 4096)
          heads += piece.left(4096);
        mostQueued = qMax(mostQueued, Server.Gate()->QueuedBytes());
        return socket.state() == QAbstractSocket::UnconnectedState;
      },
      30000);
  received += socket.readAll().size();
  QVERIFY(heads.startsWith("HTTP/1.1 200 "));
  const qsizetype headSize = heads.indexOf("\r\n\r\n") + 4;
  QVERIFY(received >= 3 * Huge.size() + 3 * headSize - 64);
  QVERIFY(received <= 3 * Huge.size() + 3 * headSize + 64);
  QVERIFY2(mostQueued <= 2 * Limits.MaxQueued, QByteArray::number(mostQueued));
}

void tst_MovieServer::aSlowSteadyReaderIsServedWhole() {
  // Reading a large movie takes far longer than the timeout; as long as the
  // client takes pieces, the connection is kept.
  QTRY_COMPARE(Server.Gate()->OpenConnections(), 0);
  QTcpSocket socket;
  socket.setReadBufferSize(32 << 10);
  socket.connectToHost(QHostAddress::LocalHost, quint16(Server.BaseUrl().port()));
  QVERIFY(socket.waitForConnected(5000));
  socket.write("GET /Flash/huge.swf HTTP/1.1\r\nHost: " + OwnHost() + "\r\nConnection: close\r\n\r\n");
  QElapsedTimer clock;
  clock.start();
  QByteArray raw;
  while (socket.state() != QAbstractSocket::UnconnectedState && clock.elapsed() < 60000) {
    QTest::qWait(10);
    raw += socket.read(32 << 10);
  }
  raw += socket.readAll();
  const qsizetype split = raw.indexOf("\r\n\r\n");
  QVERIFY(raw.startsWith("HTTP/1.1 200 "));
  QCOMPARE(raw.size() - split - 4, Huge.size());
  QVERIFY2(clock.elapsed() > Limits.Timeout.count(), "the reader was slower than the timeout");
}

void tst_MovieServer::aHeadTricklingInIsCutAtTheTimeout() {
  // A byte of a head now and then is no progress: the head must be whole
  // within the timeout, or a thousand such clients hold every connection.
  QTRY_COMPARE(Server.Gate()->OpenConnections(), 0);
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, quint16(Server.BaseUrl().port()));
  QVERIFY(socket.waitForConnected(5000));
  const QByteArray head = "GET /Flash/tudi.swf HTTP/1.1\r\nHost: " + OwnHost() + "\r\nX-Slow: " + QByteArray(4000, 'a');
  for (qsizetype at = 0; at < head.size() && socket.state() == QAbstractSocket::ConnectedState; ++at) {
    socket.write(head.mid(at, 1));
    QTest::qWait(100);
    if (at * 100 > 3 * Limits.Timeout.count())
      break;
  }
  QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
  QVERIFY(socket.readAll().isEmpty());
}

void tst_MovieServer::listensOnLoopbackOnly() {
  QCOMPARE(Server.Gate()->serverAddress(), QHostAddress(QHostAddress::LocalHost));
  // Every other address of this machine is refused at the same port.
  const quint16 port = quint16(Server.BaseUrl().port());
  for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
    if (address.isLoopback() && address.protocol() == QAbstractSocket::IPv4Protocol)
      continue;
    if (address.isLinkLocal())
      continue;
    QTcpSocket socket;
    socket.connectToHost(address, port);
    QVERIFY2(!socket.waitForConnected(2000), qPrintable(address.toString()));
  }
}

void tst_MovieServer::aFolderWithAChineseNameIsServedIntact() {
  // An application directory named in Chinese reaches the player: the URL
  // names only the mount, and the file is read from the right folder.
  const QString app = Root.filePath(QStringLiteral("测字 算命/程序"));
  Write(app + "/Flash/paifo.swf", "lots");
  MovieServer server;
  server.Mount(QStringLiteral("Flash"), app + "/Flash");
  QVERIFY(server.Listen());
  const std::optional<QUrl> url = server.UrlForFile(app + "/Flash/paifo.swf");
  QVERIFY(url);
  QCOMPARE(url->path(), QStringLiteral("/Flash/paifo.swf"));
  QCOMPARE(server.FileForRequest(url->path()), QFileInfo(app + "/Flash/paifo.swf").canonicalFilePath());
}

void tst_MovieServer::aFolderThatAppearsLaterIsServed() {
  // Mounted while missing, then put back as a link to the real folder (a
  // repaired installation while the program runs): its files are served.
  MovieServer server;
  const QString late = Root.filePath(QStringLiteral("late"));
  server.Mount(QStringLiteral("late"), late);
  QVERIFY(server.Listen());
  QCOMPARE(server.FileForRequest(QStringLiteral("/late/tudi.swf")), std::nullopt);
  QVERIFY(QFile::link(Root.filePath(QStringLiteral("app/Flash")), late));
  const QString movie = QFileInfo(Root.filePath(QStringLiteral("app/Flash/tudi.swf"))).canonicalFilePath();
  QCOMPARE(server.FileForRequest(QStringLiteral("/late/tudi.swf")), movie);
  QCOMPARE(server.UrlForFile(late + QStringLiteral("/tudi.swf"))->path(), QStringLiteral("/late/tudi.swf"));
  // Still nothing outside it.
  QCOMPARE(server.FileForRequest(QStringLiteral("/late/link-out.swf")), std::nullopt);
}

QTEST_GUILESS_MAIN(tst_MovieServer)
#include "tst_MovieServer.moc"
