// vandrel-tool's lunar commands: solar (one lunar date to its Gregorian day)
// and birthday (a lunar birthday's day in each of a run of years).

#include "ToolCommand.h"

#include "Gbk.h"
#include "SolarDate.h"

#include <chrono>
#include <optional>

using namespace std::chrono;

namespace {

struct LunarMonthArgument {
  int Month = 0; // [1, 12]
  bool Leap = false;
};

// Month names without 月, for months 1..12; 正 may also be 一, 冬 十一, 腊 十二.
constexpr const char16_t *MonthNames[] = {u"正", u"二", u"三", u"四", u"五", u"六",
                                          u"七", u"八", u"九", u"十", u"冬", u"腊"};
constexpr const char16_t *OtherMonthNames[] = {u"一",   nullptr, nullptr, nullptr, nullptr, nullptr,
                                               nullptr, nullptr, nullptr, nullptr, u"十一", u"十二"};

// A whole number of at most four decimal digits, else nothing.
std::optional<int> SmallNumber(QStringView text) {
  if (text.isEmpty() || text.size() > 4)
    return std::nullopt;
  int value = 0;
  for (QChar c : text) {
    if (c < u'0' || c > u'9')
      return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
  }
  return value;
}

LunarMonthArgument ParseLunarMonth(const QString &text) {
  QStringView name(text);
  LunarMonthArgument month;
  if (name.startsWith(u'闰')) {
    month.Leap = true;
    name = name.sliced(1);
  }
  if (name.endsWith(u'月'))
    name.chop(1);
  if (const std::optional<int> number = SmallNumber(name); number && *number >= 1 && *number <= 12)
    month.Month = *number;
  for (int i = 0; i < 12 && month.Month == 0; ++i)
    if (name == QStringView(MonthNames[i]) || (OtherMonthNames[i] && name == QStringView(OtherMonthNames[i])))
      month.Month = i + 1;
  if (month.Month == 0)
    throw BadArguments{QStringLiteral("bad lunar month \"%1\": expected 1-12 or a name such as 正月, 八月, 冬月, "
                                      "腊月 or 闰四月")
                           .arg(text)};
  return month;
}

int ParseLunarDay(const QString &text) {
  if (const std::optional<int> number = SmallNumber(text); number && *number >= 1 && *number <= 30)
    return *number;
  // 二十一 .. 二十九 are written 廿一 .. 廿九 in the calendar's names.
  const QString name = text.size() == 3 && text.startsWith(QStringLiteral("二十")) ? u'廿' + text.mid(2) : text;
  for (int day = 1; day <= 30; ++day) {
    const std::string_view gbk = LunarDayNames[static_cast<std::size_t>(day - 1)];
    if (Gbk::FromGbk(QByteArray(gbk.data(), static_cast<qsizetype>(gbk.size()))) == name)
      return day;
  }
  throw BadArguments{
      QStringLiteral("bad lunar day \"%1\": expected 1-30 or a name such as 初八, 十五, 廿九 or 三十").arg(text)};
}

int ParseLunarYear(const QString &text, QStringView what) {
  if (const std::optional<int> number = SmallNumber(text))
    return *number;
  throw BadArguments{QStringLiteral("bad %1 \"%2\": expected a lunar year such as 2024").arg(what, text)};
}

QString DateName(const LunarDate &date) { return Gbk::FromGbk(GetLunarDateName(date.Month, date.Leap, date.Day)); }

QString MonthName(int month, bool leap) {
  QString name = Gbk::FromGbk(GetLunarDateName(month, leap, 1));
  name.chop(2); // 初一
  return name;
}

// The leap month of a lunar year, 0 when it has none.
int LeapMonthOf(int lunarYear) {
  for (int month = 1; month <= 12; ++month)
    if (FindLunarMonth(lunarYear, month, true))
      return month;
  return 0;
}

// Why the lunar date has no day, for a person.
QString ProblemText(const LunarDate &date, LunarDateProblem problem) {
  switch (problem) {
  case LunarDateProblem::NoSuchDay:
    return QStringLiteral("%1 of the lunar year %2 has %3 days: there is no %4")
        .arg(MonthName(date.Month, date.Leap))
        .arg(date.Year)
        .arg(FindLunarMonth(date.Year, date.Month, date.Leap)->Length)
        .arg(DateName(date).mid(MonthName(date.Month, date.Leap).size()));
  case LunarDateProblem::NoSuchLeapMonth:
    if (const int leap = LeapMonthOf(date.Year))
      return QStringLiteral("the lunar year %1 has %2 as its leap month, not %3")
          .arg(date.Year)
          .arg(MonthName(leap, true), MonthName(date.Month, true));
    return QStringLiteral("the lunar year %1 has no leap month").arg(date.Year);
  case LunarDateProblem::OutsideTable:
    return QStringLiteral("%1 of the lunar year %2 lies outside the days the table reaches, "
                          "1901-01-01 to 2050-12-31")
        .arg(DateName(date))
        .arg(date.Year);
  case LunarDateProblem::NoSuchMonth:
  case LunarDateProblem::None:
    break;
  }
  return QStringLiteral("no such lunar date");
}

// solar ------------------------------------------------------------------

constexpr char SolarHelp[] = "Usage: vandrel-tool solar YEAR MONTH DAY [--leap]\n"
                             "\n"
                             "The Gregorian day, written YYYY-MM-DD, of DAY of MONTH in the lunar year\n"
                             "YEAR. A date that does not exist is refused (status 1) with the reason:\n"
                             "the month has no such day, the year has no such leap month, or the day\n"
                             "lies outside the table, 1901-01-01 to 2050-12-31. No rule moves the date:\n"
                             "that is what birthday does.\n"
                             "\n"
                             "A lunar year is named by the Gregorian year in which its 正月 begins.\n"
                             "MONTH is 1-12 or its name (正月, 八月, 冬月, 腊月; 闰四月 or --leap for a\n"
                             "leap month), DAY 1-30 or its name (初八, 十五, 廿九, 三十); see\n"
                             "\"vandrel-tool birthday --help\".\n"
                             "\n"
                             "Example: vandrel-tool solar 2023 闰二月 初八\n"
                             "2023-03-29\n";

int Solar(const CommandLine &line, Output &out) {
  ExpectArguments(line, 3, 3, u"YEAR MONTH DAY (the lunar date)");
  const int lunarYear = ParseLunarYear(line.Positional[0], u"YEAR");
  LunarMonthArgument month = ParseLunarMonth(line.Positional[1]);
  month.Leap = month.Leap || line.Has(QStringLiteral("leap"));
  const LunarDate date{lunarYear, month.Month, month.Leap, ParseLunarDay(line.Positional[2])};
  const SolarDateResult result = GetSolarDate(date);
  if (!result)
    throw BadArguments{ProblemText(date, result.Problem)};
  out.Line(IsoDate(result.Date));
  return ExitSuccess;
}

// birthday ---------------------------------------------------------------

constexpr char BirthdayHelp[] = "Usage: vandrel-tool birthday MONTH DAY [--leap] FROM TO\n"
                                "\n"
                                "The Gregorian day of a lunar birthday or anniversary, DAY of MONTH, in\n"
                                "each lunar year from FROM to TO, both included. One line per year with\n"
                                "three fields separated by a tab: the day YYYY-MM-DD, the lunar year and\n"
                                "the lunar date kept that year.\n"
                                "\n"
                                "Where a year lacks the date, it is kept by our rule. Calendar programs\n"
                                "differ here (some take the next day, some skip the year); this is a\n"
                                "choice:\n"
                                "  - a day of a leap month that the year does not have (or has under\n"
                                "    another number) is kept on the same day of the regular month:\n"
                                "    闰四月初八 -> 四月初八;\n"
                                "  - 三十 of a month that has 29 days is kept on its 廿九.\n"
                                "\n"
                                "MONTH is 1-12 or its name: 正月 (一月), 二月 ... 十月, 冬月 (十一月),\n"
                                "腊月 (十二月), with or without 月; 闰 before it (闰四月) or --leap names\n"
                                "the leap month. DAY is 1-30 or its name: 初一 ... 初十, 十一 ... 二十,\n"
                                "廿一 ... 廿九 (or 二十一 ... 二十九), 三十. A lunar year is named by the\n"
                                "Gregorian year in which its 正月 begins: 腊月 of the lunar year 2023 lies\n"
                                "in January and February 2024. The table reaches from 1901-01-01 to\n"
                                "2050-12-31.\n"
                                "When a year's day lies outside the table, nothing is written and the\n"
                                "message names the years the table reaches for that date.\n"
                                "\n"
                                "Example: vandrel-tool birthday 4 8 --leap 2020 2023\n"
                                "2020-05-30\t2020\t闰四月初八\n"
                                "2021-05-19\t2021\t四月初八\n"
                                "2022-05-08\t2022\t四月初八\n"
                                "2023-05-26\t2023\t四月初八\n";

int Birthday(const CommandLine &line, Output &out) {
  ExpectArguments(line, 4, 4, u"MONTH DAY FROM TO");
  LunarMonthArgument month = ParseLunarMonth(line.Positional[0]);
  month.Leap = month.Leap || line.Has(QStringLiteral("leap"));
  const int day = ParseLunarDay(line.Positional[1]);
  const int from = ParseLunarYear(line.Positional[2], u"FROM");
  const int to = ParseLunarYear(line.Positional[3], u"TO");
  if (to < from)
    throw BadArguments{QStringLiteral("TO %1 lies before FROM %2").arg(to).arg(from)};
  QStringList lines;
  for (int lunarYear = from; lunarYear <= to; ++lunarYear) {
    const KeptDate kept = GetKeptDate(month.Month, month.Leap, day, lunarYear);
    if (!kept.Solar) {
      int first = FirstTableYear - 1, last = LastTableYear;
      while (first < last && !GetKeptDate(month.Month, month.Leap, day, first).Solar)
        ++first;
      while (last > first && !GetKeptDate(month.Month, month.Leap, day, last).Solar)
        --last;
      throw BadArguments{QStringLiteral("%1 (the lunar year %2) lies outside the days the table reaches; "
                                        "for this date FROM and TO can be %3 to %4")
                             .arg(DateName(kept.Lunar))
                             .arg(lunarYear)
                             .arg(first)
                             .arg(last)};
    }
    lines += IsoDate(kept.Solar.Date) + u'\t' + QString::number(lunarYear) + u'\t' + DateName(kept.Lunar);
  }
  for (const QString &text : lines)
    out.Line(text);
  return ExitSuccess;
}

} // namespace

const ToolCommand SolarCommand{QStringLiteral("solar"),
                               "  solar YEAR MONTH DAY [--leap]\n"
                               "                              the Gregorian day of a lunar date\n",
                               SolarHelp,
                               {{QStringLiteral("leap"), QString()}},
                               [](const CommandLine &line, ToolStreams &streams) { return Solar(line, streams.Out); }};

const ToolCommand BirthdayCommand{
    QStringLiteral("birthday"),
    "  birthday MONTH DAY [--leap] FROM TO\n"
    "                              a lunar birthday's day in each lunar year\n",
    BirthdayHelp,
    {{QStringLiteral("leap"), QString()}},
    [](const CommandLine &line, ToolStreams &streams) { return Birthday(line, streams.Out); }};
