#pragma once
// The HTTP side of the movie server: the listening socket and, for each
// connection, the reading of requests and the sending of answers. Any local
// process, and any page the program shows, can open connections to it, so
// each connection costs a bounded amount of memory and time whatever the
// client does:
// - a request head waits in a socket buffer of at most MaxHead bytes until it
//   is whole (ReadHttpHead); the next request is read only once the answer
//   before it has gone to the system, so pipelined requests wait in the
//   system's buffers, not here, and are answered in turn;
// - an answer's body is read from its file in pieces, as the client takes
//   it: no more than MaxQueued bytes wait in the socket's buffer;
// - a connection closes after Timeout without progress: a request head must
//   be whole within Timeout of the connection or of the answer before it,
//   however slowly its bytes come; while an answer is sent, every piece the
//   client takes restarts the clock, so a slow steady reader is served whole.
//
// A head that is refused gets a short answer and the connection closes:
// 400 for a malformed request line or Host field, 403 for a target or Host
// naming anything but this server's own address (userinfo included), 413 for
// a request with a body (nothing served here takes one), 414 for a request
// line over MaxRequestLine bytes, 431 for a head over MaxHead bytes, 501 for
// a protocol upgrade (a WebSocket handshake), 503 for a connection over
// MaxConnections open ones. Other methods than GET and HEAD get 405. A
// connection also closes after an answer when the request asked for it
// (Connection: close, or HTTP/1.0) and after MaxRequestsPerConnection
// requests.

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QSet>
#include <QString>
#include <QTcpServer>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

struct RequestLimits {
  qsizetype MaxRequestLine = 4096;          // bytes, without the line end
  qsizetype MaxHead = 8192;                 // request line and headers, bytes
  int MaxConnections = 32;                  // open at once
  int MaxRequestsPerConnection = 100;       // then the connection closes
  qint64 MaxQueued = 64 << 10;              // bytes of an answer waiting to be sent
  std::chrono::milliseconds Timeout{10000}; // a connection without progress
};

// A GET or HEAD request for this server that passed every check above.
struct GateRequest {
  bool HeadOnly = false;
  QString Path; // percent-decoded, without the query
};

// The answer to a GateRequest: the status, its header fields (the length and
// the connection's fields are added), and the body, read from an open device
// whose size is the body's length (none: an empty body).
struct GateAnswer {
  int Status = 404;
  QList<std::pair<QByteArray, QByteArray>> Fields;
  std::unique_ptr<QIODevice> Body;
};

class GateConnection;
struct HttpHead;

class RequestGate : public QTcpServer {
  Q_OBJECT

public:
  using Handler = std::function<GateAnswer(const GateRequest &)>;

  explicit RequestGate(Handler handler, QObject *parent = nullptr);
  ~RequestGate() override;

  // Applies to connections accepted from now on.
  void SetLimits(const RequestLimits &limits);
  const RequestLimits &Limits() const { return CurrentLimits; }

  int OpenConnections() const { return int(Connections.size()); }
  // The bytes of answers waiting in the open connections' buffers.
  qint64 QueuedBytes() const;

  // "127.0.0.1:<port>", the only authority requests may name.
  QByteArray OwnAuthority() const;

  // The answer for a request head, or, for a head the gate refuses, an
  // answer with the refusal's status and no body; refused says which.
  GateAnswer AnswerFor(const HttpHead &head, bool &refused) const;

protected:
  void incomingConnection(qintptr descriptor) override;

private:
  Handler Answer;
  RequestLimits CurrentLimits;
  QSet<GateConnection *> Connections;
};

// The reason phrase of the statuses the movie server sends.
QByteArray ReasonPhrase(int status);

// Whether an absolute-form request target ("http://host:port/path") names
// exactly ownAuthority ("127.0.0.1:<port>"): the scheme http in any case, no
// userinfo, the same host and port, and a path or query or nothing after
// them. Anything else, a look-alike host included, is another server's.
bool NamesOwnAuthority(QByteArrayView target, QByteArrayView ownAuthority);
