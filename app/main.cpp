#include "ErrorHandler.h"
#include "Flash.h"
#include "Unt_Main.h"
#include "WebPane.h"

#include <QTimer>

int main(int argc, char *argv[]) {
  // The movie windows and the content panes host Qt WebEngine views, which
  // share OpenGL contexts with the widgets: set before the application exists.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  VandrelApplication app(argc, argv);
  InstallWebPanes();
  InstallMovieWindows();
  Frmmain = new TFrmmain();
  Frmmain->show();
  // Once the window stands and its first events are done.
  QTimer::singleShot(1500, Frmmain, [] { WarmUpMoviePlayer(); });
  const int result = VandrelApplication::exec();
  // The application owns every window it created; destroy them all.
  qDeleteAll(QApplication::topLevelWidgets());
  return result;
}
