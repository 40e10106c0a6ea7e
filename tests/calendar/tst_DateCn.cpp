// The calendar algorithms, grouped by operation. Known answers come from the
// published Chinese calendar (as the peers of tst_DateCnPeers give it) and the
// Gregorian calendar; rows are named for the case they hit.

#include "DateCn.h"
#include "Gbk.h"

#include <QTest>

using namespace std::chrono;

namespace {

DateValue Day(int y, unsigned m, unsigned d) { return EncodeDate(year{y} / month{m} / day{d}); }

QString Text(const QByteArray &gbk) { return Gbk::FromGbk(gbk); }

} // namespace

class tst_DateCn : public QObject {
  Q_OBJECT

private slots:
  void dateValue_data();
  void dateValue();
  void dayNumberOfYear_data();
  void dayNumberOfYear();
  void lunarDate_data();
  void lunarDate();
  void lunarDateIgnoresTimeOfDay();
  void lunarDateRunsOnDayByDay();
  void monthAndDayNames_data();
  void monthAndDayNames();
  void lunarFestival_data();
  void lunarFestival();
  void zodiacYear_data();
  void zodiacYear();
  void solarTerm_data();
  void solarTerm();
  void solarTermIndexOutsideTheTable_data();
  void solarTermIndexOutsideTheTable();
  void noSolarTermOnTheFifteenth();
  void solarFestival_data();
  void solarFestival();
  void starSign_data();
  void starSign();
  void everyDayHasAStarSign();
  void datesOutsideTheTableHaveNoLunarNames_data();
  void datesOutsideTheTableHaveNoLunarNames();
  void nameListsAreGbk();
};

void tst_DateCn::dateValue_data() {
  QTest::addColumn<double>("value");
  QTest::addColumn<int>("y");
  QTest::addColumn<int>("m");
  QTest::addColumn<int>("d");
  QTest::addColumn<int>("weekday");
  QTest::newRow("day zero") << 0.0 << 1899 << 12 << 30 << 7;
  QTest::newRow("first of 1900") << 2.0 << 1900 << 1 << 1 << 2;
  QTest::newRow("2023-03-15") << 45000.0 << 2023 << 3 << 15 << 4;
  QTest::newRow("evening keeps its day") << 45000.99 << 2023 << 3 << 15 << 4;
  QTest::newRow("before day zero, taken toward zero") << -1.5 << 1899 << 12 << 29 << 6;
  QTest::newRow("not a number") << qQNaN() << 0 << 0 << 0 << 0;
  QTest::newRow("infinite") << qInf() << 0 << 0 << 0 << 0;
  QTest::newRow("past 9999") << 3.0e6 << 0 << 0 << 0 << 0;
  QTest::newRow("first day of year 1") << -693593.0 << 1 << 1 << 1 << 2;
  QTest::newRow("last day of 9999") << 2958465.5 << 9999 << 12 << 31 << 6;
  QTest::newRow("day after 9999-12-31") << 2958466.0 << 0 << 0 << 0 << 0;
}

void tst_DateCn::dateValue() {
  QFETCH(double, value);
  QFETCH(int, y);
  QFETCH(int, m);
  QFETCH(int, d);
  QFETCH(int, weekday);
  QCOMPARE(YearOfDate(value), y);
  QCOMPARE(MonthOfDate(value), m);
  QCOMPARE(DayOfDate(value), d);
  QCOMPARE(DayOfWeek(value), weekday);
  // Names of an undecodable value are empty, never an out-of-range lookup.
  if (y == 0)
    QVERIFY(GetLunarDate(value) == 0 && GetStarSign(value).isEmpty() && GetSolarFestival(1, value).isEmpty());
}

void tst_DateCn::dayNumberOfYear_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<int>("number");
  QTest::newRow("1 January") << Day(2023, 1, 1) << 1;
  QTest::newRow("31 December of a leap year") << Day(2000, 12, 31) << 366;
  QTest::newRow("1900 is no leap year") << Day(1900, 12, 31) << 365;
  QTest::newRow("1 March after 29 February") << Day(2000, 3, 1) << 61;
  QTest::newRow("1 March of a common year") << Day(2001, 3, 1) << 60;
}

void tst_DateCn::dayNumberOfYear() {
  QFETCH(DateValue, date);
  QFETCH(int, number);
  QCOMPARE(DayNumberOfYear(date), number);
}

void tst_DateCn::lunarDate_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<int>("code");
  QTest::newRow("first day of the table") << Day(1901, 1, 1) << 1111;
  QTest::newRow("1901 end of the eleventh month") << Day(1901, 1, 19) << 1129;
  QTest::newRow("1901 twelfth month") << Day(1901, 1, 20) << 1201;
  QTest::newRow("1901 new year") << Day(1901, 2, 19) << 101;
  QTest::newRow("2023 January in the twelfth month") << Day(2023, 1, 1) << 1210;
  QTest::newRow("2023 new year") << Day(2023, 1, 22) << 101;
  QTest::newRow("last day before a leap month") << Day(2023, 3, 21) << 230;
  QTest::newRow("first day of a leap month") << Day(2023, 3, 22) << -201;
  QTest::newRow("last day of a leap month") << Day(2023, 4, 19) << -229;
  QTest::newRow("month after a leap month") << Day(2023, 4, 20) << 301;
  QTest::newRow("leap eleventh month begins") << Day(2033, 12, 22) << -1101;
  QTest::newRow("leap month on 31 December") << Day(2033, 12, 31) << -1110;
  QTest::newRow("leap month over new year") << Day(2034, 1, 1) << -1111;
  QTest::newRow("leap month over new year, last day") << Day(2034, 1, 19) << -1129;
  QTest::newRow("after the carried leap month") << Day(2034, 1, 20) << 1201;
  QTest::newRow("1 January on day 30, 1919") << Day(1919, 1, 1) << 1130;
  QTest::newRow("1 January on day 30, 1938") << Day(1938, 1, 1) << 1130;
  QTest::newRow("leap tenth month 1984") << Day(1984, 11, 23) << -1001;
  QTest::newRow("2000 eve") << Day(2000, 2, 4) << 1229;
  QTest::newRow("2000 new year") << Day(2000, 2, 5) << 101;
  QTest::newRow("last day of the table") << Day(2050, 12, 31) << 1118;
  QTest::newRow("day before the table") << Day(1900, 12, 31) << 0;
  QTest::newRow("day after the table") << Day(2051, 1, 1) << 0;
  // Corrected row 1989: the sixth month has 30 days, the seventh 29.
  QTest::newRow("1989 sixth month day 30") << Day(1989, 8, 1) << 630;
  QTest::newRow("1989 seventh month begins") << Day(1989, 8, 2) << 701;
  QTest::newRow("1989 seventh month ends on day 29") << Day(1989, 8, 30) << 729;
  QTest::newRow("1989 eighth month begins") << Day(1989, 8, 31) << 801;
  // Corrected row 2013: the fourth month has 29 days, the fifth 30.
  QTest::newRow("2013 fourth month ends on day 29") << Day(2013, 6, 7) << 429;
  QTest::newRow("2013 fifth month begins") << Day(2013, 6, 8) << 501;
  QTest::newRow("2013 fifth month day 30") << Day(2013, 7, 7) << 530;
  QTest::newRow("2013 sixth month begins") << Day(2013, 7, 8) << 601;
}

void tst_DateCn::lunarDate() {
  QFETCH(DateValue, date);
  QFETCH(int, code);
  QCOMPARE(GetLunarDate(date), code);
}

void tst_DateCn::lunarDateIgnoresTimeOfDay() {
  QCOMPARE(GetLunarDate(Day(2023, 3, 22) + 0.999), -201);
  QCOMPARE(GetLunarDate(Day(2034, 1, 1) + 0.5), -1111);
}

// Every day of the table is the next day of the same lunar month or day 1 of
// the next month of the sequence, months have 29 or 30 days, and a leap month
// n follows the regular month n.
void tst_DateCn::lunarDateRunsOnDayByDay() {
  const DateValue first = Day(1901, 1, 1);
  const DateValue last = Day(2050, 12, 31);
  LunarDateCode previous = GetLunarDate(first);
  for (int offset = 1; first + offset <= last; ++offset) { // whole days, counted exactly
    const DateValue date = first + offset;
    const LunarDateCode code = GetLunarDate(date);
    const int month = code / 100, day = std::abs(code) % 100;
    const int previousMonth = previous / 100, previousDay = std::abs(previous) % 100;
    if (day != 1) {
      if (month != previousMonth || day != previousDay + 1)
        QFAIL(qPrintable(QStringLiteral("%1 after %2 on %3").arg(code).arg(previous).arg(YearOfDate(date))));
      previous = code;
      continue;
    }
    const bool followsAsLeap = month == -previousMonth && month < 0;
    const bool followsInOrder = std::abs(previousMonth) % 12 + 1 == month;
    if (!(previousDay == 29 || previousDay == 30) || !(followsAsLeap || followsInOrder))
      QFAIL(qPrintable(QStringLiteral("%1 after %2 on %3").arg(code).arg(previous).arg(YearOfDate(date))));
    previous = code;
  }
}

void tst_DateCn::monthAndDayNames_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<QString>("monthName");
  QTest::addColumn<QString>("dayName");
  QTest::newRow("eleventh month") << Day(1901, 1, 1) << "冬月"
                                  << "十一";
  QTest::newRow("twelfth month") << Day(2023, 1, 1) << "腊月"
                                 << "初十";
  QTest::newRow("day thirty") << Day(1919, 1, 1) << "冬月"
                              << "三十";
  QTest::newRow("first month") << Day(2024, 2, 10) << "正月"
                               << "初一";
  QTest::newRow("leap second month") << Day(2023, 3, 22) << "闰二"
                                     << "初一";
  QTest::newRow("leap eleventh month over new year") << Day(2034, 1, 1) << "闰冬"
                                                     << "十一";
  QTest::newRow("day twenty-one") << Day(2024, 3, 1) << "正月"
                                  << "廿一";
}

void tst_DateCn::monthAndDayNames() {
  QFETCH(DateValue, date);
  QFETCH(QString, monthName);
  QFETCH(QString, dayName);
  QCOMPARE(Text(GetLunarMonthName(date)), monthName);
  QCOMPARE(Text(GetLunarDayName(date)), dayName);
}

void tst_DateCn::lunarFestival_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<QString>("festival");
  QTest::newRow("eve after a 30-day twelfth month") << Day(2024, 2, 9) << "除夕";
  QTest::newRow("spring festival") << Day(2024, 2, 10) << "春节";
  QTest::newRow("lantern festival") << Day(2024, 2, 24) << "元宵节";
  QTest::newRow("dragon boat festival") << Day(2024, 6, 10) << "端午节";
  QTest::newRow("double seventh") << Day(2024, 8, 10) << "七夕节";
  QTest::newRow("mid-autumn") << Day(2024, 9, 17) << "中秋节";
  QTest::newRow("double ninth") << Day(2024, 10, 11) << "重阳节";
  QTest::newRow("laba") << Day(2025, 1, 7) << "腊八节";
  QTest::newRow("eve after a 29-day twelfth month") << Day(2025, 1, 28) << "除夕";
  QTest::newRow("spring festival 2025") << Day(2025, 1, 29) << "春节";
  QTest::newRow("day before the eve") << Day(2025, 1, 27) << "";
  QTest::newRow("fifth day of a leap fifth month") << Day(2009, 6, 27) << "";
  QTest::newRow("fifth day of the fifth month 2009") << Day(2009, 5, 28) << "端午节";
  QTest::newRow("fifteenth of another month") << Day(2024, 3, 24) << "";
  QTest::newRow("last day of the table") << Day(2050, 12, 31) << "";
}

void tst_DateCn::lunarFestival() {
  QFETCH(DateValue, date);
  QFETCH(QString, festival);
  QCOMPARE(Text(GetLunarFestival(date)), festival);
}

void tst_DateCn::zodiacYear_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<QString>("animal");
  QTest::newRow("eve of the dragon year") << Day(2024, 2, 9) << "卯兔";
  QTest::newRow("dragon year begins") << Day(2024, 2, 10) << "辰龙";
  QTest::newRow("twelfth month in December") << Day(2024, 12, 31) << "辰龙";
  QTest::newRow("leap eleventh month in January") << Day(2034, 1, 1) << "丑牛";
  QTest::newRow("rat year 1960, negative remainder") << Day(1960, 6, 1) << "子鼠";
  QTest::newRow("pig year 1971") << Day(1971, 6, 1) << "亥猪";
  QTest::newRow("January 1901 still in the rat year") << Day(1901, 1, 10) << "子鼠";
  QTest::newRow("first month in April") << Day(2023, 4, 1) << "卯兔";
}

void tst_DateCn::zodiacYear() {
  QFETCH(DateValue, date);
  QFETCH(QString, animal);
  QCOMPARE(Text(GetZodiacYear(date)), animal);
}

void tst_DateCn::solarTerm_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<QString>("term");
  QTest::newRow("first term of the table") << Day(1901, 1, 6) << "小寒";
  QTest::newRow("second January term is on the 21st") << Day(1901, 1, 20) << "";
  QTest::newRow("start of spring") << Day(2024, 2, 4) << "立春";
  QTest::newRow("day after a term") << Day(2024, 2, 5) << "";
  QTest::newRow("rain water") << Day(2024, 2, 19) << "雨水";
  QTest::newRow("winter solstice") << Day(2024, 12, 21) << "冬至";
  QTest::newRow("last term of the table") << Day(2050, 12, 22) << "冬至";
  // Corrected bytes: the day the term falls on, and the day the table had.
  const struct {
    int y;
    unsigned m, right, wrong;
    const char *term;
  } corrected[] = {
      {1904, 10, 9, 8, "寒露"},   {1912, 11, 22, 23, "小雪"}, {1913, 9, 23, 24, "秋分"},  {1929, 10, 9, 8, "寒露"},
      {1929, 11, 23, 22, "小雪"}, {1949, 8, 23, 24, "处暑"},  {1954, 10, 24, 23, "霜降"}, {1962, 1, 20, 21, "大寒"},
      {1973, 2, 19, 20, "雨水"},  {1976, 8, 23, 24, "处暑"},  {1977, 5, 5, 6, "立夏"},    {1979, 1, 20, 21, "大寒"},
      {1981, 11, 7, 8, "立冬"},   {1991, 5, 6, 7, "立夏"},    {1995, 8, 23, 21, "处暑"},  {2033, 7, 22, 23, "大暑"},
      {2034, 8, 7, 8, "立秋"},    {2049, 4, 4, 5, "清明"},    {2049, 4, 19, 20, "谷雨"},  {2050, 9, 7, 8, "白露"}};
  for (const auto &c : corrected) {
    const QByteArray name = QStringLiteral("corrected %1-%2-%3").arg(c.y).arg(c.m).arg(c.right).toUtf8();
    QTest::newRow(name.constData()) << Day(c.y, c.m, c.right) << QString::fromUtf8(c.term);
    QTest::newRow((name + " not a day off").constData()) << Day(c.y, c.m, c.wrong) << QString();
  }
}

void tst_DateCn::solarTerm() {
  QFETCH(DateValue, date);
  QFETCH(QString, term);
  QCOMPARE(Text(GetSolarTerm(date)), term);
}

void tst_DateCn::solarTermIndexOutsideTheTable_data() {
  QTest::addColumn<int>("y");
  QTest::addColumn<int>("m");
  QTest::addColumn<int>("d");
  QTest::newRow("year before the table") << 1900 << 1 << 6;
  QTest::newRow("year after the table") << 2051 << 1 << 5;
  QTest::newRow("month 0") << 2024 << 0 << 4;
  QTest::newRow("month 13") << 2024 << 13 << 4;
}

void tst_DateCn::solarTermIndexOutsideTheTable() {
  QFETCH(int, y);
  QFETCH(int, m);
  QFETCH(int, d);
  QCOMPARE(SolarTermIndex(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m), static_cast<std::uint16_t>(d)),
           std::uint16_t{0});
}

void tst_DateCn::noSolarTermOnTheFifteenth() {
  for (int y = FirstTableYear; y <= LastTableYear; ++y) {
    for (unsigned m = 1; m <= 12; ++m) {
      QCOMPARE(SolarTermIndex(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m), 15), std::uint16_t{0});
      // Exactly two terms a month: 2m - 1 before the 15th, 2m after it.
      int first = 0, second = 0;
      for (unsigned d = 1; d <= 31; ++d) {
        const int term =
            SolarTermIndex(static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m), static_cast<std::uint16_t>(d));
        first += term == static_cast<int>(2 * m - 1) && d < 15;
        second += term == static_cast<int>(2 * m) && d > 15;
      }
      QVERIFY2(first == 1 && second == 1, qPrintable(QStringLiteral("%1-%2").arg(y).arg(m)));
    }
  }
}

void tst_DateCn::solarFestival_data() {
  QTest::addColumn<int>("day");
  QTest::addColumn<DateValue>("monthOfDate");
  QTest::addColumn<QString>("festival");
  const DateValue may2024 = Day(2024, 5, 20);
  QTest::newRow("new year's day") << 1 << Day(2024, 1, 31) << "元旦节";
  QTest::newRow("second Sunday of May") << 12 << may2024 << "母亲节";
  QTest::newRow("Sunday of week index 0") << 5 << may2024 << "";
  QTest::newRow("third Sunday of June") << 16 << Day(2024, 6, 1) << "父亲节";
  QTest::newRow("fourth Thursday of November") << 28 << Day(2024, 11, 1) << "感恩节";
  QTest::newRow("Thursday of week index 4") << 29 << Day(2029, 11, 1) << "";
  QTest::newRow("labour day") << 1 << may2024 << "劳动节";
  QTest::newRow("valentine's day") << 14 << Day(2024, 2, 1) << "情人节";
  QTest::newRow("women's day") << 8 << Day(2024, 3, 1) << "妇女节";
  QTest::newRow("april fools' day") << 1 << Day(2024, 4, 1) << "愚人节";
  QTest::newRow("children's day") << 1 << Day(2024, 6, 30) << "儿童节";
  QTest::newRow("party day") << 1 << Day(2024, 7, 1) << "建党节";
  QTest::newRow("army day") << 1 << Day(2024, 8, 1) << "建军节";
  QTest::newRow("teachers' day") << 10 << Day(2024, 9, 1) << "教师节";
  QTest::newRow("national day") << 1 << Day(2024, 10, 1) << "国庆节";
  QTest::newRow("elders' day") << 6 << Day(2024, 10, 1) << "老人节";
  QTest::newRow("youth day") << 4 << may2024 << "青年节";
  QTest::newRow("day 31 of October") << 31 << Day(2024, 10, 1) << "万圣节";
  QTest::newRow("journalists' day") << 8 << Day(2024, 11, 30) << "记者日";
  QTest::newRow("Christmas") << 25 << Day(2024, 12, 1) << "圣诞节";
  QTest::newRow("ordinary day") << 2 << Day(2024, 12, 1) << "";
  QTest::newRow("day 31 of June") << 31 << Day(2024, 6, 1) << "";
  QTest::newRow("day 31 of November") << 31 << Day(2024, 11, 1) << "";
  QTest::newRow("day 0 of May") << 0 << may2024 << "";
  QTest::newRow("negative day") << -6 << may2024 << "";
  QTest::newRow("day 32") << 32 << Day(2024, 1, 1) << "";
}

void tst_DateCn::solarFestival() {
  QFETCH(int, day);
  QFETCH(DateValue, monthOfDate);
  QFETCH(QString, festival);
  QCOMPARE(Text(GetSolarFestival(day, monthOfDate)), festival);
}

void tst_DateCn::starSign_data() {
  QTest::addColumn<DateValue>("date");
  QTest::addColumn<QString>("sign");
  QTest::newRow("19 January") << Day(2024, 1, 19) << "摩羯座";
  QTest::newRow("20 January") << Day(2024, 1, 20) << "水瓶座";
  QTest::newRow("18 February") << Day(2024, 2, 18) << "水瓶座";
  QTest::newRow("19 February") << Day(2024, 2, 19) << "双鱼座";
  QTest::newRow("29 February") << Day(2024, 2, 29) << "双鱼座";
  QTest::newRow("20 March") << Day(2024, 3, 20) << "双鱼座";
  QTest::newRow("21 March") << Day(2024, 3, 21) << "白羊座";
  QTest::newRow("19 April") << Day(2024, 4, 19) << "白羊座";
  QTest::newRow("20 April") << Day(2024, 4, 20) << "金牛座";
  QTest::newRow("20 May") << Day(2024, 5, 20) << "金牛座";
  QTest::newRow("21 May") << Day(2024, 5, 21) << "双子座";
  QTest::newRow("21 June") << Day(2024, 6, 21) << "双子座";
  QTest::newRow("22 June") << Day(2024, 6, 22) << "巨蟹座";
  QTest::newRow("22 July") << Day(2024, 7, 22) << "巨蟹座";
  QTest::newRow("23 July") << Day(2024, 7, 23) << "狮子座";
  QTest::newRow("22 September") << Day(2024, 9, 22) << "处女座";
  QTest::newRow("23 September") << Day(2024, 9, 23) << "天秤座";
  QTest::newRow("23 October") << Day(2024, 10, 23) << "天秤座";
  QTest::newRow("24 October") << Day(2024, 10, 24) << "天蝎座";
  QTest::newRow("21 November") << Day(2024, 11, 21) << "天蝎座";
  QTest::newRow("22 November") << Day(2024, 11, 22) << "射手座";
  QTest::newRow("22 August") << Day(2024, 8, 22) << "狮子座";
  QTest::newRow("23 August") << Day(2024, 8, 23) << "处女座";
  QTest::newRow("24 August") << Day(2024, 8, 24) << "处女座";
  QTest::newRow("21 December") << Day(2024, 12, 21) << "射手座";
  QTest::newRow("22 December") << Day(2024, 12, 22) << "摩羯座";
  QTest::newRow("outside the lunar table") << Day(1850, 7, 1) << "巨蟹座";
}

void tst_DateCn::starSign() {
  QFETCH(DateValue, date);
  QFETCH(QString, sign);
  QCOMPARE(Text(GetStarSign(date)), sign);
  QCOMPARE(Text(GetStarSignOfDay(DayOfDate(date), Day(YearOfDate(date), MonthOfDate(date), 1))), sign);
}

void tst_DateCn::everyDayHasAStarSign() {
  for (int offset = 0; Day(2024, 1, 1) + offset <= Day(2024, 12, 31); ++offset) {
    const DateValue date = Day(2024, 1, 1) + offset;
    QVERIFY2(!GetStarSign(date).isEmpty(), qPrintable(QString::number(DayNumberOfYear(date))));
  }
  // A day the month doesn't have gets no sign instead of a conversion error.
  QVERIFY(GetStarSignOfDay(30, Day(2024, 2, 1)).isEmpty());
  QVERIFY(GetStarSignOfDay(29, Day(2023, 2, 1)).isEmpty());
  QVERIFY(GetStarSignOfDay(31, Day(2024, 4, 1)).isEmpty());
  QVERIFY(GetStarSignOfDay(0, Day(2024, 4, 1)).isEmpty());
  QCOMPARE(Text(GetStarSignOfDay(29, Day(2024, 2, 1))), QStringLiteral("双鱼座"));
}

void tst_DateCn::datesOutsideTheTableHaveNoLunarNames_data() {
  QTest::addColumn<DateValue>("date");
  QTest::newRow("31 December 1900") << Day(1900, 12, 31);
  QTest::newRow("1 January 2051") << Day(2051, 1, 1);
  QTest::newRow("February 2051, before a new year") << Day(2051, 2, 1);
  QTest::newRow("far past") << Day(1, 1, 1);
}

void tst_DateCn::datesOutsideTheTableHaveNoLunarNames() {
  QFETCH(DateValue, date);
  QVERIFY(GetLunarMonthName(date).isEmpty());
  QVERIFY(GetLunarDayName(date).isEmpty());
  QVERIFY(GetLunarFestival(date).isEmpty());
  QVERIFY(GetZodiacYear(date).isEmpty());
  QVERIFY(GetSolarTerm(date).isEmpty());
}

void tst_DateCn::nameListsAreGbk() {
  auto joined = [](const auto &list) {
    QString text;
    for (std::string_view name : list)
      text += Text(QByteArray(name.data(), static_cast<qsizetype>(name.size()))) + QLatin1Char(' ');
    return text.trimmed();
  };
  QCOMPARE(joined(LunarMonthNames), QStringLiteral("正 二 三 四 五 六 七 八 九 十 冬 腊"));
  QCOMPARE(joined(LunarDayNames),
           QStringLiteral("初一 初二 初三 初四 初五 初六 初七 初八 初九 初十 十一 十二 十三 十四 十五 "
                          "十六 十七 十八 十九 二十 廿一 廿二 廿三 廿四 廿五 廿六 廿七 廿八 廿九 三十"));
  QCOMPARE(joined(AnimalNames), QStringLiteral("子鼠 丑牛 寅虎 卯兔 辰龙 巳蛇 午马 未羊 申猴 酉鸡 戌狗 亥猪"));
  QCOMPARE(joined(SolarTermNames), QStringLiteral("小寒 大寒 立春 雨水 惊蛰 春分 清明 谷雨 立夏 小满 芒种 夏至 "
                                                  "小暑 大暑 立秋 处暑 白露 秋分 寒露 霜降 立冬 小雪 大雪 冬至"));
  // Every Gregorian festival name is three characters, six bytes.
  for (const SolarFestivalRule &rule : SolarFestivals)
    QCOMPARE(rule.Name.size(), std::size_t{6});
}

QTEST_GUILESS_MAIN(tst_DateCn)
#include "tst_DateCn.moc"
