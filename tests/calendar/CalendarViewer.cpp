// Opens the calendar window on a given day, for looking at it as a user would
// (screenshots under Xvfb). Not a test and not part of the program.
//   CalendarViewer 2023-03-22      (QT_SCALE_FACTOR=2 for the doubled scale)

#include "DateWin.h"
#include "Desktop.h"
#include "ErrorHandler.h"

#include <QDate>

int main(int argc, char *argv[]) {
  VandrelApplication app(argc, argv);
  const QDate day = argc > 1 ? QDate::fromString(QString::fromLatin1(argv[1]), Qt::ISODate) : QDate::currentDate();
  const auto fixedDay = Desktop::Clock.Replace(
      [day] { return day.isValid() ? QDateTime(day, QTime(12, 0)) : QDateTime::currentDateTime(); });
  FRM_Date = new TFRM_Date();
  FRM_Date->exec();
  delete FRM_Date.data();
  return 0;
}
