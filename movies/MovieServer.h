#pragma once
// The loopback file server of the movie windows. The web view that hosts the
// player cannot fetch from a custom URL scheme, so the player's files and the
// movies are served over HTTP from 127.0.0.1 on a port the system chooses.
// The server is read-only and serves nothing but the folders mounted on it and
// the player page; everything else is refused. The connections are read and
// answered by a RequestGate of its own, which streams each file as the
// client takes it (Qt's HTTP server copies a file whole into the socket's
// buffer, however slowly the client reads).

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>

class RequestGate;
struct GateAnswer;
struct GateRequest;

class MovieServer : public QObject {
  Q_OBJECT

public:
  explicit MovieServer(QObject *parent = nullptr);

  // Serves the files under directory (and its subfolders) at the URL path
  // prefix "/<name>/". name is a single path segment.
  void Mount(const QString &name, const QString &directory);

  // Listens on 127.0.0.1 on a free port, behind a RequestGate that bounds
  // each connection's memory and time. False when no port could be had.
  bool Listen();

  // http://127.0.0.1:<port>/, or an empty URL before a successful Listen.
  QUrl BaseUrl() const;

  // The URL of the player page, which plays movieUrl.
  QUrl PlayerUrl(const QUrl &movieUrl) const;

  // The URL under which the file at path is served, or nothing when path lies
  // outside every mounted folder.
  std::optional<QUrl> UrlForFile(const QString &path) const;

  // The file a request path names, or nothing when the server must refuse it:
  // not under a mount, leaving the mount's folder (by "..", an encoded "..",
  // or a link pointing out of it), a folder, or no such file.
  std::optional<QString> FileForRequest(const QString &decodedPath) const;

  // The listening socket, null before a successful Listen.
  RequestGate *Gate() const;

private:
  GateAnswer Answer(const GateRequest &request) const;

  struct MountPoint {
    QString Name;
    QString Directory; // absolute, as mounted, without a trailing separator
  };

  QList<MountPoint> Mounts;
  quint16 Port = 0;
  QPointer<RequestGate> Listening;
};

// The program's one server, mounting "<app dir>/ruffle" at /ruffle/ and
// "<app dir>/Flash" at /Flash/. It is created and started on first use and
// lives as long as the application object. Null when it could not listen.
MovieServer *TheMovieServer();
