#include "RemoteDocuments.h"

#include "PageRotation.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <utility>

RemoteDocumentsFetch::RemoteDocumentsFetch(QString siteUrl, QObject *parent)
    : QObject(parent), SiteUrl(std::move(siteUrl)), Manager(new QNetworkAccessManager(this)) {
  Manager->setProxy(QNetworkProxy::NoProxy);
  Manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
  DeadlineTimer.setSingleShot(true);
  connect(&DeadlineTimer, &QTimer::timeout, this, [this] { Abandon(FetchFailure::TimedOut); });
}

RemoteDocumentsFetch::~RemoteDocumentsFetch() {
  // A reply still under way must not report into a fetch that is gone.
  if (Current) {
    Current->disconnect(this);
    Current->abort();
  }
}

void RemoteDocumentsFetch::Start() {
  if (Running)
    return;
  Running = true;
  Result = RemoteDocuments();
  AbortReason = FetchFailure::None;
  DeadlineTimer.start(Deadline);
  // QNetworkAccessManager reports even an immediate failure from the event
  // loop, so Finished never comes from within Start.
  Request(Step::PageList);
}

void RemoteDocumentsFetch::Request(Step step) {
  CurrentStep = step;
  const char *path = step == Step::PageList ? PageListPath : SwitchDocumentPath;
  QNetworkRequest request(QUrl(SiteUrl + QLatin1String(path)));
  request.setRawHeader("Accept", "text/html, */*");
  request.setRawHeader("User-Agent", "Mozilla/3.0 (compatible; Indy Library)");
  request.setRawHeader("Content-Type", "text/html");
  // Each request stands alone: no cookies carried from one to the next, no
  // cached copy, plain HTTP/1.1.
  request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
  request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);

  QNetworkReply *reply = Manager->get(request);
  Current = reply;
  connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > BodyLimit)
      Abandon(FetchFailure::TooLarge);
  });
  connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
    if (reply->bytesAvailable() > BodyLimit)
      Abandon(FetchFailure::TooLarge);
  });
  connect(reply, &QNetworkReply::finished, this, [this, reply] { OnReplyFinished(reply); });
}

void RemoteDocumentsFetch::OnReplyFinished(QNetworkReply *reply) {
  reply->deleteLater();
  if (!Running || reply != Current)
    return;
  Current = nullptr;
  if (AbortReason != FetchFailure::None)
    return Fail(AbortReason);

  const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (!status.isValid())
    return Fail(FetchFailure::Network);
  if (const int code = status.toInt(); code < 200 || code > 299)
    return Fail(FetchFailure::Status);
  // A 2xx answer cut short (connection reset in the body) is no document.
  if (reply->error() != QNetworkReply::NoError)
    return Fail(FetchFailure::Network);
  const QByteArray body = reply->readAll();
  if (body.size() > BodyLimit)
    return Fail(FetchFailure::TooLarge);

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

void RemoteDocumentsFetch::Abandon(FetchFailure failure) {
  if (!Running)
    return;
  if (!Current)
    return Fail(failure);
  // abort() finishes the reply at once; OnReplyFinished reads the reason.
  AbortReason = failure;
  Current->abort();
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
