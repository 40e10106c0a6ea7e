// The calendar window: its designed controls, the month grid and its lunar
// lines, the selection, the spinners, "今天" and closing on deactivation.
// Today is fixed through the program's clock seam.

#include "AlmanacWin.h"
#include "Answers.h"
#include "DateWin.h"
#include "DesignFonts.h"
#include "Desktop.h"
#include "ReuseWindow.h"
#include "RzWidgets.h"
#include "UpDown.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

using namespace std::chrono;

namespace {

DateValue Day(int y, unsigned m, unsigned d) { return EncodeDate(year{y} / month{m} / day{d}); }

QColor TextColor(const QWidget *widget) { return widget->palette().color(QPalette::WindowText); }

} // namespace

class tst_DateWin : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void init();
  void cleanup();
  void daysOfMonth_data();
  void daysOfMonth();
  void clampedEncodeDate_data();
  void clampedEncodeDate();
  void designedControls_data();
  void designedControls();
  void windowLooks();
  void cellsFollowTheTemplates();
  void monthUsesCells_data();
  void monthUsesCells();
  void lunarLine_data();
  void lunarLine();
  void thirtyFirstThroughShorterMonths_data();
  void thirtyFirstThroughShorterMonths();
  void pressMovesHighlightClickSelects();
  void labelsSwitchSpinners();
  void spinnersStopAtTheirBounds();
  void todayRestoresEverything();
  void todayOutsideTheTable();
  void deactivationClosesTheWindow();
  void cellsCarryTheAlmanacInBrief();
  void enterOpensTheAlmanacAndKeepsTheCalendar();
  void doubleClickOpensTheDaysAlmanac();
  void openingTwiceLeavesOneInstance();
  void arrowKeysClickNeighbouringCells_data();
  void arrowKeysClickNeighbouringCells();
  void arrowKeysFromACutThirtyFirst();
  void pageKeysAndWheelStepTheSpinners_data();
  void pageKeysAndWheelStepTheSpinners();
  void wheelCountsNotchesOverTheGridOnly();
  void homeKeyActsAsToday();
  void selectedCellIsDescribed_data();
  void selectedCellIsDescribed();
  void descriptionFollowsTheSelection();
  void dayMenuOpensOverCells();
  void exportCalendar_data();
  void exportCalendar();

private:
  void OpenOn(DateValue today);
  template <class T = QWidget> T *Control(const char *name) const {
    return Window->findChild<T *>(QString::fromLatin1(name));
  }
  // The cell showing day d of the shown month, or 0.
  int CellOfDay(int d) const;

  // A wheel turn of `delta` eighths of a degree at `where` in `target`.
  static void Wheel(QWidget *target, QPoint where, int delta, Qt::KeyboardModifiers modifiers = {});

  DateValue TodayValue = 0;
  // Today is TodayValue, at noon.
  const Seam<QDateTime()>::Override FixedClock{Desktop::Clock,
                                               [this] { return QDateTime(QDateOf(TodayValue), QTime(12, 0)); }};
  TFRM_Date *Window = nullptr;
};

void tst_DateWin::initTestCase() { InstallFontSubstitutions(); }

void tst_DateWin::init() { OpenOn(Day(2023, 3, 22)); }

void tst_DateWin::cleanup() {
  delete Window;
  Window = nullptr;
}

void tst_DateWin::OpenOn(DateValue today) {
  delete Window;
  TodayValue = today;
  Window = new TFRM_Date();
  Window->show();
}

int tst_DateWin::CellOfDay(int d) const {
  for (int i = 1; i <= TFRM_Date::CellCount; ++i)
    if (Window->DayLabel(i)->isVisibleTo(Window) && Window->DayLabel(i)->text() == QString::number(d))
      return i;
  return 0;
}

void tst_DateWin::daysOfMonth_data() {
  QTest::addColumn<int>("y");
  QTest::addColumn<int>("m");
  QTest::addColumn<int>("days");
  QTest::newRow("January") << 2023 << 1 << 31;
  QTest::newRow("April") << 2023 << 4 << 30;
  QTest::newRow("February of a common year") << 2023 << 2 << 28;
  QTest::newRow("February of a leap year") << 2024 << 2 << 29;
  QTest::newRow("February 1900, divisible by 100") << 1900 << 2 << 28;
  QTest::newRow("February 2000, divisible by 400") << 2000 << 2 << 29;
  QTest::newRow("month 0") << 2023 << 0 << 0;
  QTest::newRow("month 13") << 2023 << 13 << 0;
}

void tst_DateWin::daysOfMonth() {
  QFETCH(int, y);
  QFETCH(int, m);
  QFETCH(int, days);
  QCOMPARE(DaysOfMonth(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m)), days);
  if (days > 0)
    QCOMPARE(DaysOfMonthOfDate(Day(y, static_cast<unsigned>(m), 15)), days);
}

void tst_DateWin::clampedEncodeDate_data() {
  QTest::addColumn<int>("y");
  QTest::addColumn<int>("m");
  QTest::addColumn<int>("d");
  QTest::addColumn<DateValue>("date");
  QTest::newRow("valid day") << 2023 << 3 << 22 << Day(2023, 3, 22);
  QTest::newRow("31 cut to February") << 2023 << 2 << 31 << Day(2023, 2, 28);
  QTest::newRow("31 cut to a leap February") << 2024 << 2 << 31 << Day(2024, 2, 29);
  QTest::newRow("31 cut to April") << 2023 << 4 << 31 << Day(2023, 4, 30);
  QTest::newRow("day 0 raised to 1") << 2023 << 4 << 0 << Day(2023, 4, 1);
  QTest::newRow("month 13 brought to December") << 2023 << 13 << 5 << Day(2023, 12, 5);
}

void tst_DateWin::clampedEncodeDate() {
  QFETCH(int, y);
  QFETCH(int, m);
  QFETCH(int, d);
  QFETCH(DateValue, date);
  QCOMPARE(
      ClampedEncodeDate(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m), static_cast<std::uint16_t>(d)),
      date);
}

void tst_DateWin::designedControls_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("geometry");
  QTest::addColumn<int>("pixelSize");
  QTest::addColumn<QColor>("color");
  // Colours as red, green, blue: the design's stored values (0x00BBGGRR) read
  // by hand, so that a byte-order slip in the window shows here.
  const QColor black(0, 0, 0), red(255, 0, 0);
  QTest::newRow("Label1 year") << "Label1" << QRect(120, 0, 76, 41) << 29 << QColor(0, 0, 255);
  const char *weekdays[] = {"Label2", "Label3", "Label4", "Label5", "Label6", "Label7", "Label8"};
  const char *footers[] = {"Label9", "Label10", "Label11", "Label12", "Label13", "Label14", "Label15"};
  for (int k = 0; k < 7; ++k) {
    const QColor color = k == 0 || k == 6 ? red : black;
    QTest::newRow(weekdays[k]) << weekdays[k] << QRect(19 + 40 * k, 40, 36, 12) << 12 << color;
    QTest::newRow(footers[k]) << footers[k] << QRect(20 + 40 * k, 253, 36, 12) << 12 << color;
  }
  QTest::newRow("day1 template") << "day1" << QRect(14, 56, 36, 16) << 14 << black;
  QTest::newRow("Cnday template") << "Cnday" << QRect(13, 73, 36, 12) << 12 << QColor(0, 64, 0);
  QTest::newRow("Label16 month watermark") << "Label16" << QRect(16, 146, 313, 134) << 120 << QColor(235, 235, 235);
  QTest::newRow("Label17 month") << "Label17" << QRect(10, 3, 36, 37) << 32 << QColor(128, 128, 192);
  QTest::newRow("Label18") << "Label18" << QRect(45, 17, 15, 14) << 14 << black;
  QTest::newRow("Label19") << "Label19" << QRect(205, 17, 15, 14) << 14 << black;
  QTest::newRow("Label20 year watermark") << "Label20" << QRect(0, 56, 313, 72) << 64 << QColor(255, 232, 221);
  QTest::newRow("StaticText1 today") << "StaticText1" << QRect(272, 17, 28, 16) << 12 << black;
  QTest::newRow("Label21 zodiac") << "Label21" << QRect(230, 212, 78, 35) << 35 << QColor(221, 221, 255);
  QTest::newRow("Label22 star sign") << "Label22" << QRect(152, 223, 69, 23) << 19 << QColor(255, 128, 255);
  QTest::newRow("Bevel1") << "Bevel1" << QRect(9, 240, 297, 10) << 0 << QColor();
  QTest::newRow("Bevel2") << "Bevel2" << QRect(9, 46, 297, 10) << 0 << QColor();
  QTest::newRow("UpDown1") << "UpDown1" << QRect(221, 10, 16, 24) << 0 << QColor();
  QTest::newRow("UpDown2") << "UpDown2" << QRect(61, 10, 16, 24) << 0 << QColor();
  QTest::newRow("Image1") << "Image1" << QRect(9, 56, 297, 191) << 0 << QColor();
  QTest::newRow("Shape1 frame") << "Shape1" << QRect(0, 0, 331, 285) << 0 << QColor();
}

void tst_DateWin::designedControls() {
  QFETCH(QString, name);
  QFETCH(QRect, geometry);
  QFETCH(int, pixelSize);
  QFETCH(QColor, color);
  auto *widget = Window->findChild<QWidget *>(name);
  QVERIFY(widget);
  QCOMPARE(widget->parentWidget(), Window);
  widget->ensurePolished();
  if (name != QLatin1String("Label16") && name != QLatin1String("Shape2")) // Shape2 and Label16 move with the month
    QCOMPARE(widget->geometry(), geometry);
  else
    QCOMPARE(widget->size(), geometry.size());
  if (pixelSize > 0)
    QCOMPARE(widget->font().pixelSize(), pixelSize);
  if (color.isValid())
    QCOMPARE(TextColor(widget), color);
}

void tst_DateWin::windowLooks() {
  QCOMPARE(Window->size(), QSize(331, 285));
  QCOMPARE(Window->windowTitle(), QStringLiteral("Orlen日历"));
  QVERIFY(!(Window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
  QVERIFY(Window->windowFlags() & Qt::WindowCloseButtonHint);
  QCOMPARE(Window->font().pixelSize(), 12);
  QVERIFY(Window->font().family() == QStringLiteral("宋体"));
  QCOMPARE(Control<QLabel>("Label1")->font().weight(), QFont::Black);
  QVERIFY(Control<QLabel>("Label21")->font().bold() && Control<QLabel>("Label22")->font().bold());
  QCOMPARE(Control("Label1")->toolTip(), QStringLiteral("单击改变年份"));
  QCOMPARE(Control("Label17")->toolTip(), QStringLiteral("单击改变月份"));
  for (const char *name : {"Label1", "Label17", "StaticText1"})
    QCOMPARE(Control(name)->cursor().shape(), Qt::PointingHandCursor);
  QCOMPARE(Control<QLabel>("StaticText1")->text(), QStringLiteral("今天"));
  QVERIFY(!Control("day1")->isVisible() && !Control("Cnday")->isVisible());
  QVERIFY(Control("UpDown1")->isVisible() && Control("UpDown2")->isVisible());
  QCOMPARE(Control<UpDown>("UpDown1")->minimum(), 1901);
  QCOMPARE(Control<UpDown>("UpDown1")->maximum(), 2050);
  QCOMPARE(Control<UpDown>("UpDown2")->minimum(), 1);
  QCOMPARE(Control<UpDown>("UpDown2")->maximum(), 12);
  // Drawing order: the frame lowest, the cells over highlight and watermarks.
  const QObjectList children = Window->children();
  const auto order = [&children](const QObject *child) { return children.indexOf(child); };
  QCOMPARE(order(Control("Shape1")), 0);
  for (const char *name : {"Shape2", "Label16", "Label20", "Label21", "Label22"})
    QVERIFY2(order(Control(name)) < order(Window->DayLabel(1)), name);
  // The watermarks stay behind the highlight.
  QVERIFY(order(Control("Label16")) < order(Control("Shape2")) && order(Control("Label20")) < order(Control("Shape2")));
}

void tst_DateWin::cellsFollowTheTemplates() {
  const int children = Window->findChildren<QLabel *>().size();
  struct {
    int cell;
    QPoint day, lunar;
  } places[] = {
      {1, {14, 56}, {13, 73}}, {7, {266, 56}, {265, 73}}, {8, {14, 88}, {13, 105}}, {37, {56, 216}, {55, 233}}};
  for (const auto &place : places) {
    QCOMPARE(Window->DayLabel(place.cell)->geometry(), QRect(place.day, QSize(36, 16)));
    QCOMPARE(Window->LunarLabel(place.cell)->geometry(), QRect(place.lunar, QSize(36, 12)));
  }
  QCOMPARE(Window->DayLabel(1)->alignment(), Qt::AlignCenter);
  QCOMPARE(Window->LunarLabel(1)->font().pixelSize(), 12);
  // 11 points at 96 dpi once a month is shown.
  QCOMPARE(Window->DayLabel(1)->font().pixelSize(), 15);
  QCOMPARE(Window->DayLabel(1)->font().weight(), QFont::Black);
  // Showing months creates no control.
  Window->ShowMonth(Day(2020, 8, 1));
  Window->ShowMonth(Day(2015, 2, 1));
  QCOMPARE(Window->findChildren<QLabel *>().size(), children);
}

void tst_DateWin::monthUsesCells_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("last");
  QTest::newRow("31 days from a Saturday: August 2020") << Day(2020, 8, 10) << 7 << 37;
  QTest::newRow("28 days from a Sunday: February 2015") << Day(2015, 2, 10) << 1 << 28;
  QTest::newRow("29 days from a Thursday: February 2024") << Day(2024, 2, 10) << 5 << 33;
}

void tst_DateWin::monthUsesCells() {
  QFETCH(DateValue, date);
  QFETCH(int, first);
  QFETCH(int, last);
  Window->ShowMonth(Day(2023, 12, 1)); // a month using other cells first
  Window->ShowMonth(date);
  for (int i = 1; i <= TFRM_Date::CellCount; ++i) {
    const bool used = i >= first && i <= last;
    QCOMPARE(Window->DayLabel(i)->isVisible(), used);
    QCOMPARE(Window->LunarLabel(i)->isVisible(), used);
    if (used) {
      QCOMPARE(Window->DayLabel(i)->text(), QString::number(i - first + 1));
      QCOMPARE(Window->LunarLabel(i)->property("tag").toInt(), i - first + 1);
      QCOMPARE(TextColor(Window->DayLabel(i)), QColor(Qt::black));
    }
  }
}

void tst_DateWin::lunarLine_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QColor>("color");
  const QColor orange(255, 128, 0), blue(83, 83, 255), red(255, 0, 0), green(0, 64, 0);
  QTest::newRow("spring festival over the month name") << Day(2024, 2, 10) << "春节" << orange;
  QTest::newRow("eve") << Day(2024, 2, 9) << "除夕" << orange;
  QTest::newRow("first day of a leap month") << Day(2023, 3, 22) << "闰二" << red;
  QTest::newRow("first day of a month") << Day(2023, 5, 19) << "四月" << red;
  QTest::newRow("solar term over Father's Day") << Day(2020, 6, 21) << "夏至" << blue;
  QTest::newRow("solar term over journalists' day") << Day(2023, 11, 8) << "立冬" << blue;
  QTest::newRow("Gregorian festival") << Day(2023, 3, 8) << "妇女节" << orange;
  QTest::newRow("Mother's Day, a weekday rule") << Day(2024, 5, 12) << "母亲节" << orange;
  QTest::newRow("lunar festival over a Gregorian one") << Day(2006, 10, 6) << "中秋节" << orange;
  QTest::newRow("plain lunar day") << Day(2023, 3, 23) << "初二" << green;
}

void tst_DateWin::lunarLine() {
  QFETCH(DateValue, date);
  QFETCH(QString, text);
  QFETCH(QColor, color);
  Window->ShowMonth(date);
  const int cell = CellOfDay(DayOfDate(date));
  QVERIFY(cell > 0);
  QCOMPARE(Window->LunarLabel(cell)->text(), text);
  QCOMPARE(TextColor(Window->LunarLabel(cell)), color);
}

void tst_DateWin::thirtyFirstThroughShorterMonths_data() {
  QTest::addColumn<DateValue>("today");
  QTest::addColumn<int>("lastOfFebruary");
  QTest::newRow("leap year") << Day(2024, 1, 31) << 29;
  QTest::newRow("common year") << Day(2023, 1, 31) << 28;
}

void tst_DateWin::thirtyFirstThroughShorterMonths() {
  QFETCH(DateValue, today);
  QFETCH(int, lastOfFebruary);
  OpenOn(today);
  auto *shape = Control("Shape2");
  auto *months = Control<UpDown>("UpDown2");
  QTest::mouseClick(months->upButton(), Qt::LeftButton);
  QCOMPARE(Control<QLabel>("Label17")->text(), QStringLiteral("2"));
  const QLabel *last = Window->DayLabel(CellOfDay(lastOfFebruary));
  QCOMPARE(shape->pos(), QPoint(last->x() - 1, last->y() + 1));
  QCOMPARE(Control<QLabel>("Label22")->text(), QStringLiteral("双鱼座"));
  QCOMPARE(Window->CurDay, 31);
  QTest::mouseClick(months->upButton(), Qt::LeftButton);
  const QLabel *thirtyFirst = Window->DayLabel(CellOfDay(31));
  QCOMPARE(shape->pos(), QPoint(thirtyFirst->x() - 1, thirtyFirst->y() + 1));
  QCOMPARE(Control<QLabel>("Label22")->text(), QStringLiteral("白羊座"));
  QCOMPARE(Window->CurDate, today);
}

void tst_DateWin::pressMovesHighlightClickSelects() {
  auto *shape = Control("Shape2");
  const QLabel *selected = Window->DayLabel(CellOfDay(22));
  QCOMPARE(shape->pos(), QPoint(selected->x() - 1, selected->y() + 1));
  const QString starSign = Control<QLabel>("Label22")->text();

  // Right button on day 6: the highlight moves, the selection stays.
  QTest::mouseClick(Window->DayLabel(CellOfDay(6)), Qt::RightButton);
  QCOMPARE(shape->pos(), QPoint(Window->DayLabel(CellOfDay(6))->x() - 1, Window->DayLabel(CellOfDay(6))->y() + 1));
  QCOMPARE(Window->CurDay, 22);
  QCOMPARE(Window->CurDate, Day(2023, 3, 22));

  // Left click on the lunar line of day 9: same place as its day number.
  QLabel *lunar = Window->LunarLabel(CellOfDay(9));
  QTest::mouseClick(lunar, Qt::LeftButton);
  const QLabel *nine = Window->DayLabel(CellOfDay(9));
  QCOMPARE(shape->pos(), QPoint(nine->x() - 1, nine->y() + 1));
  QCOMPARE(Window->CurDay, 9);
  QCOMPARE(Window->CurDate, Day(2023, 3, 9));
  QCOMPARE(Control<QLabel>("Label22")->text(), starSign); // stays that of the last shown month

  // Left click on a day number, after a month change: the new month's day.
  QTest::mouseClick(Control<UpDown>("UpDown2")->upButton(), Qt::LeftButton);
  QTest::mouseClick(Window->DayLabel(CellOfDay(30)), Qt::LeftButton);
  QCOMPARE(Window->CurDate, Day(2023, 4, 30));
}

void tst_DateWin::labelsSwitchSpinners() {
  QTest::mouseClick(Control("Label1"), Qt::LeftButton);
  QVERIFY(Control("UpDown1")->isVisible() && !Control("UpDown2")->isVisible());
  QTest::mouseClick(Control("Label17"), Qt::LeftButton);
  QVERIFY(!Control("UpDown1")->isVisible() && Control("UpDown2")->isVisible());
  QTest::mouseClick(Control("Label1"), Qt::RightButton); // only a click switches
  QVERIFY(!Control("UpDown1")->isVisible());
}

void tst_DateWin::spinnersStopAtTheirBounds() {
  OpenOn(Day(2050, 12, 31));
  auto *years = Control<UpDown>("UpDown1");
  auto *months = Control<UpDown>("UpDown2");
  QTest::mouseClick(years->upButton(), Qt::LeftButton);
  QTest::mouseClick(months->upButton(), Qt::LeftButton);
  QCOMPARE(years->position(), 2050);
  QCOMPARE(months->position(), 12);
  QCOMPARE(Control<QLabel>("Label1")->text(), QStringLiteral("2050"));
  QCOMPARE(Control<QLabel>("Label17")->text(), QStringLiteral("12"));
  OpenOn(Day(1901, 1, 1));
  QTest::mouseClick(Control<UpDown>("UpDown1")->downButton(), Qt::LeftButton);
  QTest::mouseClick(Control<UpDown>("UpDown2")->downButton(), Qt::LeftButton);
  QCOMPARE(Control<QLabel>("Label1")->text(), QStringLiteral("1901"));
  QCOMPARE(Control<QLabel>("Label17")->text(), QStringLiteral("1"));
}

void tst_DateWin::todayRestoresEverything() {
  const QPoint highlight = Control("Shape2")->pos();
  QTest::mouseClick(Control<UpDown>("UpDown1")->downButton(), Qt::LeftButton);
  QTest::mouseClick(Control<UpDown>("UpDown2")->upButton(), Qt::LeftButton);
  QTest::mouseClick(Window->DayLabel(CellOfDay(3)), Qt::LeftButton);
  QCOMPARE(Control<QLabel>("Label21")->text(), QStringLiteral("寅虎"));
  QCOMPARE(Control<QLabel>("Label1")->text(), QStringLiteral("2022"));
  QTest::mouseClick(Control("StaticText1"), Qt::LeftButton);
  QCOMPARE(Window->CurDate, Day(2023, 3, 22));
  QCOMPARE(Window->CurDay, 22);
  QCOMPARE(Control<UpDown>("UpDown1")->position(), 2023);
  QCOMPARE(Control<UpDown>("UpDown2")->position(), 3);
  QCOMPARE(Control<QLabel>("Label1")->text(), QStringLiteral("2023"));
  QCOMPARE(Control<QLabel>("Label20")->text(), QStringLiteral("2023"));
  QCOMPARE(Control<QLabel>("Label17")->text(), QStringLiteral("3"));
  QCOMPARE(Control<QLabel>("Label16")->text(), QStringLiteral("3"));
  QCOMPARE(Control<QLabel>("Label21")->text(), QStringLiteral("卯兔"));
  QCOMPARE(Control<QLabel>("Label22")->text(), QStringLiteral("白羊座"));
  QCOMPARE(Control("Shape2")->pos(), highlight);
  QCOMPARE(Window->LunarLabel(CellOfDay(22))->text(), QStringLiteral("闰二"));
}

// A system date past the lunar table still opens the window: the grid is laid
// out, lunar lines and zodiac are empty, the year spinner holds 2050.
void tst_DateWin::todayOutsideTheTable() {
  OpenOn(Day(2051, 6, 15));
  QCOMPARE(Control<QLabel>("Label1")->text(), QStringLiteral("2051"));
  QCOMPARE(Control<UpDown>("UpDown1")->position(), 2050);
  QCOMPARE(Control<QLabel>("Label21")->text(), QString());
  QCOMPARE(Control<QLabel>("Label22")->text(), QStringLiteral("双子座"));
  QVERIFY(Window->DayLabel(CellOfDay(30))->isVisible());
  QCOMPARE(Window->LunarLabel(CellOfDay(15))->text(), QString());
  QTest::mouseClick(Control<UpDown>("UpDown1")->downButton(), Qt::LeftButton);
  QCOMPARE(Control<QLabel>("Label1")->text(), QStringLiteral("2049"));
  QVERIFY(!Window->LunarLabel(CellOfDay(15))->text().isEmpty());
}

void tst_DateWin::deactivationClosesTheWindow() {
  QPointer<TFRM_Date> window = Window;
  Window->FormDeactivate();
  QVERIFY(!window->isVisible());
  QVERIFY(window); // hidden, not destroyed
  // Through the window system: another window taking activation.
  Window->show();
  QApplication::setActiveWindow(Window);
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  QTRY_VERIFY(!Window->isVisible());
}

// 2023-03-22 is 癸卯年 乙卯月 己卯日 (lunar-javascript and the published
// calendars agree); a 卯 day clashes with the 鸡 and has its 煞 in the west (亥卯未).
void tst_DateWin::cellsCarryTheAlmanacInBrief() {
  const QString tip = Window->DayLabel(CellOfDay(22))->toolTip();
  QVERIFY2(tip.startsWith(QStringLiteral("癸卯年 乙卯月 己卯日\n冲鸡 煞西\n")), qPrintable(tip));
  QVERIFY(tip.contains(QStringLiteral("\n宜：")) && tip.contains(QStringLiteral("\n忌：")));
  QCOMPARE(Window->LunarLabel(CellOfDay(22))->toolTip(), tip);
  QVERIFY(Window->DayLabel(CellOfDay(23))->toolTip().startsWith(QStringLiteral("癸卯年 乙卯月 庚辰日")));
}

void tst_DateWin::enterOpensTheAlmanacAndKeepsTheCalendar() {
  QApplication::setActiveWindow(Window);
  QTest::keyClick(Window, Qt::Key_Return);
  auto *almanac = Window->findChild<TFrmAlmanac *>();
  QVERIFY(almanac);
  QVERIFY(almanac->isVisible());
  QVERIFY(almanac->windowTitle().contains(QStringLiteral("2023-03-22")));
  QVERIFY(almanac->findChild<QWidget *>(QStringLiteral("AlmanacText")));
  // Our own almanac window taking activation leaves the calendar open ...
  QApplication::setActiveWindow(almanac);
  QVERIFY(Window->isVisible());
  // ... another application's (here: any other window) closes both.
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  QTRY_VERIFY(!Window->isVisible());
  QTRY_VERIFY(!almanac->isVisible());
}

void tst_DateWin::doubleClickOpensTheDaysAlmanac() {
  QLabel *cell = Window->LunarLabel(CellOfDay(10));
  QTest::mouseDClick(cell, Qt::LeftButton);
  QCOMPARE(Window->CurDate, Day(2023, 3, 10));
  auto *almanac = Window->findChild<TFrmAlmanac *>();
  QVERIFY(almanac);
  QVERIFY(almanac->isVisible());
  QVERIFY(almanac->windowTitle().contains(QStringLiteral("2023-03-10")));
}

void tst_DateWin::openingTwiceLeavesOneInstance() {
  auto countWindows = [] {
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
      count += qobject_cast<TFRM_Date *>(widget) != nullptr;
    return count;
  };
  delete Window;
  Window = nullptr;
  QTimer closer;
  connect(&closer, &QTimer::timeout, [] {
    if (FRM_Date && FRM_Date->isVisible())
      FRM_Date->close();
  });
  closer.start(0);
  ShowReusedWindow(FRM_Date);
  QPointer<TFRM_Date> first = FRM_Date;
  QVERIFY(first && !first->isVisible());
  ShowReusedWindow(FRM_Date);
  QVERIFY(first.isNull());
  QCOMPARE(countWindows(), 1);
  delete FRM_Date.data();
}

void tst_DateWin::Wheel(QWidget *target, QPoint where, int delta, Qt::KeyboardModifiers modifiers) {
  QWheelEvent event(where, target->mapToGlobal(where), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  // As from the window system, so that a widget that ignores the wheel passes
  // it on to its parent (sendEvent would mark it synthesized, which stops that).
  QSpontaneKeyEvent::setSpontaneous(&event);
  qApp->notify(target, &event);
}

void tst_DateWin::arrowKeysClickNeighbouringCells_data() {
  QTest::addColumn<DateValue>("today");
  QTest::addColumn<int>("key");
  QTest::addColumn<DateValue>("selected");
  const DateValue mid = Day(2023, 3, 22);
  QTest::newRow("right a day") << mid << int(Qt::Key_Right) << Day(2023, 3, 23);
  QTest::newRow("left a day") << mid << int(Qt::Key_Left) << Day(2023, 3, 21);
  QTest::newRow("down a week") << mid << int(Qt::Key_Down) << Day(2023, 3, 29);
  QTest::newRow("up a week") << mid << int(Qt::Key_Up) << Day(2023, 3, 15);
  QTest::newRow("left from a Sunday to the row above") << Day(2023, 3, 5) << int(Qt::Key_Left) << Day(2023, 3, 4);
  QTest::newRow("right from a Saturday to the row below") << Day(2023, 3, 4) << int(Qt::Key_Right) << Day(2023, 3, 5);
  QTest::newRow("left from the first stays") << Day(2023, 3, 1) << int(Qt::Key_Left) << Day(2023, 3, 1);
  QTest::newRow("right from the 31st stays") << Day(2023, 3, 31) << int(Qt::Key_Right) << Day(2023, 3, 31);
  QTest::newRow("right from 28 February stays") << Day(2023, 2, 28) << int(Qt::Key_Right) << Day(2023, 2, 28);
  QTest::newRow("right from 28 February of a leap year") << Day(2024, 2, 28) << int(Qt::Key_Right) << Day(2024, 2, 29);
  QTest::newRow("up in the first week stays") << Day(2023, 3, 7) << int(Qt::Key_Up) << Day(2023, 3, 7);
  QTest::newRow("up to the first") << Day(2023, 3, 8) << int(Qt::Key_Up) << Day(2023, 3, 1);
  QTest::newRow("down in the last week stays") << Day(2023, 3, 25) << int(Qt::Key_Down) << Day(2023, 3, 25);
  QTest::newRow("down to the last") << Day(2023, 3, 24) << int(Qt::Key_Down) << Day(2023, 3, 31);
  QTest::newRow("down into cell 37") << Day(2020, 8, 24) << int(Qt::Key_Down) << Day(2020, 8, 31);
}

// An arrow key does what a click on the neighbouring cell does: highlight and
// selection move together, the star sign stays that of the shown month.
void tst_DateWin::arrowKeysClickNeighbouringCells() {
  QFETCH(DateValue, today);
  QFETCH(int, key);
  QFETCH(DateValue, selected);
  OpenOn(today);
  const QString starSign = Control<QLabel>("Label22")->text();
  QTest::keyClick(Window, Qt::Key(key));
  QCOMPARE(Window->CurDate, selected);
  QCOMPARE(Window->CurDay, DayOfDate(selected));
  const QLabel *cell = Window->DayLabel(CellOfDay(DayOfDate(selected)));
  QCOMPARE(Control("Shape2")->pos(), QPoint(cell->x() - 1, cell->y() + 1));
  QCOMPARE(Control<QLabel>("Label22")->text(), starSign);
  QCOMPARE(Control<QLabel>("Label17")->text(), QString::number(MonthOfDate(today)));
  // With a modifier the arrows do nothing.
  QTest::keyClick(Window, Qt::Key(key), Qt::ShiftModifier);
  QCOMPARE(Window->CurDate, selected);
}

// With the 31st selected and February shown, the highlight stands on the
// month's last day: the arrows start from there, as the eye does.
void tst_DateWin::arrowKeysFromACutThirtyFirst() {
  OpenOn(Day(2023, 1, 31));
  QTest::keyClick(Window, Qt::Key_PageUp);
  QCOMPARE(Window->CurDay, 31);
  QTest::keyClick(Window, Qt::Key_Right); // nothing after the 28th
  QCOMPARE(Window->CurDay, 31);
  QTest::keyClick(Window, Qt::Key_Left);
  QCOMPARE(Window->CurDate, Day(2023, 2, 27));
  QCOMPARE(Window->CurDay, 27);
}

void tst_DateWin::pageKeysAndWheelStepTheSpinners_data() {
  QTest::addColumn<DateValue>("today");
  QTest::addColumn<QString>("action");
  QTest::addColumn<int>("shownYear");
  QTest::addColumn<int>("shownMonth");
  const DateValue mid = Day(2023, 3, 22);
  QTest::newRow("Page Up: next month") << mid << "PgUp" << 2023 << 4;
  QTest::newRow("Page Down: previous month") << mid << "PgDn" << 2023 << 2;
  QTest::newRow("Ctrl+Page Up: next year") << mid << "^PgUp" << 2024 << 3;
  QTest::newRow("Ctrl+Page Down: previous year") << mid << "^PgDn" << 2022 << 3;
  QTest::newRow("wheel away: next month") << mid << "wheel+" << 2023 << 4;
  QTest::newRow("wheel toward: previous month") << mid << "wheel-" << 2023 << 2;
  QTest::newRow("Ctrl+wheel away: next year") << mid << "^wheel+" << 2024 << 3;
  QTest::newRow("Ctrl+wheel toward: previous year") << mid << "^wheel-" << 2022 << 3;
  QTest::newRow("Shift+Page Up does nothing") << mid << "+PgUp" << 2023 << 3;
  QTest::newRow("Page Up in December: no wrap") << Day(2023, 12, 10) << "PgUp" << 2023 << 12;
  QTest::newRow("Page Down in January: no wrap") << Day(2023, 1, 10) << "PgDn" << 2023 << 1;
  QTest::newRow("wheel away in December: no wrap") << Day(2023, 12, 10) << "wheel+" << 2023 << 12;
  QTest::newRow("Ctrl+Page Up in 2050") << Day(2050, 6, 1) << "^PgUp" << 2050 << 6;
  QTest::newRow("Ctrl+Page Down in 1901") << Day(1901, 6, 1) << "^PgDn" << 1901 << 6;
  QTest::newRow("Ctrl+wheel toward in 1901") << Day(1901, 6, 1) << "^wheel-" << 1901 << 6;
  QTest::newRow("Ctrl+Page Down from 2051 to the table") << Day(2051, 6, 1) << "^PgDn" << 2049 << 6;
}

// The keys and the wheel click the spinners' arrows: the shown month changes,
// the window's date and selected day do not, and the bounds hold.
void tst_DateWin::pageKeysAndWheelStepTheSpinners() {
  QFETCH(DateValue, today);
  QFETCH(QString, action);
  QFETCH(int, shownYear);
  QFETCH(int, shownMonth);
  OpenOn(today);
  Qt::KeyboardModifiers modifiers;
  if (action.startsWith(u'^'))
    modifiers = Qt::ControlModifier;
  else if (action.startsWith(u'+'))
    modifiers = Qt::ShiftModifier;
  const QString what = modifiers ? action.mid(1) : action;
  if (what.startsWith(QLatin1String("wheel"))) {
    // Over a cell of the grid; the cell passes the wheel on to the window.
    Wheel(Window->DayLabel(CellOfDay(10)), QPoint(5, 5), what.endsWith(u'+') ? 120 : -120, modifiers);
  } else {
    QTest::keyClick(Window, what == QLatin1String("PgUp") ? Qt::Key_PageUp : Qt::Key_PageDown, modifiers);
  }
  QCOMPARE(Control<QLabel>("Label1")->text(), QString::number(shownYear));
  QCOMPARE(Control<QLabel>("Label17")->text(), QString::number(shownMonth));
  QCOMPARE(Control<UpDown>("UpDown1")->position(), std::clamp(shownYear, 1901, 2050));
  QCOMPARE(Control<UpDown>("UpDown2")->position(), shownMonth);
  QCOMPARE(Window->CurDate, today);
  QCOMPARE(Window->CurDay, DayOfDate(today));
}

void tst_DateWin::wheelCountsNotchesOverTheGridOnly() {
  auto *month = Control<QLabel>("Label17");
  // Over the header, the weekday row and the spinner: not the grid.
  Wheel(Window, QPoint(150, 20), 120);
  Wheel(Window, QPoint(100, 45), -120);
  Wheel(Control("UpDown2"), QPoint(4, 4), 120);
  QCOMPARE(month->text(), QStringLiteral("3"));
  // Half notches of a fine wheel add up to one step.
  Wheel(Window, QPoint(150, 150), 60);
  QCOMPARE(month->text(), QStringLiteral("3"));
  Wheel(Window, QPoint(150, 150), 60);
  QCOMPARE(month->text(), QStringLiteral("4"));
  // Three notches at once, over an empty part of the grid.
  Wheel(Window, QPoint(280, 240), -360);
  QCOMPARE(month->text(), QStringLiteral("1"));
  // The month spinner moves whichever spinner is visible.
  QTest::mouseClick(Control("Label1"), Qt::LeftButton);
  Wheel(Window, QPoint(150, 150), 120);
  QCOMPARE(month->text(), QStringLiteral("2"));
  QVERIFY(Control("UpDown1")->isVisible() && !Control("UpDown2")->isVisible());
}

void tst_DateWin::homeKeyActsAsToday() {
  QTest::keyClick(Window, Qt::Key_PageUp, Qt::ControlModifier);
  QTest::keyClick(Window, Qt::Key_PageDown);
  QTest::keyClick(Window, Qt::Key_Down);
  QCOMPARE(Window->CurDate, Day(2024, 2, 29));
  TodayValue = Day(2023, 3, 23); // the day has turned meanwhile
  QTest::keyClick(Window, Qt::Key_Home);
  QCOMPARE(Window->CurDate, Day(2023, 3, 23));
  QCOMPARE(Control<UpDown>("UpDown1")->position(), 2023);
  QCOMPARE(Control<UpDown>("UpDown2")->position(), 3);
  QCOMPARE(Control<QLabel>("Label1")->text(), QStringLiteral("2023"));
  const QLabel *cell = Window->DayLabel(CellOfDay(23));
  QCOMPARE(Control("Shape2")->pos(), QPoint(cell->x() - 1, cell->y() + 1));
  // Escape still closes the window.
  QTest::keyClick(Window, Qt::Key_Escape);
  QVERIFY(!Window->isVisible());
}

void tst_DateWin::selectedCellIsDescribed_data() {
  QTest::addColumn<DateValue>("today");
  QTest::addColumn<QString>("description");
  QTest::addColumn<QString>("cellName");
  QTest::newRow("leap month's first day") << Day(2023, 3, 22) << "2023年3月22日 星期三，闰二，白羊座"
                                          << "3月22日 闰二";
  QTest::newRow("festival") << Day(2024, 2, 10) << "2024年2月10日 星期六，春节，水瓶座"
                            << "2月10日 春节";
  QTest::newRow("solar term, first day of a star sign") << Day(2023, 8, 23) << "2023年8月23日 星期三，处暑，处女座"
                                                        << "8月23日 处暑";
  QTest::newRow("outside the lunar table") << Day(2051, 6, 15) << "2051年6月15日 星期四，双子座"
                                           << "6月15日";
}

void tst_DateWin::selectedCellIsDescribed() {
  QFETCH(DateValue, today);
  QFETCH(QString, description);
  QFETCH(QString, cellName);
  OpenOn(today);
  const QLabel *cell = Window->DayLabel(CellOfDay(DayOfDate(today)));
  QCOMPARE(cell->accessibleDescription(), description);
  QCOMPARE(Window->accessibleDescription(), description);
  QCOMPARE(cell->accessibleName(), cellName);
}

void tst_DateWin::descriptionFollowsTheSelection() {
  QLabel *before = Window->DayLabel(CellOfDay(22));
  QTest::keyClick(Window, Qt::Key_Right);
  QLabel *after = Window->DayLabel(CellOfDay(23));
  QCOMPARE(after->accessibleDescription(), QStringLiteral("2023年3月23日 星期四，初二，白羊座"));
  QCOMPARE(Window->accessibleDescription(), after->accessibleDescription());
  QVERIFY(before->accessibleDescription().isEmpty());
  // A right-button press moves the highlight only; the description stays.
  QTest::mouseClick(Window->DayLabel(CellOfDay(2)), Qt::RightButton);
  QCOMPARE(Window->accessibleDescription(), after->accessibleDescription());
  // A click selects; a month step keeps the day and describes the new month's.
  QTest::mouseClick(Window->LunarLabel(CellOfDay(5)), Qt::LeftButton);
  QCOMPARE(Window->accessibleDescription(), QStringLiteral("2023年3月5日 星期日，十四，双鱼座"));
  QTest::keyClick(Window, Qt::Key_PageUp);
  QCOMPARE(Window->accessibleDescription(), QStringLiteral("2023年4月5日 星期三，清明，白羊座"));
  // Only the selected cell carries a description.
  int described = 0;
  for (int i = 1; i <= TFRM_Date::CellCount; ++i)
    described += !Window->DayLabel(i)->accessibleDescription().isEmpty();
  QCOMPARE(described, 1);
}

void tst_DateWin::dayMenuOpensOverCells() {
  auto *menu = Control<QMenu>("DayMenu");
  QVERIFY(menu);
  QLabel *lunar = Window->LunarLabel(CellOfDay(10));
  QContextMenuEvent overCell(QContextMenuEvent::Mouse, lunar->rect().center(),
                             lunar->mapToGlobal(lunar->rect().center()));
  QApplication::sendEvent(lunar, &overCell); // the label passes it on to the window
  QTRY_VERIFY(menu->isVisible());
  QCOMPARE(menu->actions().value(0)->text(), QStringLiteral("导出日历…"));
  QVERIFY(Window->isVisible()); // the menu taking activation does not close the window
  menu->hide();
  // Off the grid: no menu. From the keyboard: at the selected day.
  QContextMenuEvent offGrid(QContextMenuEvent::Mouse, QPoint(5, 5), Window->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(Window, &offGrid);
  QVERIFY(!menu->isVisible());
  QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5), Window->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(Window, &key);
  QTRY_VERIFY(menu->isVisible());
  menu->hide();
}

// The file holds the shown year's lunar festivals and solar terms: for 2024
// eight festivals (腊八 on 01-18 to 重阳 on 10-11; the next 除夕 falls in 2025)
// and the 24 terms, 冬至 on 12-21.
void tst_DateWin::exportCalendar_data() {
  QTest::addColumn<QString>("answer");    // file name in a fresh folder; empty: cancelled
  QTest::addColumn<QByteArray>("before"); // what the file held, if anything
  QTest::addColumn<int>("events");
  QTest::addColumn<QString>("notice");
  QTest::newRow("saved") << "2024.ics" << QByteArray() << 32 << "";
  QTest::newRow("name without ending gets .ics") << "农历" << QByteArray() << 32 << "";
  QTest::newRow("an earlier export is replaced")
      << "old.ics" << QByteArray("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n") << 32 << "";
  QTest::newRow("cancelled") << "" << QByteArray() << -1 << "";
  QTest::newRow("another file is kept") << "notes.txt" << QByteArray("my notes\n") << -1 << "没有覆盖";
}

void tst_DateWin::exportCalendar() {
  QFETCH(QString, answer);
  QFETCH(QByteArray, before);
  QFETCH(int, events);
  QFETCH(QString, notice);
  OpenOn(Day(2024, 6, 1));
  QTemporaryDir folder;
  QVERIFY(folder.isValid());
  QString path = answer.isEmpty() ? QString() : folder.filePath(answer);
  if (!before.isEmpty()) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(before);
  }
  QString suggested, noticed;
  bool tookActivation = false;
  QApplication::setActiveWindow(Window);
  QTRY_VERIFY(Window->isActiveWindow());
  // The save dialog takes activation from the window while it is up.
  {
    const auto asked =
        Desktop::AskSaveFile.Replace([&](QWidget *, const QString &, const QString &offered, const QString &) {
          suggested = offered;
          QWidget dialog;
          dialog.show();
          QApplication::setActiveWindow(&dialog);
          tookActivation = QTest::qWaitFor([this] { return !Window->isActiveWindow(); });
          return path;
        });
    const auto told = Desktop::Notice.Replace([&](QWidget *, const QString &text) { noticed = text; });
    Control<QAction>("ExportCalendar")->trigger();
  }

  QVERIFY2(suggested.endsWith(QStringLiteral("农历2024年.ics")), qPrintable(suggested));
  QCOMPARE(noticed.isEmpty(), notice.isEmpty());
  QVERIFY2(noticed.contains(notice), qPrintable(noticed));
  QCOMPARE(tookActivation, true);
  QVERIFY(Window->isVisible());
  if (events < 0) {
    if (!before.isEmpty()) {
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      QCOMPARE(file.readAll(), before);
    }
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), before.isEmpty() ? 0 : 1);
    return;
  }
  QFile file(QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".ics") : path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  QCOMPARE(text.count(QStringLiteral("BEGIN:VEVENT")), events);
  QVERIFY(text.contains(QStringLiteral("DTSTART;VALUE=DATE:20240210\r\nDTEND;VALUE=DATE:20240211\r\nSUMMARY:春节")));
  QVERIFY(text.contains(QStringLiteral("DTSTART;VALUE=DATE:20241221\r\nDTEND;VALUE=DATE:20241222\r\nSUMMARY:冬至")));
  QVERIFY(!text.contains(QStringLiteral("DTSTART;VALUE=DATE:2023")) &&
          !text.contains(QStringLiteral("DTSTART;VALUE=DATE:2025")));
}

QTEST_MAIN(tst_DateWin)
#include "tst_DateWin.moc"
