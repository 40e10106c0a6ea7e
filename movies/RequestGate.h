#pragma once
// The listening socket of the movie server, which lets a request reach the
// HTTP server's own reader only once the request is known to be small and
// without a body. QAbstractHttpServer keeps whatever a connection sends in
// memory until a request is complete, with no limit and no timeout; here
// each connection's bytes wait in a socket buffer of at most MaxHead bytes
// until a whole request head has arrived, the head is checked, and the
// connection is handed to the HTTP server for that one request. Any local
// process, and any page the program shows, can open connections to it.
//
// A head that is refused gets a short answer and the connection closes:
// 400 for a malformed request line, 403 for an absolute-form target naming
// another host, 413 for a request with a body (nothing served here takes
// one), 414 for a request line over MaxRequestLine bytes, 431 for a head
// over MaxHead bytes, 503 for a connection over MaxConnections open ones.
// A connection closes after a response when the request asked for it
// (Connection: close, or HTTP/1.0), after MaxRequestsPerConnection requests,
// and after Timeout without a complete head or without any byte sent.

#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>

struct RequestLimits {
  qsizetype MaxRequestLine = 4096;          // bytes, without the line end
  qsizetype MaxHead = 8192;                 // request line and headers, bytes
  int MaxConnections = 32;                  // open at once
  int MaxRequestsPerConnection = 100;       // then the connection closes
  std::chrono::milliseconds Timeout{10000}; // a connection's silence
};

class RequestGate : public QTcpServer {
  Q_OBJECT

public:
  // parent: the HTTP server the gate is bound to (QAbstractHttpServer::bind).
  explicit RequestGate(QObject *parent = nullptr);

  // Applies to connections accepted from now on.
  void SetLimits(const RequestLimits &limits);

  // The response to the request just handed over on socket is sent from
  // source as it is read: the connection reads no further request, and does
  // not close, before source is destroyed.
  void StreamsFrom(QTcpSocket *socket, QObject *source);

  int OpenConnections() const { return int(Connections.size()); }

protected:
  void incomingConnection(qintptr descriptor) override;

private:
  struct Connection {
    QPointer<QTcpSocket> Socket;
    QTimer *Silence = nullptr; // a child of the socket
    RequestLimits Limits;
    int Requests = 0;
    bool Passing = false;    // the HTTP server is reading the request
    bool Closing = false;    // no further request is read
    bool Discarding = false; // refused: what arrives is dropped
    qint64 Discarded = 0;
    QPointer<QObject> Streaming;
  };

  void Examine(QTcpSocket *socket);
  void HandOver(QTcpSocket *socket, Connection &connection);
  void ResponseSent(QTcpSocket *socket);
  void Refuse(QTcpSocket *socket, int status);

  RequestLimits Limits;
  QHash<QTcpSocket *, Connection> Connections;
};
