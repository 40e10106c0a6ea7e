#include "ErrorHandler.h"
#include "Unt_Main.h"

int main(int argc, char *argv[]) {
  VandrelApplication app(argc, argv);
  Frmmain = new TFrmmain();
  Frmmain->show();
  const int result = VandrelApplication::exec();
  // The application owns every window it created; destroy them all.
  qDeleteAll(QApplication::topLevelWidgets());
  return result;
}
