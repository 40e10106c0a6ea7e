// Opens one of the program's windows as a user would see it, for screenshots
// under Xvfb at several scale factors. Not a test and not part of the program.
//   WindowViewer main|divination|journal|calendar|about|service|exit|movie [YYYY-MM-DD]
// The divination window shows the report for 云山月 (KelmFile.dll must lie
// beside this executable, and Flash/ with the player for the movie, the lot
// drawing); the calendar opens on the given day. The browser
// seam is stubbed, so no link starts a browser.

#include "DateWin.h"
#include "Desktop.h"
#include "EndMsg.h"
#include "ErrorHandler.h"
#include "Flash.h"
#include "FrmJournal.h"
#include "Uabout.h"
#include "Unt_Main.h"
#include "Unt_servers.h"
#include "Untcezhi.h"

#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[]) {
  VandrelApplication app(argc, argv);
  const auto noBrowser = Desktop::Browser.Replace([](const QString &) {});
  const QString which = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
  const QDate day = argc > 2 ? QDate::fromString(QString::fromLatin1(argv[2]), Qt::ISODate) : QDate(2024, 2, 10);
  const auto fixedDay = Desktop::Clock.Replace([day] { return QDateTime(day, QTime(12, 0)); });

  std::unique_ptr<QWidget> window;
  if (which == QLatin1String("main")) {
    window = std::make_unique<TFrmmain>();
  } else if (which == QLatin1String("divination")) {
    auto divination = std::make_unique<TFrmcezhi>();
    divination->setAttribute(Qt::WA_DeleteOnClose, false); // owned here
    const QString characters[] = {QStringLiteral("云"), QStringLiteral("山"), QStringLiteral("月")};
    int k = 0;
    for (const char *name : {"RzEdit1", "RzEdit2", "RzEdit3"})
      divination->findChild<QLineEdit *>(QString::fromLatin1(name))->setText(characters[k++]);
    divination->RzBitBtn1Click();
    divination->findChild<QPushButton *>(QStringLiteral("RzBitBtn1"))->setFocus();
    window = std::move(divination);
  } else if (which == QLatin1String("journal")) {
    window = std::make_unique<TFrmJournal>(); // the journal of $XDG_DATA_HOME
  } else if (which == QLatin1String("calendar")) {
    window = std::make_unique<TFRM_Date>();
  } else if (which == QLatin1String("about")) {
    window = std::make_unique<TAbout>();
  } else if (which == QLatin1String("service")) {
    window = std::make_unique<TFrm_servers>();
  } else if (which == QLatin1String("exit")) {
    window = std::make_unique<TFrmMsG>();
  } else if (which == QLatin1String("movie")) {
    ShowMovieDivination(2); // a window of its own, destroyed when closed
    FrmFlash->move(0, 0);
    return VandrelApplication::exec();
  } else {
    QTextStream(stderr) << "usage: WindowViewer main|divination|calendar|about|service|exit|movie [YYYY-MM-DD]\n";
    return 2;
  }
  // Placed at the top left of the screen, so that every scale fits.
  window->move(0, 0);
  window->show();
  // Xvfb runs no window manager: activate the window ourselves, so that the
  // keyboard focus shows as it would.
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  return VandrelApplication::exec();
}
