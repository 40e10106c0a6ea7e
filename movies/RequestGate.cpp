#include "RequestGate.h"

#include "HttpHead.h"

#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace {

// What a refused client may still send while it reads the answer; then the
// connection is cut.
constexpr qint64 MaxDiscarded = 1 << 20;
// The most read from a file at once.
constexpr qint64 Piece = 32 << 10;

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The path of a request target, before its query, percent-decoded.
QString PathOf(QByteArrayView target, QByteArrayView ownAuthority) {
  if (!target.startsWith('/')) {
    target = target.sliced(qsizetype(sizeof("http://") - 1) + ownAuthority.size());
    if (target.isEmpty() || target.startsWith('?'))
      return QStringLiteral("/");
  }
  const qsizetype query = target.indexOf('?');
  return QString::fromUtf8(
      QByteArray::fromPercentEncoding(target.first(query < 0 ? target.size() : query).toByteArray()));
}

GateAnswer Refusal(int status) {
  GateAnswer answer;
  answer.Status = status;
  return answer;
}

} // namespace

QByteArray ReasonPhrase(int status) {
  switch (status) {
  case 200:
    return "OK";
  case 400:
    return "Bad Request";
  case 403:
    return "Forbidden";
  case 404:
    return "Not Found";
  case 405:
    return "Method Not Allowed";
  case 413:
    return "Content Too Large";
  case 414:
    return "URI Too Long";
  case 431:
    return "Request Header Fields Too Large";
  case 501:
    return "Not Implemented";
  default:
    return "Service Unavailable";
  }
}

bool NamesOwnAuthority(QByteArrayView target, QByteArrayView ownAuthority) {
  constexpr QByteArrayView scheme = "http://";
  if (target.size() < scheme.size() || target.first(scheme.size()).compare(scheme, Qt::CaseInsensitive) != 0)
    return false;
  const QByteArrayView rest = target.sliced(scheme.size());
  qsizetype end = 0;
  while (end < rest.size() && rest[end] != '/' && rest[end] != '?')
    ++end;
  return rest.first(end) == ownAuthority;
}

// One connection: reads a request head, answers it, and only then reads the
// next. Owns its socket; ends itself when the connection ends.
class GateConnection : public QObject {
public:
  GateConnection(RequestGate *gate, QTcpSocket *socket);

  void Refuse(int status);
  qint64 Queued() const { return Socket->bytesToWrite(); }

private:
  enum class Stage { Head, Answer, Closing };

  void OnReadyRead();
  void OnBytesWritten();
  void ReadRequest();
  void Send(GateAnswer answer, bool headOnly);
  void Pump();
  void AnswerGone();
  void Close();
  void HalfClose();

  RequestGate *Gate;
  QTcpSocket *Socket;
  QTimer Silence;
  RequestLimits Limits;
  Stage Now = Stage::Head;
  int Requests = 0;
  bool CloseAfter = false; // the answer being sent is the last
  bool Discarding = false; // half-closed: what arrives is dropped
  qint64 Discarded = 0;
  std::unique_ptr<QIODevice> Body;
  qint64 BodyLeft = 0;
};

GateConnection::GateConnection(RequestGate *gate, QTcpSocket *socket)
    : QObject(gate), Gate(gate), Socket(socket), Limits(gate->Limits()) {
  socket->setParent(this);
  // The socket takes no more than a head from the system while it waits.
  socket->setReadBufferSize(Limits.MaxHead);
  Silence.setSingleShot(true);
  Silence.setInterval(Limits.Timeout);
  connect(&Silence, &QTimer::timeout, this, [this] {
    Socket->abort();
    deleteLater();
  });
  connect(socket, &QTcpSocket::readyRead, this, &GateConnection::OnReadyRead);
  connect(socket, &QTcpSocket::bytesWritten, this, &GateConnection::OnBytesWritten);
  connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
  Silence.start();
}

void GateConnection::OnReadyRead() {
  if (Discarding) {
    // At most the buffer; reading on needs a read past it.
    Discarded += Socket->readAll().size();
    if (Discarded > MaxDiscarded) {
      Socket->abort();
      deleteLater();
    }
    return;
  }
  // While an answer is sent, the next request waits in the buffer.
  if (Now == Stage::Head)
    ReadRequest();
}

void GateConnection::ReadRequest() {
  // Empty lines before a request line are skipped.
  const QByteArray waiting = Socket->peek(Socket->bytesAvailable());
  qsizetype blanks = 0;
  while (blanks < waiting.size() && IsLineEnd(waiting[blanks]))
    ++blanks;
  const HttpHead head = ReadHttpHead(QByteArrayView(waiting).sliced(blanks), {Limits.MaxRequestLine, Limits.MaxHead});
  if (head.State == HttpHeadState::StartLineTooLong)
    return Refuse(414);
  if (head.State == HttpHeadState::TooLarge)
    return Refuse(431);
  if (head.State == HttpHeadState::Incomplete) {
    Socket->skip(blanks);
    return;
  }
  Socket->skip(blanks + head.Size);
  bool refused = false;
  GateAnswer answer = Gate->AnswerFor(head, refused);
  if (refused)
    return Refuse(answer.Status);
  const QByteArray &version = head.StartLine[2];
  CloseAfter =
      version == "HTTP/1.0" || head.Lists("connection", "close") || ++Requests >= Limits.MaxRequestsPerConnection;
  Send(std::move(answer), head.StartLine[0] == "HEAD");
}

void GateConnection::Send(GateAnswer answer, bool headOnly) {
  const qint64 length = answer.Body ? answer.Body->size() : 0;
  QByteArray out = "HTTP/1.1 " + QByteArray::number(answer.Status) + ' ' + ReasonPhrase(answer.Status) + "\r\n";
  for (const auto &[name, value] : answer.Fields)
    out += name + ": " + value + "\r\n";
  out += "Content-Length: " + QByteArray::number(length) + "\r\n";
  if (CloseAfter)
    out += "Connection: close\r\n";
  out += "\r\n";
  Now = Stage::Answer;
  Silence.start();
  Socket->write(out);
  if (!headOnly) {
    Body = std::move(answer.Body);
    BodyLeft = length;
  }
  Pump();
}

void GateConnection::Pump() {
  while (BodyLeft > 0 && Socket->bytesToWrite() < Limits.MaxQueued) {
    const QByteArray piece = Body->read(qMin(Piece, BodyLeft));
    if (piece.isEmpty()) {
      // The file ended early or could not be read: the length announced
      // cannot be kept, and a shorter answer must not pass for whole.
      Socket->abort();
      deleteLater();
      return;
    }
    BodyLeft -= piece.size();
    Socket->write(piece);
  }
  if (BodyLeft == 0)
    Body.reset();
  if (BodyLeft == 0 && Socket->bytesToWrite() == 0)
    AnswerGone();
}

void GateConnection::OnBytesWritten() {
  if (Now == Stage::Closing) {
    if (Socket->bytesToWrite() == 0 && !Discarding)
      HalfClose();
    return;
  }
  if (Now != Stage::Answer)
    return;
  // The client takes the answer: progress.
  Silence.start();
  Pump();
}

void GateConnection::AnswerGone() {
  if (CloseAfter)
    return Close();
  Now = Stage::Head;
  Silence.start();
  if (Socket->bytesAvailable() > 0)
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (Now == Stage::Head && !Discarding)
            ReadRequest();
        },
        Qt::QueuedConnection);
}

void GateConnection::Refuse(int status) {
  Body.reset();
  BodyLeft = 0;
  Socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + ReasonPhrase(status) +
                "\r\nContent-Length: 0\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n");
  Close();
}

void GateConnection::Close() {
  Now = Stage::Closing;
  Silence.start();
  Socket->flush();
  if (Socket->bytesToWrite() == 0)
    HalfClose();
}

void GateConnection::HalfClose() {
  if (Discarding)
    return;
  // Closing a socket with bytes still unread resets the connection, and the
  // client may lose the answer with it. So the answer ends with a
  // half-close, what the client still sends is dropped, and the connection
  // ends when the client closes it or at the timeout.
  Discarding = true;
  Silence.start();
  Discarded = Socket->readAll().size(); // a full buffer stops reading
  ::shutdown(int(Socket->socketDescriptor()), SHUT_WR);
}

RequestGate::RequestGate(Handler handler, QObject *parent) : QTcpServer(parent), Answer(std::move(handler)) {}

RequestGate::~RequestGate() {
  // Before the server's own parts go: an open connection's end reaches back
  // into Connections.
  const QSet<GateConnection *> open = std::exchange(Connections, {});
  qDeleteAll(open);
}

void RequestGate::SetLimits(const RequestLimits &limits) { CurrentLimits = limits; }

qint64 RequestGate::QueuedBytes() const {
  qint64 queued = 0;
  for (const GateConnection *connection : Connections)
    queued += connection->Queued();
  return queued;
}

QByteArray RequestGate::OwnAuthority() const { return "127.0.0.1:" + QByteArray::number(serverPort()); }

GateAnswer RequestGate::AnswerFor(const HttpHead &head, bool &refused) const {
  refused = true;
  const QList<QByteArray> &line = head.StartLine;
  if (line.size() != 3 || line[0].isEmpty() || (line[2] != "HTTP/1.1" && line[2] != "HTTP/1.0"))
    return Refusal(400);
  // Origin form, or the absolute form naming this server exactly: another
  // host there would be served under that host's name.
  const QByteArray own = OwnAuthority();
  if (!line[1].startsWith('/') && !NamesOwnAuthority(line[1], own))
    return Refusal(403);
  for (const QByteArray &value : head.Values("content-length"))
    if (value.isEmpty() || value.count('0') != value.size())
      return Refusal(413);
  if (!head.Values("transfer-encoding").isEmpty())
    return Refusal(413);
  // Only this machine's own pages may use the server: a page elsewhere whose
  // host name was made to resolve to 127.0.0.1 sends another Host field.
  const QList<QByteArray> hosts = head.Values("host");
  if (hosts.size() > 1)
    return Refusal(400);
  if (hosts.value(0) != own)
    return Refusal(403);
  // Nothing here speaks another protocol: a WebSocket handshake gets this
  // one answer and the connection closes.
  if (!head.Values("upgrade").isEmpty())
    return Refusal(501);
  refused = false;
  if (line[0] != "GET" && line[0] != "HEAD") {
    GateAnswer answer = Refusal(405);
    answer.Fields = {{"Allow", "GET, HEAD"}, {"Cache-Control", "no-store"}};
    return answer;
  }
  return Answer({line[0] == "HEAD", PathOf(line[1], own)});
}

void RequestGate::incomingConnection(qintptr descriptor) {
  auto *socket = new QTcpSocket(this);
  if (!socket->setSocketDescriptor(descriptor)) {
    delete socket;
    return;
  }
  if (Connections.size() >= CurrentLimits.MaxConnections) {
    // Answered and closed at once: a thousand connections over the limit
    // must not each wait out a half-close.
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->write("HTTP/1.1 503 " + ReasonPhrase(503) +
                  "\r\nContent-Length: 0\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
    return;
  }
  auto *connection = new GateConnection(this, socket);
  Connections.insert(connection);
  connect(connection, &QObject::destroyed, this, [this, connection] { Connections.remove(connection); });
}
