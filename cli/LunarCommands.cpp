// vandrel-tool's lunar commands: solar (one lunar date to its Gregorian day),
// birthday (a lunar birthday's day in each of a run of years) and ics (the
// festivals, solar terms and birthdays as an iCalendar file).

#include "ToolCommand.h"

#include "Desktop.h"
#include "Gbk.h"
#include "ICalendar.h"
#include "SolarDate.h"

#include <QCommandLineParser>
#include <QDateTime>

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
  return Number(text);
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
                                "\n"
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

// ics --------------------------------------------------------------------

constexpr char IcsHelp[] = "Usage: vandrel-tool ics FROM TO [--birthday NAME MONTH DAY [--leap]]... -o FILE\n"
                           "\n"
                           "Writes an iCalendar file (RFC 5545) for your calendar program (GNOME\n"
                           "Calendar, Thunderbird, a phone): the lunar festivals and the 24 solar\n"
                           "terms of the days from FROM to TO (dates written YYYY-MM-DD; the years\n"
                           "1901-2050 have them) as all-day events, each described by its lunar date\n"
                           "and the day's 干支.\n"
                           "\n"
                           "Each --birthday adds a lunar birthday or anniversary as one event a year\n"
                           "on its Gregorian day, NAME being the events' title. MONTH and DAY are\n"
                           "written as for birthday; --leap right after them names the leap month.\n"
                           "Where a year lacks the date, our rule keeps a leap-month date on the same\n"
                           "day of the regular month and 三十 of a 29-day month on its 廿九 (calendar\n"
                           "programs differ here; this is a choice), and the event says so.\n"
                           "\n"
                           "Every event has a UID made from its kind and day: importing a later file\n"
                           "again updates the events instead of doubling them. FILE is written to a\n"
                           "temporary file renamed over it; an existing FILE is replaced only when it\n"
                           "is an iCalendar file or empty. When FILE cannot be written, the exit\n"
                           "status is 3.\n"
                           "\n"
                           "Example:\n"
                           "  vandrel-tool ics 2024-01-01 2024-12-31 --birthday 妈妈生日 4 8 --leap -o 2024.ics\n";

// --birthday NAME MONTH DAY [--leap], as often as wanted: QCommandLineParser
// gives an option one value, so the groups are taken out of the arguments
// first and the rest is parsed as usual.
QList<LunarBirthday> TakeBirthdays(const QStringList &arguments, QStringList &rest) {
  QList<LunarBirthday> birthdays;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString &argument = arguments[i];
    if (argument == u"--") {
      rest += arguments.mid(i);
      break;
    }
    if (argument == u"--leap")
      throw BadArguments{QStringLiteral("--leap belongs right after a --birthday's NAME MONTH DAY")};
    if (argument != u"--birthday" && !argument.startsWith(u"--birthday=")) {
      rest += argument;
      continue;
    }
    QStringList words;
    if (argument != u"--birthday")
      words += argument.mid(11);
    while (words.size() < 3 && i + 1 < arguments.size())
      words += arguments[++i];
    if (words.size() < 3)
      throw BadArguments{QStringLiteral("--birthday needs NAME MONTH DAY")};
    if (words[0].trimmed().isEmpty())
      throw BadArguments{QStringLiteral("--birthday needs a NAME that is not blank")};
    LunarMonthArgument month = ParseLunarMonth(words[1]);
    if (i + 1 < arguments.size() && arguments[i + 1] == u"--leap") {
      month.Leap = true;
      ++i;
    }
    birthdays += LunarBirthday{words[0], month.Month, month.Leap, ParseLunarDay(words[2])};
  }
  return birthdays;
}

int Ics(const CommandLine &line, ToolStreams &streams) {
  QStringList rest;
  const QList<LunarBirthday> birthdays = TakeBirthdays(line.Arguments, rest);
  QCommandLineParser parser;
  const QCommandLineOption output(QStringLiteral("o"), QString(), QStringLiteral("FILE"));
  parser.addOption(output);
  if (!parser.parse(QStringList{QStringLiteral("ics")} + rest))
    throw BadArguments{parser.errorText()};
  const QStringList dates = parser.positionalArguments();
  if (dates.size() < 2)
    throw BadArguments{QStringLiteral("missing FROM and TO (dates written YYYY-MM-DD)")};
  if (dates.size() > 2)
    throw BadArguments{QStringLiteral("too many arguments (\"%1\" is one too many)").arg(dates[2])};
  const QString file = parser.value(output);
  if (file.isEmpty())
    throw BadArguments{QStringLiteral("-o needs the file to write")};
  const year_month_day from = ParseDate(dates[0], false, u"YYYY-MM-DD");
  const year_month_day to = ParseDate(dates[1], false, u"YYYY-MM-DD");
  if (sys_days{to} < sys_days{from})
    throw BadArguments{QStringLiteral("TO %1 lies before FROM %2").arg(IsoDate(to), IsoDate(from))};

  QList<CalendarEvent> events = GetFestivalEvents(from, to);
  for (const LunarBirthday &birthday : birthdays)
    events += GetBirthdayEvents(birthday, from, to);
  const SaveResult saved = SaveICalendar(WriteICalendar(events, Desktop::Clock()), file);
  switch (saved.Problem) {
  case SaveProblem::None:
    streams.Out.Line(QStringLiteral("%1 events written to %2").arg(events.size()).arg(file));
    return ExitSuccess;
  case SaveProblem::NotACalendarFile:
    Message(
        streams.Err, u"ics",
        QStringLiteral("%1 exists and is not an iCalendar file: it was left as it was (name another file)").arg(file));
    break;
  case SaveProblem::NotARegularFile:
    Message(streams.Err, u"ics", QStringLiteral("%1 is not a file that can be written").arg(file));
    break;
  case SaveProblem::WriteFailed:
    Message(streams.Err, u"ics", QStringLiteral("cannot write %1: %2").arg(file, saved.Reason));
    break;
  }
  return ExitOutputFailed;
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

const ToolCommand IcsCommand{QStringLiteral("ics"),
                             "  ics FROM TO [--birthday NAME MONTH DAY [--leap]]... -o FILE\n"
                             "                              festivals, solar terms and birthdays as an\n"
                             "                              iCalendar file for a calendar program\n",
                             IcsHelp,
                             {{QStringLiteral("birthday"), QStringLiteral("NAME MONTH DAY")},
                              {QStringLiteral("leap"), QString()},
                              {QStringLiteral("o"), QStringLiteral("the file to write")}},
                             Ics};
