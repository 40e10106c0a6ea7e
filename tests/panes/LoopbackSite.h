#pragma once
// A stand-in for the publisher's site in tests: an HTTP or HTTPS server on
// 127.0.0.1 at a free port whose answers (status, headers, body, delay, no answer at all)
// each test sets per path. It records every request it receives.

#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QList>
#include <QMap>
#include <QSslConfiguration>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

struct SiteAnswer {
  int Status = 200;
  QByteArray Body;
  QList<std::pair<QByteArray, QByteArray>> Headers;
  int DelayMs = 0;
  // Accept the request and never answer it.
  bool Never = false;
};

struct SeenRequest {
  QHttpServerRequest::Method Method;
  QString Path;
  QMap<QByteArray, QByteArray> Headers; // names in lower case
  QByteArray Body;
};

class LoopbackSite {
public:
  // Plain HTTP; or HTTPS with the certificate and key of tls.
  explicit LoopbackSite(const std::optional<QSslConfiguration> &tls = std::nullopt) : Secure(tls.has_value()) {
    Server.setMissingHandler([this](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
      Respond(request, std::move(responder));
    });
    if (tls)
      Server.sslSetup(*tls);
    Port = Server.listen(QHostAddress::LocalHost, 0);
  }

  bool IsListening() const { return Port != 0; }
  QString Url() const { return QStringLiteral("%1://127.0.0.1:%2").arg(Secure ? u"https" : u"http").arg(Port); }

  // The answers for a path, given in turn; the last one repeats. A path
  // without answers gets 404.
  void Answer(const QString &path, QList<SiteAnswer> answers) { Answers[path] = std::move(answers); }
  void Answer(const QString &path, SiteAnswer answer) { Answer(path, QList<SiteAnswer>{std::move(answer)}); }

  QList<SeenRequest> Seen;

private:
  void Respond(const QHttpServerRequest &request, QHttpServerResponder &&responder) {
    SeenRequest seen{request.method(), request.url().path(QUrl::FullyEncoded), {}, request.body()};
    for (const auto &[name, value] : request.headers())
      seen.Headers.insert(name.toLower(), value);
    const qsizetype turn = std::count_if(Seen.cbegin(), Seen.cend(),
                                         [&](const SeenRequest &earlier) { return earlier.Path == seen.Path; });
    Seen.append(seen);

    SiteAnswer answer{404, "not here", {}, 0, false};
    if (const auto found = Answers.constFind(seen.Path); found != Answers.cend() && !found->isEmpty())
      answer = found->at(std::min(turn, found->size() - 1));
    auto held = std::make_shared<QHttpServerResponder>(std::move(responder));
    if (answer.Never) {
      Held.append(held);
      return;
    }
    auto send = [held, answer] {
      held->writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(answer.Status));
      held->writeHeader("Content-Length", QByteArray::number(answer.Body.size()));
      for (const auto &[name, value] : answer.Headers)
        held->writeHeader(name, value);
      held->writeBody(answer.Body);
    };
    if (answer.DelayMs > 0)
      QTimer::singleShot(answer.DelayMs, &Server, send);
    else
      send();
  }

  bool Secure = false;
  QHttpServer Server;
  quint16 Port = 0;
  QMap<QString, QList<SiteAnswer>> Answers;
  QList<std::shared_ptr<QHttpServerResponder>> Held;
};
