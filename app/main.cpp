#include "ErrorHandler.h"
#include "Unt_Main.h"
#include "WebPane.h"

int main(int argc, char *argv[]) {
  // The content panes' browser shares its GL contexts with the widgets; Qt
  // requires the attribute before the application object exists.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  VandrelApplication app(argc, argv);
  InstallWebPanes();
  Frmmain = new TFrmmain();
  Frmmain->show();
  const int result = VandrelApplication::exec();
  // The application owns every window it created; destroy them all.
  qDeleteAll(QApplication::topLevelWidgets());
  return result;
}
