// vandrel-tool: see ToolCommands.h. No windows: the core libraries only (and
// fonts, through a screenless GUI application, when it paints a slip).

#include "ToolCommands.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

int main(int argc, char *argv[]) {
  // Started with standard output closed, the first file opened would take
  // its place and receive the output: say so and stop instead.
  if (::fcntl(STDOUT_FILENO, F_GETFD) == -1) {
    std::fputs("vandrel-tool: cannot write the output: standard output is closed\n", stderr);
    return ExitOutputFailed;
  }
  // The application object gives the program's directory, where the sign
  // database is looked for, and decodes the arguments (UTF-8). Painting a
  // slip (--card) needs fonts, so a GUI application without a screen.
  bool paints = false;
  for (int i = 1; i < argc; ++i)
    paints = paints || std::strncmp(argv[i], "--card", 6) == 0;
  std::unique_ptr<QCoreApplication> app;
  if (paints) {
    // The screenless platform remarks on the session it finds (no runtime
    // folder and the like); the tool's own messages are the only ones users
    // should read, one line each.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
      if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "vandrel-tool: %s\n", qPrintable(message));
    });
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QGuiApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  QCoreApplication::setApplicationName(QStringLiteral("vandrel"));
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  return RunVandrelTool(arguments, stdout, stderr);
}
