#include "CalendarMonth.h"

using namespace std::chrono;

MonthCells GetMonthCells(DateValue date) {
  const year_month_day ymd = DecodeDate(date);
  if (!ymd.ok())
    return {};
  const year_month_day first = ymd.year() / ymd.month() / 1;
  const year_month_day_last last = ymd.year() / ymd.month() / std::chrono::last;
  return {DayOfWeek(EncodeDate(first)), static_cast<int>(static_cast<unsigned>(last.day()))};
}

LunarLine GetLunarLine(DateValue date) {
  LunarLine line{GetLunarDayName(date), LunarLineKind::LunarDay};
  if (std::string_view(line.Text.constData(), static_cast<std::size_t>(line.Text.size())) == LunarDayNames[0]) // 初一
    line = {GetLunarMonthName(date), LunarLineKind::LunarMonth};
  // A Gregorian festival counts when it is longer than 3 bytes; every name is
  // three characters (six bytes).
  if (QByteArray festival = GetSolarFestival(DayOfDate(date), date); festival.size() > 3)
    line = {std::move(festival), LunarLineKind::SolarFestival};
  if (QByteArray term = GetSolarTerm(date); !term.isEmpty())
    line = {std::move(term), LunarLineKind::SolarTerm};
  if (QByteArray festival = GetLunarFestival(date); !festival.isEmpty())
    line = {std::move(festival), LunarLineKind::LunarFestival};
  return line;
}
