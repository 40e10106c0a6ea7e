#include "MovieServer.h"

#include "AppDir.h"
#include "RequestGate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QPointer>
#include <QTcpSocket>
#include <QUrlQuery>

namespace {

// The player page, compiled in as a resource and served at /player.html.
constexpr auto PlayerPagePath = "/player.html";
constexpr auto PlayerPageResource = ":/movies/player.html";

QByteArray MimeTypeOf(const QString &fileName) {
  // The few kinds of file the player and the movies consist of. WebAssembly
  // must carry its own type, or the browser refuses to compile it streaming.
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  if (suffix == u"swf")
    return "application/x-shockwave-flash";
  if (suffix == u"wasm")
    return "application/wasm";
  if (suffix == u"js")
    return "text/javascript; charset=utf-8";
  if (suffix == u"html")
    return "text/html; charset=utf-8";
  if (suffix == u"json" || suffix == u"map")
    return "application/json";
  return "application/octet-stream";
}

// A refusal is never kept by the browser: a file that appears later (a
// repaired installation) must be found by the next window.
void Refuse(QHttpServerResponder &responder, QHttpServerResponder::StatusCode status) {
  responder.write({{"Cache-Control", "no-store"}}, status);
}

bool IsInside(const QString &path, const QString &directory) { return path.startsWith(directory + u'/'); }

// The folder with its links resolved, or nothing while it does not exist.
QString CanonicalFolder(const QString &directory) { return QFileInfo(directory).canonicalFilePath(); }

} // namespace

MovieServer::MovieServer(QObject *parent) : QAbstractHttpServer(parent) {}

void MovieServer::Mount(const QString &name, const QString &directory) {
  Q_ASSERT(!name.isEmpty() && !name.contains(u'/'));
  // The folder need not exist yet: its links are resolved on every request,
  // so a folder that appears later (a repaired installation) is served.
  Mounts.append({name, QDir::cleanPath(QDir(directory).absolutePath())});
}

bool MovieServer::Listen() {
  if (Port != 0)
    return true;
  auto *gate = new RequestGate(this);
  if (!gate->listen(QHostAddress::LocalHost, 0)) {
    delete gate;
    return false;
  }
  bind(gate);
  Gate = gate;
  Port = gate->serverPort();
  return true;
}

QUrl MovieServer::BaseUrl() const {
  if (Port == 0)
    return {};
  return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(Port));
}

QUrl MovieServer::PlayerUrl(const QUrl &movieUrl) const {
  QUrl url = BaseUrl().resolved(QUrl(QString::fromLatin1(PlayerPagePath)));
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("movie"), QString::fromLatin1(movieUrl.toEncoded(QUrl::FullyEncoded)));
  url.setQuery(query);
  return url;
}

std::optional<QUrl> MovieServer::UrlForFile(const QString &path) const {
  if (Port == 0)
    return std::nullopt;
  const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  const QString canonical = QFileInfo(path).canonicalFilePath();
  for (const MountPoint &mount : Mounts) {
    QString rest;
    if (IsInside(clean, mount.Directory))
      rest = clean.mid(mount.Directory.size());
    else if (const QString folder = CanonicalFolder(mount.Directory);
             !canonical.isEmpty() && !folder.isEmpty() && IsInside(canonical, folder))
      rest = canonical.mid(folder.size());
    else
      continue;
    QUrl url = BaseUrl();
    url.setPath(u'/' + mount.Name + rest, QUrl::DecodedMode);
    return url;
  }
  return std::nullopt;
}

std::optional<QString> MovieServer::FileForRequest(const QString &decodedPath) const {
  // Any ".." segment is refused outright, even one that would stay inside.
  const QStringList segments = decodedPath.split(u'/');
  if (segments.contains(QStringLiteral("..")) || decodedPath.contains(QChar(0)) || decodedPath.contains(u'\\'))
    return std::nullopt;
  for (const MountPoint &mount : Mounts) {
    const QString prefix = u'/' + mount.Name + u'/';
    if (!decodedPath.startsWith(prefix))
      continue;
    const QString candidate = QDir::cleanPath(mount.Directory + u'/' + decodedPath.mid(prefix.size()));
    const QFileInfo info(candidate);
    // The canonical path resolves links: a link leading out of the folder is
    // refused like a "..".
    const QString canonical = info.canonicalFilePath();
    const QString folder = CanonicalFolder(mount.Directory);
    if (canonical.isEmpty() || folder.isEmpty() || !info.isFile() || !IsInside(canonical, folder))
      return std::nullopt;
    return canonical;
  }
  return std::nullopt;
}

bool MovieServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) {
  QHttpServerResponder responder = makeResponder(request, socket);
  using Status = QHttpServerResponder::StatusCode;

  // Only this machine's own pages may use the server: a page elsewhere whose
  // host name was made to resolve to 127.0.0.1 sends another Host header.
  const QByteArray expectedHost = "127.0.0.1:" + QByteArray::number(Port);
  if (request.value("Host") != expectedHost) {
    Refuse(responder, Status::Forbidden);
    return true;
  }
  if (request.method() != QHttpServerRequest::Method::Get && request.method() != QHttpServerRequest::Method::Head) {
    responder.write({{"Allow", "GET, HEAD"}, {"Cache-Control", "no-store"}}, Status::MethodNotAllowed);
    return true;
  }
  const bool headOnly = request.method() == QHttpServerRequest::Method::Head;
  const QString path = request.url().path(QUrl::FullyDecoded);

  QString file;
  if (path == QLatin1String(PlayerPagePath)) {
    file = QString::fromLatin1(PlayerPageResource);
  } else if (const std::optional<QString> served = FileForRequest(path)) {
    file = *served;
  } else {
    Refuse(responder, Status::NotFound);
    return true;
  }

  auto *device = new QFile(file);
  if (!device->open(QIODevice::ReadOnly)) {
    delete device;
    Refuse(responder, Status::NotFound);
    return true;
  }
  const QByteArray mimeType = MimeTypeOf(file);
  if (headOnly) {
    // The responder adds its own length (of the empty body); a second,
    // different length would make the browser reject the answer.
    delete device;
    responder.write({{"Content-Type", mimeType}, {"Cache-Control", "no-store"}}, Status::Ok);
    return true;
  }
  // The player's files never change while the program runs: letting the
  // browser keep them (in memory) spares every further movie window the
  // download and lets it reuse the compiled player. A movie is read afresh
  // for each window.
  const QByteArray caching = path.startsWith(u"/ruffle/") ? "max-age=86400" : "no-store";
  // The responder takes the file and streams it; the connection waits for
  // the end before it reads another request or closes.
  if (Gate)
    Gate->StreamsFrom(socket, device);
  responder.write(device, {{"Content-Type", mimeType}, {"Cache-Control", caching}}, Status::Ok);
  return true;
}

void MovieServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) {
  QHttpServerResponder responder = makeResponder(request, socket);
  Refuse(responder, QHttpServerResponder::StatusCode::NotFound);
}

MovieServer *TheMovieServer() {
  static QPointer<MovieServer> server;
  static bool tried = false;
  if (server || tried)
    return server;
  tried = true;
  auto *created = new MovieServer(QCoreApplication::instance());
  const QString appDir = GetAppDir();
  created->Mount(QStringLiteral("ruffle"), appDir + QStringLiteral("ruffle"));
  created->Mount(QStringLiteral("Flash"), appDir + QStringLiteral("Flash"));
  if (!created->Listen()) {
    delete created;
    return nullptr;
  }
  server = created;
  return server;
}
