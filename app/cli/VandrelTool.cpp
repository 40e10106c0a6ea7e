// vandrel-tool: see ToolCommands.h. No windows: the core libraries only.

#include "ToolCommands.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char *argv[]) {
  // Started with standard output closed, the first file opened would take
  // its place and receive the output: say so and stop instead.
  if (::fcntl(STDOUT_FILENO, F_GETFD) == -1) {
    std::fputs("vandrel-tool: cannot write the output: standard output is closed\n", stderr);
    return ExitOutputFailed;
  }
  // The application object gives the program's directory, where the sign
  // database is looked for, and decodes the arguments (UTF-8).
  QCoreApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  return RunVandrelTool(arguments, stdout, stderr);
}
