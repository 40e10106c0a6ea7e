#include "CalendarDays.h"

#include "Desktop.h"

#include <algorithm>

using namespace std::chrono;

int DaysOfMonth(std::uint16_t y, std::uint16_t m) {
  if (m < 1 || m > 12)
    return 0;
  return static_cast<int>(static_cast<unsigned>((year{y} / month{m} / last).day()));
}

int DaysOfMonthOfDate(DateValue date) {
  const year_month_day ymd = DecodeDate(date);
  if (!ymd.ok())
    return 0;
  return DaysOfMonth(static_cast<std::uint16_t>(static_cast<int>(ymd.year())),
                     static_cast<std::uint16_t>(static_cast<unsigned>(ymd.month())));
}

DateValue ClampedEncodeDate(std::uint16_t y, std::uint16_t m, std::uint16_t d) {
  const auto shownMonth = static_cast<std::uint16_t>(std::clamp<int>(m, 1, 12));
  const int day = std::clamp<int>(d, 1, DaysOfMonth(y, shownMonth));
  return EncodeDate(year{y} / month{shownMonth} / std::chrono::day{static_cast<unsigned>(day)});
}

DateValue DateValueOf(QDate date) {
  return EncodeDate(year{date.year()} / month{static_cast<unsigned>(date.month())} /
                    day{static_cast<unsigned>(date.day())});
}

QDate QDateOf(DateValue date) {
  const year_month_day ymd = DecodeDate(date);
  if (!ymd.ok())
    return QDate();
  return QDate(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
               static_cast<int>(static_cast<unsigned>(ymd.day())));
}

DateValue Today() { return DateValueOf(Desktop::Clock().date()); }
