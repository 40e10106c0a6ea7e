#pragma once
// From the lunar calendar back to the Gregorian one: the day of a lunar date,
// the lunar date of a day with its lunar year, and the day on which a lunar
// birthday or anniversary is kept in a given year. Pure functions over
// DateCn's LunarYearTable, reaching as far as it does: 1901-01-01 to
// 2050-12-31.
//
// A lunar year is named by the Gregorian year in which its first month (正月)
// begins: 腊月 of the lunar year 2023 runs into February 2024. The table's
// first days lie in 冬月 and 腊月 of the lunar year 1900, its last ones in 冬月
// of the lunar year 2050.

#include "DateCn.h"

#include <QByteArray>

#include <chrono>
#include <optional>

struct LunarDate {
  int Year = 0;  // the lunar year, [1900, 2050] within the table
  int Month = 0; // [1, 12]
  bool Leap = false;
  int Day = 0; // [1, 30]
  friend constexpr bool operator==(const LunarDate &, const LunarDate &) = default;
};

// Why a lunar date has no Gregorian day.
enum class LunarDateProblem {
  None,
  NoSuchMonth,     // the month lies outside 1..12
  NoSuchDay,       // the month has no such day: 三十 of a 29-day month, or a day outside 1..30
  NoSuchLeapMonth, // the lunar year has no leap month, or its leap month has another number
  OutsideTable,    // the day lies outside 1901-01-01..2050-12-31, where the table has no months
};

struct SolarDateResult {
  std::chrono::year_month_day Date{}; // when Problem is None
  LunarDateProblem Problem = LunarDateProblem::None;
  constexpr explicit operator bool() const { return Problem == LunarDateProblem::None; }
};

inline constexpr std::chrono::sys_days FirstTableDay{std::chrono::year{FirstTableYear} / std::chrono::January / 1};
inline constexpr std::chrono::sys_days LastTableDay{std::chrono::year{LastTableYear} / std::chrono::December / 31};

// The first day and the length of a month of a lunar year.
struct LunarMonthSpan {
  std::chrono::sys_days First;
  int Length; // 29 or 30
};

// The month (leap or regular) of the lunar year as GetLunarDate reads the
// table; nothing when the year does not have it or the table does not reach
// it. The row of a Gregorian year describes sixteen months from the one in
// progress on 1 January, but holds only for the days of its own year: where
// it runs on into the next year, its lengths may disagree with the next row
// (the row of 1915 gives 腊月 30 days, the row of 1916 29). So a month is
// taken from the row of the year in which it begins, and the length of a
// month that runs over 1 January from the next row.
constexpr std::optional<LunarMonthSpan> FindLunarMonth(int lunarYear, int month, bool leap) {
  using namespace std::chrono;
  if (lunarYear < FirstTableYear - 1 || lunarYear > LastTableYear || month < 1 || month > 12)
    return std::nullopt;
  const int wanted = leap ? -month : month;
  const auto rowOf = [](int y) { return LunarYearTable[static_cast<std::size_t>(y - FirstTableYear)]; };
  // The months that begin in the Gregorian year lunarYear, from its 正月 on.
  if (lunarYear >= FirstTableYear) {
    const std::uint32_t row = rowOf(lunarYear);
    const sys_days lastDay{year{lunarYear} / December / 31};
    sys_days first = sys_days{year{lunarYear} / January / 1} - days{LunarRowOffset(row) - 1};
    bool inYear = false;
    for (int i = 0, current = LunarRowFirstMonth(row); i < 16 && first <= lastDay; ++i) {
      inYear = inYear || current == 1;
      int length = LunarRowMonthLength(row, i);
      if (inYear && current == wanted) {
        if (first + days{length - 1} > lastDay && lunarYear < LastTableYear) {
          // Runs over 1 January by this row: the next row has it as month 0
          // or has a month that begins on 1 January.
          const std::uint32_t next = rowOf(lunarYear + 1);
          const sys_days newYear = lastDay + days{1};
          length = newYear - days{LunarRowOffset(next) - 1} == first ? LunarRowMonthLength(next, 0)
                                                                     : static_cast<int>((newYear - first).count());
        }
        return LunarMonthSpan{first, length};
      }
      first += days{length};
      current = NextLunarMonth(current, LunarRowLeapMonth(row));
    }
  }
  // The months of its end that begin in the next Gregorian year, before that
  // year's 正月. Month 0 of the next row began in this year unless it begins
  // on 1 January; for the lunar year 1900 it is 冬月 of 1900, in progress on
  // 1 January 1901 (a regular month, as GetLunarDate takes it).
  if (lunarYear < LastTableYear) {
    const std::uint32_t row = rowOf(lunarYear + 1);
    sys_days first = sys_days{year{lunarYear + 1} / January / 1} - days{LunarRowOffset(row) - 1};
    const bool fromMonth0 = lunarYear < FirstTableYear || LunarRowOffset(row) == 1;
    for (int i = 0, current = LunarRowFirstMonth(row); i < 16 && current != 1; ++i) {
      const int length = LunarRowMonthLength(row, i);
      if ((i > 0 || fromMonth0) && current == wanted)
        return LunarMonthSpan{first, length};
      first += days{length};
      current = NextLunarMonth(current, LunarRowLeapMonth(row));
    }
  }
  return std::nullopt;
}

// The Gregorian day of a lunar date, or the problem that leaves it without
// one. A day beyond the table's last day is OutsideTable even where the row
// gives its month a length: the table vouches for no day after 2050-12-31.
constexpr SolarDateResult GetSolarDate(const LunarDate &date) {
  using enum LunarDateProblem;
  if (date.Month < 1 || date.Month > 12)
    return {{}, NoSuchMonth};
  if (date.Day < 1 || date.Day > 30)
    return {{}, NoSuchDay};
  const std::optional<LunarMonthSpan> span = FindLunarMonth(date.Year, date.Month, date.Leap);
  if (!span) {
    // Of the lunar year 1900 the table shows 冬月 and what follows it only.
    const bool knowsLeapMonth = (date.Year >= FirstTableYear && date.Year <= LastTableYear) ||
                                (date.Year == FirstTableYear - 1 && date.Month >= 11);
    return {{}, date.Leap && knowsLeapMonth ? NoSuchLeapMonth : OutsideTable};
  }
  const std::chrono::sys_days day = span->First + std::chrono::days{date.Day - 1};
  if (day < FirstTableDay || day > LastTableDay)
    return {{}, OutsideTable};
  if (date.Day > span->Length)
    return {{}, NoSuchDay};
  return {std::chrono::year_month_day{day}, None};
}

// The lunar date of a day, with its lunar year; nothing outside 1901..2050.
std::optional<LunarDate> GetLunarDateOfDay(std::chrono::sys_days day);

// The GBK name of a lunar date's month and day: "四月初八", "闰四月初八",
// "冬月三十", "腊月廿九". (The calendar window's month names shorten a leap
// month to "闰四"; this one is written out.)
QByteArray GetLunarDateName(int month, bool leap, int day);

// The lunar date on which a birthday or anniversary of the lunar month and
// day is kept in the lunar year, and its Gregorian day. Where the year lacks
// the date, by our rule: a day of a leap month that the year does not have
// (or has under another number) is kept on the same day of the regular
// month, and 三十 of a month that has 29 days on its 廿九. Calendar programs
// differ here (some move to the next day, some skip the year); this is a
// choice. The problems left are those of the arguments (NoSuchMonth,
// NoSuchDay for a day outside 1..30) and OutsideTable.
struct KeptDate {
  LunarDate Lunar; // the date taken, after the rule
  SolarDateResult Solar;
};
constexpr KeptDate GetKeptDate(int month, bool leap, int day, int lunarYear) {
  LunarDate date{lunarYear, month, leap, day};
  SolarDateResult solar = GetSolarDate(date);
  if (solar.Problem == LunarDateProblem::NoSuchLeapMonth) {
    date.Leap = false;
    solar = GetSolarDate(date);
  }
  if (solar.Problem == LunarDateProblem::NoSuchDay && date.Day == 30) {
    date.Day = 29;
    solar = GetSolarDate(date);
  }
  return {date, solar};
}
