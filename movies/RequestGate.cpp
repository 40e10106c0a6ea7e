#include "RequestGate.h"

#include <QTimer>

#include <sys/socket.h>

namespace {

// What a refused client may still send while it reads the answer; then the
// connection is cut.
constexpr qint64 MaxDiscarded = 1 << 20;

// What the bytes waiting on a connection amount to: a whole head that may be
// handed over, a head still arriving, or a refusal (an HTTP status).
struct HeadCheck {
  bool Complete = false;
  int Refusal = 0;
  bool KeepAlive = true;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v'; }

// The head's bounds follow the HTTP server's own reader, so that both take
// the same bytes for one request: blanks before the request line are
// skipped, the line ends at LF (a CR before it dropped), and the headers end
// at an empty line (LF LF or LF CR LF).
HeadCheck CheckHead(const QByteArray &waiting, const RequestLimits &limits, const QByteArray &ownAuthority) {
  HeadCheck check;
  qsizetype start = 0;
  while (start < waiting.size() && IsBlank(waiting[start]))
    ++start;
  const QByteArray head = waiting.mid(start);
  const qsizetype lineEnd = head.indexOf('\n');
  if ((lineEnd < 0 ? head.size() : lineEnd) > limits.MaxRequestLine + 1) {
    check.Refusal = 414;
    return check;
  }
  qsizetype end = -1;
  if (lineEnd >= 0) {
    for (qsizetype at = lineEnd; at >= 0 && end < 0; at = head.indexOf('\n', at + 1)) {
      if (at + 1 < head.size() && head[at + 1] == '\n')
        end = at + 2;
      else if (at + 2 < head.size() && head[at + 1] == '\r' && head[at + 2] == '\n')
        end = at + 3;
    }
  }
  // The socket buffer holds no more than MaxHead bytes: full without a whole
  // head, nothing more can come.
  if (end < 0 ? waiting.size() >= limits.MaxHead : end > limits.MaxHead) {
    check.Refusal = 431;
    return check;
  }
  if (end < 0)
    return check; // more to come

  const QList<QByteArray> request = head.left(lineEnd).trimmed().split(' ');
  if (request.size() != 3 || (request[2] != "HTTP/1.1" && request[2] != "HTTP/1.0")) {
    check.Refusal = 400;
    return check;
  }
  // Origin form, or the absolute form naming this server ("http://" and its
  // own address): another host there would be served under that host's name.
  const QByteArray &target = request[1];
  if (!target.startsWith('/')) {
    const QByteArray own = "http://" + ownAuthority;
    const bool ours = target.left(own.size()).toLower() == own &&
                      (target.size() == own.size() || target[own.size()] == '/' || target[own.size()] == '?');
    if (!ours) {
      check.Refusal = 403;
      return check;
    }
  }
  check.KeepAlive = request[2] == "HTTP/1.1";
  for (const QByteArray &line : head.mid(lineEnd + 1, end - lineEnd - 1).split('\n')) {
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
      continue;
    const QByteArray name = line.left(colon).trimmed().toLower();
    const QByteArray value = line.mid(colon + 1).trimmed();
    if (name == "transfer-encoding" ||
        (name == "content-length" && (value.isEmpty() || value.count('0') != value.size()))) {
      check.Refusal = 413;
      return check;
    }
    if (name == "connection")
      for (const QByteArray &option : value.split(','))
        if (option.trimmed().toLower() == "close")
          check.KeepAlive = false;
  }
  check.Complete = true;
  return check;
}

QByteArray Reason(int status) {
  switch (status) {
  case 400:
    return "Bad Request";
  case 403:
    return "Forbidden";
  case 413:
    return "Content Too Large";
  case 414:
    return "URI Too Long";
  case 431:
    return "Request Header Fields Too Large";
  default:
    return "Service Unavailable";
  }
}

} // namespace

RequestGate::RequestGate(QObject *parent) : QTcpServer(parent) {}

void RequestGate::SetLimits(const RequestLimits &limits) { Limits = limits; }

void RequestGate::StreamsFrom(QTcpSocket *socket, QObject *source) {
  const auto found = Connections.find(socket);
  if (found == Connections.end())
    return;
  found->Streaming = source;
  connect(source, &QObject::destroyed, this, [this, guarded = QPointer<QTcpSocket>(socket)] {
    if (guarded)
      ResponseSent(guarded);
  });
}

void RequestGate::incomingConnection(qintptr descriptor) {
  auto *socket = new QTcpSocket(this);
  if (!socket->setSocketDescriptor(descriptor)) {
    delete socket;
    return;
  }
  connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  if (Connections.size() >= Limits.MaxConnections) {
    Refuse(socket, 503);
    return;
  }
  // The socket takes no more than a head from the system while it waits.
  socket->setReadBufferSize(Limits.MaxHead);
  Connection &connection = Connections[socket];
  connection.Socket = socket;
  connection.Limits = Limits;
  connection.Silence = new QTimer(socket);
  connection.Silence->setSingleShot(true);
  connection.Silence->setInterval(Limits.Timeout);
  connection.Silence->start();
  connect(connection.Silence, &QTimer::timeout, socket, &QAbstractSocket::abort);
  // Sending restarts the clock: a slow reader keeps its connection as long as
  // it reads, a slow sender does not.
  connect(socket, &QTcpSocket::bytesWritten, connection.Silence, qOverload<>(&QTimer::start));
  connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Examine(socket); });
  connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
    // A response still being sent is ended with its source. Qt's responder
    // reads the source on timers of the source's own; one that fires after
    // the socket is gone would write through a null socket.
    const QPointer<QObject> source = Connections.value(socket).Streaming;
    Connections.remove(socket);
    delete source.data();
  });
  connect(socket, &QObject::destroyed, this, [this, socket] { Connections.remove(socket); });
}

void RequestGate::Examine(QTcpSocket *socket) {
  const auto found = Connections.find(socket);
  if (found != Connections.end() && found->Discarding) {
    // At most the buffer; reading on needs a read past it.
    found->Discarded += socket->readAll().size();
    if (found->Discarded > MaxDiscarded)
      socket->abort();
    return;
  }
  if (found == Connections.end() || found->Passing || found->Closing || found->Streaming)
    return;
  const QByteArray waiting = socket->peek(socket->bytesAvailable());
  const HeadCheck check = CheckHead(waiting, found->Limits, "127.0.0.1:" + QByteArray::number(serverPort()));
  if (check.Refusal != 0) {
    Refuse(socket, check.Refusal);
    return;
  }
  if (!check.Complete)
    return;
  found->Closing = !check.KeepAlive || ++found->Requests >= found->Limits.MaxRequestsPerConnection;
  HandOver(socket, *found);
}

void RequestGate::HandOver(QTcpSocket *socket, Connection &connection) {
  const QPointer<QTcpSocket> guarded(socket);
  connection.Passing = true;
  connection.Silence->start();
  // The HTTP server takes pending connections as they are added and starts
  // reading at the next readyRead: the head is already buffered, so that
  // signal comes from here. Its reader is taken off again once the request
  // is answered, so that it never reads the next head unchecked.
  addPendingConnection(socket);
  emit socket->readyRead();
  if (!guarded)
    return;
  if (QObject *httpServer = parent())
    disconnect(socket, &QIODevice::readyRead, httpServer, nullptr);
  const auto found = Connections.find(socket);
  if (found == Connections.end())
    return;
  found->Passing = false;
  if (!found->Streaming)
    ResponseSent(socket);
}

void RequestGate::ResponseSent(QTcpSocket *socket) {
  const auto found = Connections.find(socket);
  if (found == Connections.end())
    return;
  found->Streaming = nullptr;
  if (found->Closing) {
    socket->disconnectFromHost(); // after what is still to be written
    return;
  }
  found->Silence->start();
  if (socket->bytesAvailable() > 0)
    QMetaObject::invokeMethod(
        this,
        [this, guarded = QPointer<QTcpSocket>(socket)] {
          if (guarded)
            Examine(guarded);
        },
        Qt::QueuedConnection);
}

void RequestGate::Refuse(QTcpSocket *socket, int status) {
  socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + Reason(status) +
                "\r\nContent-Length: 0\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n");
  socket->flush();
  const auto found = Connections.find(socket);
  if (found == Connections.end() || socket->bytesToWrite() > 0) {
    socket->disconnectFromHost();
    return;
  }
  // Closing a socket with bytes still unread resets the connection, and the
  // client may lose the answer with it. So the answer ends with a
  // half-close, what the client still sends is dropped, and the connection
  // ends when the client closes it or at the timeout.
  found->Closing = true;
  found->Discarding = true;
  found->Silence->start();
  found->Discarded = socket->readAll().size(); // a full buffer stops reading
  ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
}
