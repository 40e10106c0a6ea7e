#pragma once
// The start-up fetch of the content panes' two documents from the publisher's
// site: the page list once, then the switch document twice (the main pane's
// switch is the first byte of the first copy, the banner pane's the second
// byte of the second copy).
//
// The fetch runs in the background on the caller's thread and reports once
// through Finished; the window appears without waiting for it. Each request is
// a plain HTTP/1.1 GET on a connection of its own, without proxy, cookies or
// cache, carrying the headers Accept "text/html, */*", User-Agent
// "Mozilla/3.0 (compatible; Indy Library)" and Content-Type "text/html" (the
// publisher's site expects these). Only a 2xx answer counts; a redirect is
// not followed and counts as a failure.
//
// The answers are read here, on this thread, byte counts and clock in hand:
// a status line and headers over HeadLimit, a body over BodyLimit, or a
// fetch past its deadline ends the fetch and closes its connection at once,
// whatever the server goes on sending (Qt's own HTTP client reads a head of
// any length, on a thread of its own that an abort does not stop).

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>

class QTcpSocket;
struct HttpHead;

// Why a fetch ended without both switches.
enum class FetchFailure {
  None,      // all three requests succeeded
  Network,   // no connection, connection reset, bad address
  Status,    // an answer outside 2xx, a redirect among them
  TooLarge,  // a head or a body over its size limit
  TimedOut,  // the whole fetch took longer than its deadline
  BadSwitch, // a switch byte that is not a decimal digit, or missing
};

// What the start-up fetch leaves for the panes. On any failure both switches
// are 0; a page list received before the failure is kept.
struct RemoteDocuments {
  QByteArray PageListText;
  int MainFlag = 0;
  int BannerFlag = 0;
  FetchFailure Failure = FetchFailure::None;
};

// The documents' places on the site (appended to the site address).
inline constexpr const char *PageListPath = "/Chinese/CPC/loginfo.html";
inline constexpr const char *SwitchDocumentPath = "/Chinese/SysInfo/logFlagfee.htm";

class RemoteDocumentsFetch : public QObject {
  Q_OBJECT

public:
  // A body larger than this (1 MiB) counts as a failure: the list is a few
  // dozen short lines and the switch document two bytes.
  static constexpr qint64 DefaultBodyLimit = 1 << 20;
  // The status line and headers of an answer: a site sends a few hundred
  // bytes.
  static constexpr qint64 HeadLimit = 16 << 10;
  // The whole fetch, all three requests, ends within this time: a server that
  // accepts the connection and never answers cannot hold the panes blank.
  static constexpr std::chrono::milliseconds DefaultDeadline{15000};

  // siteUrl: scheme and host (and port), no trailing "/".
  explicit RemoteDocumentsFetch(QString siteUrl, QObject *parent = nullptr);
  ~RemoteDocumentsFetch() override;

  void SetDeadline(std::chrono::milliseconds deadline) { Deadline = deadline; }
  void SetBodyLimit(qint64 bytes) { BodyLimit = bytes; }

  // Starts the three requests; Finished follows once, later, never from
  // within Start.
  void Start();
  bool IsRunning() const { return Running; }

signals:
  void Finished(const RemoteDocuments &documents);

private:
  enum class Step { PageList, FirstSwitch, SecondSwitch };
  // Where the reading of the current answer stands.
  enum class Part { Head, Body, ChunkSize, ChunkData, ChunkEnd, Trailer, Done };

  void Request(Step step);
  void OnReadyRead();
  void OnClosed();
  // Reads what has arrived; false once the fetch has ended.
  bool ReadHead();
  bool ReadOneHead();
  // Content-Length and Transfer-Encoding of an answer's head; false once the
  // fetch has ended (lengths that disagree or are no number).
  bool TakeLength(const HttpHead &head, bool &chunked);
  bool ReadChunks();
  void OnAnswer(const QByteArray &body);
  void Fail(FetchFailure failure);
  void Succeed();
  void Abandon(FetchFailure failure);
  void DropConnection();

  QString SiteUrl;
  std::chrono::milliseconds Deadline = DefaultDeadline;
  qint64 BodyLimit = DefaultBodyLimit;
  QPointer<QTcpSocket> Socket;
  QTimer DeadlineTimer;
  Step CurrentStep = Step::PageList;
  Part Reading = Part::Head;
  QByteArray Pending; // received and not yet read: the head, chunk framing
  QByteArray Body;
  int Status = 0;
  qint64 Length = -1; // Content-Length, -1 when the close ends the body
  qint64 ChunkLeft = 0;
  bool Running = false;
  RemoteDocuments Result;
};
