#pragma once
// The start-up fetch of the content panes' two documents from the publisher's
// site: the page list once, then the switch document twice (the main pane's
// switch is the first byte of the first copy, the banner pane's the second
// byte of the second copy).
//
// The fetch runs in the background on the caller's thread and reports once
// through Finished; the window appears without waiting for it. Each request is
// a plain HTTP GET without proxy, cookies or cache, carrying the headers
// Accept "text/html, */*", User-Agent "Mozilla/3.0 (compatible; Indy Library)"
// and Content-Type "text/html" (the publisher's site expects these). Only a
// 2xx answer counts; a redirect is not followed and counts as a failure.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

// Why a fetch ended without both switches.
enum class FetchFailure {
  None,      // all three requests succeeded
  Network,   // no connection, connection reset, bad address
  Status,    // an answer outside 2xx, a redirect among them
  TooLarge,  // a body over the size limit
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

  void Request(Step step);
  void OnReplyFinished(QNetworkReply *reply);
  void Fail(FetchFailure failure);
  void Succeed();
  void Abandon(FetchFailure failure);

  QString SiteUrl;
  std::chrono::milliseconds Deadline = DefaultDeadline;
  qint64 BodyLimit = DefaultBodyLimit;
  QNetworkAccessManager *Manager = nullptr;
  QPointer<QNetworkReply> Current;
  QTimer DeadlineTimer;
  Step CurrentStep = Step::PageList;
  // Set when this side aborts the current reply, so its finish is read as that.
  FetchFailure AbortReason = FetchFailure::None;
  bool Running = false;
  RemoteDocuments Result;
};
