// From a lunar date back to the Gregorian day. Known answers come from
// lunar-javascript and python3-lunardate (Lunar.fromYmd / LunarDate(...)
// .toSolarDate()); the whole range is checked against GetLunarDate.

#include "Gbk.h"
#include "SolarDate.h"

#include <QTest>

#include <set>

using namespace std::chrono;

Q_DECLARE_METATYPE(LunarDateProblem)

namespace {

QString Iso(const year_month_day &date) {
  return QString::asprintf("%04d-%02u-%02u", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                           static_cast<unsigned>(date.day()));
}

} // namespace

class tst_SolarDate : public QObject {
  Q_OBJECT

private slots:
  void solarDate_data();
  void solarDate();
  void roundTripOverTheWholeTable();
  void keptDate_data();
  void keptDate();
  void dateName_data();
  void dateName();
};

void tst_SolarDate::solarDate_data() {
  QTest::addColumn<int>("lunarYear");
  QTest::addColumn<int>("month");
  QTest::addColumn<bool>("leap");
  QTest::addColumn<int>("day");
  QTest::addColumn<QString>("date"); // YYYY-MM-DD, empty when there is none
  QTest::addColumn<LunarDateProblem>("problem");
  using enum LunarDateProblem;
  QTest::newRow("first day of a leap month") << 2023 << 2 << true << 1 << "2023-03-22" << None;
  QTest::newRow("leap second month 2023, 初八") << 2023 << 2 << true << 8 << "2023-03-29" << None;
  QTest::newRow("regular month of the same number") << 2023 << 2 << false << 30 << "2023-03-21" << None;
  QTest::newRow("leap fourth month 2020, 初八") << 2020 << 4 << true << 8 << "2020-05-30" << None;
  QTest::newRow("leap eleventh month 2033 runs into 2034") << 2033 << 11 << true << 15 << "2034-01-05" << None;
  QTest::newRow("腊月 of 2033 lies in 2034") << 2033 << 12 << false << 8 << "2034-01-27" << None;
  QTest::newRow("new year after a leap eleventh month") << 2034 << 1 << false << 1 << "2034-02-19" << None;
  QTest::newRow("mid-autumn 2024") << 2024 << 8 << false << 15 << "2024-09-17" << None;
  QTest::newRow("first day of the table, lunar year 1900") << 1900 << 11 << false << 11 << "1901-01-01" << None;
  QTest::newRow("腊月 of the lunar year 1900") << 1900 << 12 << false << 30 << "1901-02-18" << None;
  QTest::newRow("last day of the table") << 2050 << 11 << false << 18 << "2050-12-31" << None;
  // The three ways a date can be missing.
  QTest::newRow("三十 of a 29-day leap month") << 2023 << 2 << true << 30 << "" << NoSuchDay;
  QTest::newRow("三十 of a 29-day 正月") << 2024 << 1 << false << 30 << "" << NoSuchDay;
  QTest::newRow("leap month in a year without one") << 2024 << 4 << true << 8 << "" << NoSuchLeapMonth;
  QTest::newRow("leap month of another number") << 2023 << 4 << true << 8 << "" << NoSuchLeapMonth;
  QTest::newRow("no leap 冬月 after 冬月 of 1900") << 1900 << 11 << true << 15 << "" << NoSuchLeapMonth;
  QTest::newRow("leap month of 1900 before the table") << 1900 << 8 << true << 1 << "" << OutsideTable;
  QTest::newRow("day before the table") << 1900 << 11 << false << 10 << "" << OutsideTable;
  QTest::newRow("earlier month of the lunar year 1900") << 1900 << 8 << false << 1 << "" << OutsideTable;
  QTest::newRow("day after the table") << 2050 << 11 << false << 19 << "" << OutsideTable;
  QTest::newRow("腊月 of 2050 lies after the table") << 2050 << 12 << false << 8 << "" << OutsideTable;
  QTest::newRow("lunar year 2051") << 2051 << 1 << false << 1 << "" << OutsideTable;
  // Arguments that name no date at all.
  QTest::newRow("month 13") << 2024 << 13 << false << 1 << "" << NoSuchMonth;
  QTest::newRow("month 0") << 2024 << 0 << false << 1 << "" << NoSuchMonth;
  QTest::newRow("day 31") << 2023 << 12 << false << 31 << "" << NoSuchDay;
  QTest::newRow("day 0") << 2023 << 12 << false << 0 << "" << NoSuchDay;
}

void tst_SolarDate::solarDate() {
  QFETCH(int, lunarYear);
  QFETCH(int, month);
  QFETCH(bool, leap);
  QFETCH(int, day);
  QFETCH(QString, date);
  QFETCH(LunarDateProblem, problem);
  const SolarDateResult result = GetSolarDate({lunarYear, month, leap, day});
  QCOMPARE(result.Problem, problem);
  QCOMPARE(result ? Iso(result.Date) : QString(), date);
}

// Every day of 1901..2050 goes to its lunar date and back, and no other lunar
// date has a day: of every year, month, leap flag and day 1..30 that the
// conversion accepts, each gives a different day of the table. The lunar year
// is counted here from the days themselves: it begins on each day 101.
void tst_SolarDate::roundTripOverTheWholeTable() {
  int lunarYear = FirstTableYear - 1;
  int days = 0;
  for (sys_days d = FirstTableDay; d <= LastTableDay; d += std::chrono::days{1}, ++days) {
    const LunarDateCode code = GetLunarDate(EncodeDate(year_month_day{d}));
    if (code == 101)
      ++lunarYear;
    const LunarDate lunar{lunarYear, std::abs(code) / 100, code < 0, std::abs(code) % 100};
    const SolarDateResult back = GetSolarDate(lunar);
    if (!back || sys_days{back.Date} != d || GetLunarDateOfDay(d) != lunar)
      QFAIL(qPrintable(
          QStringLiteral("%1 (lunar %2 %3) does not come back").arg(Iso(year_month_day{d})).arg(lunarYear).arg(code)));
  }
  QCOMPARE(days, 54787);

  std::set<int> seen;
  for (int y = FirstTableYear - 2; y <= LastTableYear + 1; ++y)
    for (int month = 1; month <= 12; ++month)
      for (bool leap : {false, true})
        for (int day = 1; day <= 30; ++day)
          if (const SolarDateResult result = GetSolarDate({y, month, leap, day}))
            QVERIFY(seen.insert((sys_days{result.Date} - FirstTableDay).count()).second);
  QCOMPARE(seen.size(), std::size_t{54787});
}

void tst_SolarDate::keptDate_data() {
  QTest::addColumn<int>("month");
  QTest::addColumn<bool>("leap");
  QTest::addColumn<int>("day");
  QTest::addColumn<int>("lunarYear");
  QTest::addColumn<QString>("kept"); // the lunar date taken
  QTest::addColumn<QString>("date");
  QTest::newRow("leap month the year has") << 4 << true << 8 << 2020 << "闰四月初八"
                                           << "2020-05-30";
  QTest::newRow("leap month the year lacks: the regular month") << 4 << true << 8 << 2021 << "四月初八"
                                                                << "2021-05-19";
  QTest::newRow("三十 of a 29-day 腊月: 廿九, the eve") << 12 << false << 30 << 2024 << "腊月廿九"
                                                        << "2025-01-28";
  QTest::newRow("三十 of a 29-day leap month") << 2 << true << 30 << 2023 << "闰二月廿九"
                                               << "2023-04-19";
  QTest::newRow("both: no leap month, regular one of 29 days") << 4 << true << 30 << 2021 << "四月廿九"
                                                               << "2021-06-09";
  QTest::newRow("date that exists stays") << 11 << true << 15 << 2033 << "闰冬月十五"
                                          << "2034-01-05";
  QTest::newRow("beyond the table: nothing") << 12 << false << 8 << 2050 << "腊月初八"
                                             << "";
}

void tst_SolarDate::keptDate() {
  QFETCH(int, month);
  QFETCH(bool, leap);
  QFETCH(int, day);
  QFETCH(int, lunarYear);
  QFETCH(QString, kept);
  QFETCH(QString, date);
  const KeptDate result = GetKeptDate(month, leap, day, lunarYear);
  QCOMPARE(Gbk::FromGbk(GetLunarDateName(result.Lunar.Month, result.Lunar.Leap, result.Lunar.Day)), kept);
  QCOMPARE(result.Lunar.Year, lunarYear);
  QCOMPARE(result.Solar ? Iso(result.Solar.Date) : QString(), date);
}

void tst_SolarDate::dateName_data() {
  QTest::addColumn<QDate>("day");
  QTest::addColumn<int>("lunarYear");
  QTest::addColumn<QString>("name");
  QTest::newRow("腊月 in January belongs to the year before") << QDate(2024, 2, 9) << 2023 << "腊月三十";
  QTest::newRow("new year") << QDate(2024, 2, 10) << 2024 << "正月初一";
  QTest::newRow("leap eleventh month in January") << QDate(2034, 1, 1) << 2033 << "闰冬月十一";
  QTest::newRow("冬月 in December") << QDate(2050, 12, 31) << 2050 << "冬月十八";
  QTest::newRow("first day of the table") << QDate(1901, 1, 1) << 1900 << "冬月十一";
  QTest::newRow("day before the table") << QDate(1900, 12, 31) << 0 << "";
}

void tst_SolarDate::dateName() {
  QFETCH(QDate, day);
  QFETCH(int, lunarYear);
  QFETCH(QString, name);
  const std::optional<LunarDate> lunar = GetLunarDateOfDay(
      sys_days{year{day.year()} / month{unsigned(day.month())} / std::chrono::day{unsigned(day.day())}});
  QCOMPARE(lunar ? lunar->Year : 0, lunarYear);
  QCOMPARE(lunar ? Gbk::FromGbk(GetLunarDateName(lunar->Month, lunar->Leap, lunar->Day)) : QString(), name);
}

QTEST_GUILESS_MAIN(tst_SolarDate)
#include "tst_SolarDate.moc"
