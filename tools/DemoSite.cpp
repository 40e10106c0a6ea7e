// A stand-in for the publisher's site on this machine, for development and
// demos: serves data/demo-site (the page list, the switch document and the
// pages the panes show) and the pictures painted by DemoPictures.cpp, on
// 127.0.0.1 only.
//
// Usage: DemoSite [--port N] [--root DIR] [--document-delay SECONDS] [--page-delay SECONDS]
//                 [--switches XY]
//   --port            port on 127.0.0.1 (default 8088)
//   --root            the site's files (default: data/demo-site of the source tree)
//   --document-delay  answer the page list and the switch document only after
//                     this many seconds (a slow site)
//   --page-delay      answer every other request (the panes' pages, their
//                     style sheets and pictures) only after this many seconds
//   --switches        serve these bytes as the switch document instead of the file
// In the page list, "{site}" stands for this server's own address.

#include "DemoPictures.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QMimeDatabase>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

constexpr const char *PageListPath = "/Chinese/CPC/loginfo.html";
constexpr const char *SwitchDocumentPath = "/Chinese/SysInfo/logFlagfee.htm";

struct Answer {
  int Status = 200;
  QByteArray Type;
  QByteArray Body;
};

Answer NotFound() { return {404, "text/plain; charset=utf-8", "not found\n"}; }

// A file under root for a request path, refusing anything that would leave it.
Answer FileAnswer(const QDir &root, const QString &path) {
  const QString clean = QDir::cleanPath(path);
  if (!clean.startsWith(u'/') || clean.contains(QLatin1String("/..")))
    return NotFound();
  const QFileInfo info(root.absolutePath() + clean);
  if (!info.isFile() || !info.canonicalFilePath().startsWith(root.canonicalPath() + u'/'))
    return NotFound();
  QFile file(info.canonicalFilePath());
  if (!file.open(QIODevice::ReadOnly))
    return NotFound();
  QByteArray type = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).name().toLatin1();
  if (type == "text/html")
    type += "; charset=utf-8";
  return {200, type, file.readAll()};
}

// The command line, checked.
struct SiteOptions {
  quint16 Port = 0;
  QDir Root;
  double DocumentDelay = 0; // seconds
  double PageDelay = 0;     // seconds
  std::optional<QByteArray> Switches;
};

std::optional<SiteOptions> ParseOptions(const QCoreApplication &app) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("The demo publisher site for the content panes, on 127.0.0.1."));
  parser.addHelpOption();
  const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port on 127.0.0.1."),
                                      QStringLiteral("port"), QStringLiteral("8088"));
  const QCommandLineOption rootOption(QStringLiteral("root"), QStringLiteral("The site's files."),
                                      QStringLiteral("dir"), QStringLiteral(VANDREL_DEMO_SITE_DIR));
  const QCommandLineOption delayOption(QStringLiteral("document-delay"),
                                       QStringLiteral("Answer the page list and switch document after this delay."),
                                       QStringLiteral("seconds"), QStringLiteral("0"));
  const QCommandLineOption switchesOption(
      QStringLiteral("switches"), QStringLiteral("Serve these bytes as the switch document."), QStringLiteral("bytes"));
  const QCommandLineOption pageDelayOption(QStringLiteral("page-delay"),
                                           QStringLiteral("Answer everything else after this delay."),
                                           QStringLiteral("seconds"), QStringLiteral("0"));
  parser.addOptions({portOption, rootOption, delayOption, pageDelayOption, switchesOption});
  parser.process(app);

  bool portOk = false;
  const uint port = parser.value(portOption).toUInt(&portOk);
  bool delayOk = false;
  const double delaySeconds = parser.value(delayOption).toDouble(&delayOk);
  bool pageDelayOk = false;
  const double pageDelaySeconds = parser.value(pageDelayOption).toDouble(&pageDelayOk);
  const QDir root(parser.value(rootOption));
  if (!portOk || port > 65535 || !delayOk || delaySeconds < 0 || !pageDelayOk || pageDelaySeconds < 0 || !root.exists())
    return std::nullopt;
  SiteOptions options{static_cast<quint16>(port), root, delaySeconds, pageDelaySeconds, std::nullopt};
  if (parser.isSet(switchesOption))
    options.Switches = parser.value(switchesOption).toLatin1();
  return options;
}

// The answer to one request; document tells the page list and the switch
// document (answered after the document delay) from everything else.
Answer AnswerFor(const QHttpServerRequest &request, const SiteOptions &options,
                 const QMap<QString, QByteArray> &pictures, const QString &site, bool &document) {
  const QString path = request.url().path();
  document = false;
  if (request.method() != QHttpServerRequest::Method::Get)
    return {405, "text/plain; charset=utf-8", "GET only\n"};
  if (path.startsWith(QLatin1String("/pictures/")) && pictures.contains(path.mid(10)))
    return {200, "image/png", pictures.value(path.mid(10))};
  if (path == QLatin1String(SwitchDocumentPath) && options.Switches) {
    document = true;
    return {200, "text/html", *options.Switches};
  }
  Answer answer = FileAnswer(options.Root, path);
  document = path == QLatin1String(PageListPath) || path == QLatin1String(SwitchDocumentPath);
  if (path == QLatin1String(PageListPath)) {
    answer.Body.replace("{site}", site.toLatin1());
    answer.Type = "text/html";
  }
  return answer;
}

} // namespace

int main(int argc, char *argv[]) {
  // Pictures are painted without a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const std::optional<SiteOptions> options = ParseOptions(app);
  if (!options) {
    std::fprintf(stderr, "DemoSite: give a port 0-65535, a delay of 0 or more seconds and an existing --root\n");
    return 2;
  }

  const QMap<QString, QByteArray> pictures = PaintDemoPictures();
  QHttpServer server;
  QString site;
  server.setMissingHandler([&](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
    bool document = false;
    const Answer answer = AnswerFor(request, *options, pictures, site, document);
    auto held = std::make_shared<QHttpServerResponder>(std::move(responder));
    auto send = [held, answer] {
      held->write(answer.Body, {{"Content-Type", answer.Type}, {"Cache-Control", "no-store"}},
                  static_cast<QHttpServerResponder::StatusCode>(answer.Status));
    };
    const double delay = document ? options->DocumentDelay : options->PageDelay;
    if (delay > 0)
      QTimer::singleShot(static_cast<int>(delay * 1000), &server, send);
    else
      send();
  });
  const quint16 listening = server.listen(QHostAddress::LocalHost, options->Port);
  if (listening == 0) {
    std::fprintf(stderr, "DemoSite: cannot listen on 127.0.0.1:%u\n", unsigned(options->Port));
    return 1;
  }
  site = QStringLiteral("http://127.0.0.1:%1").arg(listening);
  std::printf("DemoSite: serving %s at %s\n", qPrintable(options->Root.absolutePath()), qPrintable(site));
  std::fflush(stdout);
  return app.exec();
}
