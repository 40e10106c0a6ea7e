#include "DateCn.h"

#include <cmath>

using namespace std::chrono;

namespace {

// Day 0 of the date value.
constexpr sys_days DayZero = sys_days{year{1899} / December / 30};
// The platform's date range: 0001-01-01 .. 9999-12-31.
constexpr double FirstDateValue = -693593;
constexpr double LastDateValue = 2958466;

// 0-based day of the year on which the month in progress on 1 January ends.
constexpr int FirstMonthLastDay(std::uint32_t row) { return LunarRowMonthLength(row, 0) - LunarRowOffset(row); }

constexpr bool LunarRowsAreWellFormed() {
  for (std::uint32_t row : LunarYearTable) {
    const int offset = LunarRowOffset(row);
    const int leap = LunarRowLeapMonth(row);
    if (offset < 1 || offset > 30 || leap == 1 || leap > 11)
      return false;
  }
  return true;
}
static_assert(LunarRowsAreWellFormed(), "January offsets lie in 1..30, leap months in 2..11");

constexpr bool SolarTermBytesAreWellFormed() {
  for (std::uint8_t byte : SolarTermTable)
    if ((byte >> 4) < 6 || (byte >> 4) > 12 || (byte & 0x0F) < 3 || (byte & 0x0F) > 9)
      return false;
  return true;
}
static_assert(SolarTermBytesAreWellFormed(), "first terms fall on days 3..9, second terms on days 18..24");

// Every GBK name is whole characters of two bytes each.
template <std::size_t N> constexpr bool AllOfSize(const std::array<std::string_view, N> &names, std::size_t size) {
  for (std::string_view name : names)
    if (name.size() != size)
      return false;
  return true;
}
static_assert(AllOfSize(LunarMonthNames, 2) && AllOfSize(LunarDayNames, 4) && AllOfSize(AnimalNames, 4) &&
              AllOfSize(SolarTermNames, 4));
constexpr bool FestivalAndSignNamesAreThreeCharacters() {
  for (const SolarFestivalRule &rule : SolarFestivals)
    if (rule.Name.size() != 6 || rule.Month < 1 || rule.Month > 12)
      return false;
  for (const StarSignRule &rule : StarSigns)
    if (rule.FirstSign.size() != 6 || rule.SecondSign.size() != 6 || rule.FirstDayOfSecond != rule.LastDayOfFirst + 1)
      return false;
  return true;
}
static_assert(FestivalAndSignNamesAreThreeCharacters(), "names of three characters; every day has a star sign");

constexpr LunarDateCode Code(int month, int day) { return month < 0 ? month * 100 - day : month * 100 + day; }

// The lunar date of day t (0-based, 0 = 1 January) of a table row. A day that
// lies in the month in progress on 1 January gets that month as a regular
// month; the caller decides whether it is the leap month carried over.
constexpr LunarDateCode WalkRow(std::uint32_t row, int t) {
  const int leapMonth = LunarRowLeapMonth(row);
  int month = LunarRowFirstMonth(row);
  int lastDay = FirstMonthLastDay(row);
  if (t <= lastDay)
    return Code(month, LunarRowOffset(row) + t);
  for (int i = 1; i < 16; ++i) {
    month = NextLunarMonth(month, leapMonth);
    const int length = LunarRowMonthLength(row, i);
    if (t <= lastDay + length)
      return Code(month, t - lastDay);
    lastDay += length;
  }
  return 0; // every row covers its whole year within sixteen months
}

constexpr int DaysInYear(int y) { return year{y}.is_leap() ? 366 : 365; }

constexpr bool IsTableYear(int y) { return y >= FirstTableYear && y <= LastTableYear; }

constexpr bool IsTableYear(const year_month_day &date) {
  return date.ok() && IsTableYear(static_cast<int>(date.year()));
}

QByteArray Text(std::string_view text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// Month number of a lunar code: negative for a leap month, 0 for no date.
constexpr int LunarMonth(LunarDateCode code) { return code / 100; }
constexpr int LunarDay(LunarDateCode code) { return (code < 0 ? -code : code) % 100; }

QByteArray StarSignOf(unsigned month, unsigned day) {
  const StarSignRule &rule = StarSigns[month - 1];
  if (static_cast<int>(day) <= rule.LastDayOfFirst)
    return Text(rule.FirstSign);
  if (static_cast<int>(day) >= rule.FirstDayOfSecond)
    return Text(rule.SecondSign);
  return {};
}

} // namespace

year_month_day DecodeDate(DateValue date) {
  if (!(date >= FirstDateValue && date < LastDateValue))
    return year_month_day{year{0}, month{0}, day{0}};
  return year_month_day{DayZero + days{static_cast<int>(std::trunc(date))}};
}

DateValue EncodeDate(year_month_day date) { return static_cast<DateValue>((sys_days{date} - DayZero).count()); }

int YearOfDate(DateValue date) { return static_cast<int>(DecodeDate(date).year()); }

int MonthOfDate(DateValue date) { return static_cast<int>(static_cast<unsigned>(DecodeDate(date).month())); }

int DayOfDate(DateValue date) { return static_cast<int>(static_cast<unsigned>(DecodeDate(date).day())); }

int DayNumberOfYear(DateValue date) {
  const year_month_day ymd = DecodeDate(date);
  if (!ymd.ok())
    return 0;
  return (sys_days{ymd} - sys_days{ymd.year() / January / 1}).count() + 1;
}

int DayOfWeek(DateValue date) {
  const year_month_day ymd = DecodeDate(date);
  return ymd.ok() ? static_cast<int>(weekday{sys_days{ymd}}.c_encoding()) + 1 : 0;
}

LunarDateCode GetLunarDate(DateValue date) {
  const year_month_day ymd = DecodeDate(date);
  if (!IsTableYear(ymd))
    return 0;
  const int y = static_cast<int>(ymd.year());
  const int t = (sys_days{ymd} - sys_days{ymd.year() / January / 1}).count();
  const std::uint32_t row = LunarYearTable[static_cast<std::size_t>(y - FirstTableYear)];
  const LunarDateCode code = WalkRow(row, t);
  if (y == FirstTableYear || t > FirstMonthLastDay(row))
    return code;
  // The month in progress on 1 January is the leap month when 31 December
  // before lay in a leap month (no leap month of the table ends on 31 December);
  // only a year whose leap month has that number needs the walk.
  const std::uint32_t previousRow = LunarYearTable[static_cast<std::size_t>(y - 1 - FirstTableYear)];
  if (LunarRowLeapMonth(previousRow) == LunarRowFirstMonth(row) && WalkRow(previousRow, DaysInYear(y - 1) - 1) < 0)
    return -code;
  return code;
}

QByteArray GetLunarMonthName(DateValue date) {
  const int month = LunarMonth(GetLunarDate(date));
  if (month == 0)
    return {};
  if (month < 0)
    return Text(LeapPrefix) + Text(LunarMonthNames[static_cast<std::size_t>(-month - 1)]);
  return Text(LunarMonthNames[static_cast<std::size_t>(month - 1)]) + Text(MonthSuffix);
}

QByteArray GetLunarDayName(DateValue date) {
  const LunarDateCode code = GetLunarDate(date);
  return code == 0 ? QByteArray() : Text(LunarDayNames[static_cast<std::size_t>(LunarDay(code) - 1)]);
}

// Festivals fall in regular months only: a leap month's name ("闰五") never
// equals the regular month's ("五月").
QByteArray GetLunarFestival(DateValue date) {
  const LunarDateCode code = GetLunarDate(date);
  if (code == 0)
    return {};
  const int month = LunarMonth(code);
  switch (LunarDay(code)) {
  case 1:
    return month == 1 ? Text(SpringFestival) : QByteArray();
  case 5:
    return month == 5 ? Text(DragonBoatFestival) : QByteArray();
  case 7:
    return month == 7 ? Text(DoubleSeventhFestival) : QByteArray();
  case 8:
    return month == 12 ? Text(LabaFestival) : QByteArray();
  case 9:
    return month == 9 ? Text(DoubleNinthFestival) : QByteArray();
  case 15:
    return month == 8 ? Text(MidAutumnFestival) : month == 1 ? Text(LanternFestival) : QByteArray();
  default:
    // The eve is the last day of the month before the first month, 29 or 30
    // days long; the day after 31 December 2050 has no lunar date.
    return month != 1 && LunarMonth(GetLunarDate(date + 1)) == 1 ? Text(NewYearsEve) : QByteArray();
  }
}

QByteArray GetZodiacYear(DateValue date) {
  const year_month_day ymd = DecodeDate(date);
  if (!IsTableYear(ymd))
    return {};
  const int r = ((static_cast<int>(ymd.year()) - RatYear) % 12 + 12) % 12;
  // Before the lunar new year, January to March still belong to the animal of
  // the year before: the eleventh and twelfth months, leap or not.
  const int month = LunarMonth(GetLunarDate(date));
  const bool beforeNewYear =
      static_cast<unsigned>(ymd.month()) <= 3 && (month == 11 || month == 12 || month == -11 || month == -12);
  return Text(AnimalNames[static_cast<std::size_t>(beforeNewYear ? (r + 11) % 12 : r)]);
}

std::uint16_t SolarTermIndex(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
  if (!IsTableYear(year) || month < 1 || month > 12)
    return 0;
  const std::uint8_t byte = SolarTermTable[static_cast<std::size_t>((year - FirstTableYear) * 12 + month - 1)];
  const int termDay = day < 15 ? 15 - (byte >> 4) : 15 + (byte & 0x0F);
  if (day != termDay)
    return 0;
  return static_cast<std::uint16_t>(day <= 15 ? 2 * month - 1 : 2 * month);
}

QByteArray GetSolarTerm(DateValue date) {
  const year_month_day ymd = DecodeDate(date);
  if (!IsTableYear(ymd))
    return {};
  const std::uint16_t term = SolarTermIndex(static_cast<std::uint16_t>(static_cast<int>(ymd.year())),
                                            static_cast<std::uint16_t>(static_cast<unsigned>(ymd.month())),
                                            static_cast<std::uint16_t>(static_cast<unsigned>(ymd.day())));
  return term == 0 ? QByteArray() : Text(SolarTermNames[term - 1]);
}

QByteArray GetSolarFestival(int day, DateValue date) {
  const year_month_day monthOfDate = DecodeDate(date);
  if (!monthOfDate.ok() || day < 1 || day > 31)
    return {};
  const year_month_day festivalDay{monthOfDate.year(), monthOfDate.month(),
                                   std::chrono::day{static_cast<unsigned>(day)}};
  if (!festivalDay.ok())
    return {};
  const int month = static_cast<int>(static_cast<unsigned>(monthOfDate.month()));
  QByteArray result;
  for (const SolarFestivalRule &rule : SolarFestivals) {
    if (rule.Month != month)
      continue;
    const bool holds = rule.Day > 0
                           ? day == rule.Day
                           : static_cast<int>(weekday{sys_days{festivalDay}}.c_encoding()) + 1 == rule.Weekday &&
                                 (day - 1) / 7 == rule.WeekIndex;
    if (holds)
      result = Text(rule.Name);
  }
  return result;
}

QByteArray GetStarSign(DateValue date) {
  const year_month_day ymd = DecodeDate(date);
  if (!ymd.ok())
    return {};
  return StarSignOf(static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
}

QByteArray GetStarSignOfDay(int day, DateValue date) {
  const year_month_day monthOfDate = DecodeDate(date);
  if (!monthOfDate.ok() || day < 1 || day > 31)
    return {};
  const year_month_day signDay{monthOfDate.year(), monthOfDate.month(), std::chrono::day{static_cast<unsigned>(day)}};
  if (!signDay.ok())
    return {};
  return StarSignOf(static_cast<unsigned>(signDay.month()), static_cast<unsigned>(signDay.day()));
}
