// Opens the calendar window on a given day, for looking at it as a user would
// (screenshots under Xvfb). Not a test and not part of the program.
//   CalendarViewer 2023-03-22      (QT_SCALE_FACTOR=2 for the doubled scale)
//   CalendarViewer 2023-03-22 --grab DIR   writes DIR/almanac-tooltip.png (the
//     selected day's tooltip over the calendar) and DIR/almanac-window.png (the
//     day's almanac window, opened by Enter), then quits.

#include "DateWin.h"
#include "Desktop.h"
#include "ErrorHandler.h"

#include <QCursor>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QToolTip>

namespace {

// The calendar with the tooltip of the selected day's cell drawn where it shows.
void GrabTooltip(const QString &dir) {
  QLabel *cell = nullptr;
  for (QLabel *label : FRM_Date->findChildren<QLabel *>())
    if (label->objectName().startsWith(QStringLiteral("DayLabel")) && label->isVisible() &&
        label->geometry().contains(FRM_Date->findChild<QWidget *>(QStringLiteral("Shape2"))->geometry().center()))
      cell = label;
  QPixmap shot = FRM_Date->grab();
  if (cell) {
    // The tooltip's text in the tooltip's own looks, drawn under the cell.
    QLabel tipLabel(cell->toolTip());
    tipLabel.setPalette(QToolTip::palette());
    tipLabel.setAutoFillBackground(true);
    tipLabel.setFont(QToolTip::font());
    tipLabel.setMargin(4);
    tipLabel.setFrameStyle(QFrame::Box | QFrame::Plain);
    tipLabel.adjustSize();
    const QPixmap tip = tipLabel.grab();
    const int left = std::max(0, cell->x() - tip.width() / 2);
    QPixmap both(std::max(shot.width(), left + tip.width()), std::max(shot.height(), cell->y() + 34 + tip.height()));
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(0, 0, shot);
    painter.drawPixmap(left, cell->y() + 34, tip);
    painter.end();
    shot = both;
  }
  shot.save(dir + QStringLiteral("/almanac-tooltip.png"));
}

} // namespace

int main(int argc, char *argv[]) {
  VandrelApplication app(argc, argv);
  const QDate day = argc > 1 ? QDate::fromString(QString::fromLatin1(argv[1]), Qt::ISODate) : QDate::currentDate();
  const auto fixedDay = Desktop::Clock.Replace(
      [day] { return day.isValid() ? QDateTime(day, QTime(12, 0)) : QDateTime::currentDateTime(); });
  FRM_Date = new TFRM_Date();
  if (argc > 3 && QString::fromLatin1(argv[2]) == QStringLiteral("--grab")) {
    const QString dir = QString::fromLocal8Bit(argv[3]);
    QTimer::singleShot(500, [dir] {
      GrabTooltip(dir);
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QApplication::sendEvent(FRM_Date, &enter);
      QTimer::singleShot(500, [dir] {
        for (QWidget *widget : QApplication::topLevelWidgets())
          if (widget->inherits("TFrmAlmanac") && widget->isVisible())
            widget->grab().save(dir + QStringLiteral("/almanac-window.png"));
        QApplication::exit(0);
      });
    });
  }
  FRM_Date->exec();
  delete FRM_Date.data();
  return 0;
}
