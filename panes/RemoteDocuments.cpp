#include "RemoteDocuments.h"

#include "HttpHead.h"
#include "PageRotation.h"

#include <QNetworkProxy>
#include <QSslSocket>
#include <QTcpSocket>
#include <QUrl>

#include <optional>
#include <utility>

namespace {

// Chunk-size lines and trailer lines of a chunked body: a hexadecimal length
// and perhaps an extension, some ten bytes.
constexpr qsizetype FramingLineLimit = 1024;
// The most read from the socket at once.
constexpr qint64 ReadPiece = 64 << 10;

// The first line ending at or after from: the index after its LF and the
// line without CR LF, or nothing while it is incomplete.
std::optional<std::pair<qsizetype, QByteArray>> TakeLine(const QByteArray &bytes, qsizetype from = 0) {
  const qsizetype end = bytes.indexOf('\n', from);
  if (end < 0)
    return std::nullopt;
  QByteArray line = bytes.mid(from, end - from);
  if (line.endsWith('\r'))
    line.chop(1);
  return std::pair{end + 1, line};
}

} // namespace

RemoteDocumentsFetch::RemoteDocumentsFetch(QString siteUrl, QObject *parent)
    : QObject(parent), SiteUrl(std::move(siteUrl)) {
  DeadlineTimer.setSingleShot(true);
  connect(&DeadlineTimer, &QTimer::timeout, this, [this] { Abandon(FetchFailure::TimedOut); });
}

RemoteDocumentsFetch::~RemoteDocumentsFetch() { DropConnection(); }

void RemoteDocumentsFetch::Start() {
  if (Running)
    return;
  Running = true;
  Result = RemoteDocuments();
  DeadlineTimer.start(Deadline);
  // From the event loop: even a connection refused at once is reported
  // later, so Finished never comes from within Start.
  QMetaObject::invokeMethod(
      this, [this] { Request(Step::PageList); }, Qt::QueuedConnection);
}

void RemoteDocumentsFetch::Request(Step step) {
  if (!Running)
    return;
  DropConnection();
  CurrentStep = step;
  Reading = Part::Head;
  Pending.clear();
  Body.clear();
  Status = 0;
  Length = -1;
  ChunkLeft = 0;

  const char *path = step == Step::PageList ? PageListPath : SwitchDocumentPath;
  const QUrl site(SiteUrl);
  const bool secure = site.scheme() == u"https";
  if (!site.isValid() || site.host().isEmpty() || (!secure && site.scheme() != u"http") ||
      (secure && !QSslSocket::supportsSsl()))
    return Abandon(FetchFailure::Network);
  const quint16 port = quint16(site.port(secure ? 443 : 80));
  QByteArray host = site.host(QUrl::FullyEncoded).toLatin1();
  if (host.contains(':'))
    host = '[' + host + ']';
  if (site.port() != -1)
    host += ':' + QByteArray::number(site.port());

  QTcpSocket *socket = secure ? new QSslSocket(this) : new QTcpSocket(this);
  Socket = socket;
  socket->setProxy(QNetworkProxy::NoProxy);
  socket->setReadBufferSize(ReadPiece);
  connect(socket, &QTcpSocket::readyRead, this, &RemoteDocumentsFetch::OnReadyRead);
  connect(socket, &QTcpSocket::disconnected, this, &RemoteDocumentsFetch::OnClosed);
  connect(socket, &QTcpSocket::errorOccurred, this, &RemoteDocumentsFetch::OnClosed);
  if (secure)
    static_cast<QSslSocket *>(socket)->connectToHostEncrypted(site.host(), port);
  else
    socket->connectToHost(site.host(), port);
  // Sent once connected. Each request stands alone: no cookies, no cache,
  // the connection closed after the answer.
  socket->write("GET " + QByteArray(path) + " HTTP/1.1\r\nHost: " + host +
                "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                "Content-Type: text/html\r\nConnection: close\r\n\r\n");
}

void RemoteDocumentsFetch::OnReadyRead() {
  while (Running && Socket && Socket->bytesAvailable() > 0) {
    const QByteArray piece = Socket->read(ReadPiece);
    if (Reading == Part::Head || Reading == Part::ChunkSize || Reading == Part::ChunkEnd || Reading == Part::Trailer ||
        Reading == Part::ChunkData) {
      Pending += piece;
    } else if (Reading == Part::Body) {
      Body += piece;
    }
    if (Reading == Part::Head && !ReadHead())
      return;
    if (Reading >= Part::ChunkSize && Reading <= Part::Trailer && !ReadChunks())
      return;
    if (Body.size() > BodyLimit)
      return Abandon(FetchFailure::TooLarge);
    if (Reading == Part::Body && Length >= 0 && Body.size() >= Length) {
      Body.truncate(Length);
      Reading = Part::Done;
    }
    if (Reading == Part::Done)
      return OnAnswer(Body);
  }
}

bool RemoteDocumentsFetch::ReadHead() {
  // Interim answers (100 Continue and the like) come before the answer.
  do {
    if (!ReadOneHead())
      return false;
  } while (Reading == Part::Head && Status != 0 && Status < 200);
  return true;
}

bool RemoteDocumentsFetch::ReadOneHead() {
  Status = 0;
  const HttpHead head = ReadHttpHead(Pending, {HeadLimit, HeadLimit});
  if (head.State == HttpHeadState::StartLineTooLong || head.State == HttpHeadState::TooLarge) {
    Abandon(FetchFailure::TooLarge);
    return false;
  }
  if (head.State == HttpHeadState::Incomplete)
    return true; // more to come
  Pending.remove(0, head.Size);
  // "HTTP/1.x 200 OK"
  bool number = false;
  Status = head.StartLine.value(1).toInt(&number);
  if (!head.StartLine.value(0).startsWith("HTTP/1.") || !number || Status < 100 || Status > 999) {
    Abandon(FetchFailure::Network);
    return false;
  }
  if (Status < 200)
    return true;
  if (Status > 299) {
    Abandon(FetchFailure::Status);
    return false;
  }
  bool chunked = false;
  if (!TakeLength(head, chunked))
    return false;
  if (chunked) {
    Length = -1;
    Reading = Part::ChunkSize;
    return ReadChunks();
  }
  if (Length > BodyLimit) {
    Abandon(FetchFailure::TooLarge);
    return false;
  }
  Reading = Status == 204 || Status == 205 || Length == 0 ? Part::Done : Part::Body;
  if (Reading == Part::Body)
    Body = std::exchange(Pending, {});
  return true;
}

bool RemoteDocumentsFetch::TakeLength(const HttpHead &head, bool &chunked) {
  for (const QByteArray &value : head.Values("content-length")) {
    bool ok = false;
    const qint64 length = value.toLongLong(&ok);
    if (!ok || length < 0 || (Length >= 0 && length != Length)) {
      Abandon(FetchFailure::Network);
      return false;
    }
    Length = length;
  }
  for (const QByteArray &value : head.Values("transfer-encoding"))
    chunked = value.toLower().contains("chunked");
  return true;
}

bool RemoteDocumentsFetch::ReadChunks() {
  for (;;) {
    if (Reading == Part::ChunkData) {
      const qint64 take = qMin<qint64>(ChunkLeft, Pending.size());
      Body += Pending.left(take);
      Pending.remove(0, take);
      ChunkLeft -= take;
      if (ChunkLeft > 0)
        return true;
      Reading = Part::ChunkEnd;
    }
    const std::optional<std::pair<qsizetype, QByteArray>> line = TakeLine(Pending);
    if (!line) {
      if (Pending.size() > FramingLineLimit) {
        Abandon(FetchFailure::Network);
        return false;
      }
      return true;
    }
    Pending.remove(0, line->first);
    if (Reading == Part::ChunkEnd) {
      if (!line->second.isEmpty()) {
        Abandon(FetchFailure::Network);
        return false;
      }
      Reading = Part::ChunkSize;
    } else if (Reading == Part::ChunkSize) {
      bool ok = false;
      // A chunk extension (";name=value") follows the size; most chunks have none.
      const qsizetype extension = line->second.indexOf(';');
      const QByteArray size = (extension < 0 ? line->second : line->second.first(extension)).trimmed();
      ChunkLeft = size.toLongLong(&ok, 16);
      if (!ok || ChunkLeft < 0) {
        Abandon(FetchFailure::Network);
        return false;
      }
      if (Body.size() + ChunkLeft > BodyLimit) {
        Abandon(FetchFailure::TooLarge);
        return false;
      }
      Reading = ChunkLeft == 0 ? Part::Trailer : Part::ChunkData;
    } else if (line->second.isEmpty()) { // the empty line after the trailer
      Reading = Part::Done;
      return true;
    }
  }
}

void RemoteDocumentsFetch::OnClosed() {
  if (!Running || !Socket)
    return;
  // What arrived before the close is read first.
  OnReadyRead();
  if (!Running || !Socket)
    return;
  if (Reading == Part::Body && Length < 0)
    return OnAnswer(Body); // the close ends a body without a length
  // Refused, reset, or closed before the answer was whole.
  Abandon(FetchFailure::Network);
}

void RemoteDocumentsFetch::OnAnswer(const QByteArray &body) {
  DropConnection();
  switch (CurrentStep) {
  case Step::PageList:
    Result.PageListText = body;
    return Request(Step::FirstSwitch);
  case Step::FirstSwitch:
    if (const std::optional<int> value = SwitchValue(body, 0)) {
      Result.MainFlag = *value;
      return Request(Step::SecondSwitch);
    }
    return Fail(FetchFailure::BadSwitch);
  case Step::SecondSwitch:
    if (const std::optional<int> value = SwitchValue(body, 1)) {
      Result.BannerFlag = *value;
      return Succeed();
    }
    return Fail(FetchFailure::BadSwitch);
  }
}

void RemoteDocumentsFetch::DropConnection() {
  if (!Socket)
    return;
  QTcpSocket *socket = Socket;
  Socket = nullptr;
  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
}

void RemoteDocumentsFetch::Abandon(FetchFailure failure) {
  if (!Running)
    return;
  DropConnection();
  Fail(failure);
}

void RemoteDocumentsFetch::Fail(FetchFailure failure) {
  Running = false;
  DeadlineTimer.stop();
  Result.MainFlag = 0;
  Result.BannerFlag = 0;
  Result.Failure = failure;
  emit Finished(Result);
}

void RemoteDocumentsFetch::Succeed() {
  Running = false;
  DeadlineTimer.stop();
  Result.Failure = FetchFailure::None;
  emit Finished(Result);
}
