// The month grid and the lunar line of a day cell. Known answers come from the
// published Chinese and Gregorian calendars; rows are named for the case they
// hit, most of them a contest between two texts for the same line.

#include "CalendarMonth.h"
#include "Gbk.h"

#include <QTest>

#include <cmath>

using namespace std::chrono;

Q_DECLARE_METATYPE(LunarLineKind)

namespace {

DateValue Day(int y, unsigned m, unsigned d) { return EncodeDate(year{y} / month{m} / day{d}); }

} // namespace

class tst_CalendarMonth : public QObject {
  Q_OBJECT

private slots:
  void lunarLine_data();
  void lunarLine();
  void monthCells_data();
  void monthCells();
};

void tst_CalendarMonth::lunarLine_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<QString>("text");
  QTest::addColumn<LunarLineKind>("kind");
  using enum LunarLineKind;
  QTest::newRow("plain lunar day") << Day(2024, 2, 11) << "初二" << LunarDay;
  QTest::newRow("month name on the first day") << Day(2024, 3, 10) << "二月" << LunarMonth;
  QTest::newRow("leap month name on its first day") << Day(2023, 3, 22) << "闰二" << LunarMonth;
  QTest::newRow("lunar festival beats the month name") << Day(2024, 2, 10) << "春节" << LunarFestival;
  QTest::newRow("Gregorian festival beats the lunar day") << Day(2024, 2, 14) << "情人节" << SolarFestival;
  QTest::newRow("solar term beats a Gregorian festival") << Day(2020, 6, 21) << "夏至" << SolarTerm;
  QTest::newRow("solar term beats 记者日") << Day(2023, 11, 8) << "立冬" << SolarTerm;
  QTest::newRow("lunar festival beats a solar term") << Day(1901, 2, 19) << "春节" << LunarFestival;
  QTest::newRow("lunar festival beats a Gregorian festival") << Day(1908, 9, 10) << "中秋节" << LunarFestival;
  QTest::newRow("eve on the 29th") << Day(2025, 1, 28) << "除夕" << LunarFestival;
  QTest::newRow("after the table: Gregorian festival only") << Day(2051, 1, 1) << "元旦节" << SolarFestival;
  QTest::newRow("after the table: nothing else") << Day(2051, 1, 2) << "" << LunarDay;
}

void tst_CalendarMonth::lunarLine() {
  QFETCH(DateValue, date);
  QFETCH(QString, text);
  QFETCH(LunarLineKind, kind);
  const LunarLine line = GetLunarLine(date);
  QCOMPARE(Gbk::FromGbk(line.Text), text);
  QCOMPARE(line.Kind, kind);
}

void tst_CalendarMonth::monthCells_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<int>("firstCell");
  QTest::addColumn<int>("dayCount");
  QTest::newRow("31 days from a Saturday: cells 7..37") << Day(2020, 8, 31) << 7 << 31;
  QTest::newRow("28 days from a Sunday: cells 1..28") << Day(2015, 2, 14) << 1 << 28;
  QTest::newRow("leap February from a Thursday") << Day(2024, 2, 29) << 5 << 29;
  QTest::newRow("400-year leap February") << Day(2000, 2, 1) << 3 << 29;
  QTest::newRow("century February without leap day") << Day(1900, 2, 1) << 5 << 28;
  QTest::newRow("first month of the calendar") << Day(1, 1, 1) << 2 << 31;
  QTest::newRow("no date at all") << std::nan("") << 1 << 0;
}

void tst_CalendarMonth::monthCells() {
  QFETCH(DateValue, date);
  QFETCH(int, firstCell);
  QFETCH(int, dayCount);
  const MonthCells cells = GetMonthCells(date);
  QCOMPARE(cells.FirstCell, firstCell);
  QCOMPARE(cells.DayCount, dayCount);
}

QTEST_APPLESS_MAIN(tst_CalendarMonth)
#include "tst_CalendarMonth.moc"
