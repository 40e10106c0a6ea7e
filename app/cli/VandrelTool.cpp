// vandrel-tool: see ToolCommands.h. No windows: the core libraries only.

#include "ToolCommands.h"

#include <QCoreApplication>

int main(int argc, char *argv[]) {
  // The application object gives the program's directory, where the sign
  // database is looked for, and decodes the arguments (UTF-8).
  QCoreApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  return RunVandrelTool(arguments, stdout, stderr);
}
