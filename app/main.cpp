#include "ErrorHandler.h"
#include "Unt_Main.h"

int main(int argc, char *argv[]) {
  // The movie windows' web views share OpenGL contexts with the widgets;
  // Qt WebEngine needs this set before the application object exists.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  VandrelApplication app(argc, argv);
  Frmmain = new TFrmmain();
  Frmmain->show();
  const int result = VandrelApplication::exec();
  // The application owns every window it created; destroy them all.
  qDeleteAll(QApplication::topLevelWidgets());
  return result;
}
