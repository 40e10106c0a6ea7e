#pragma once
// How the calendar window lays out one Gregorian month: which grid cells the
// days fill and which lunar text each day's cell shows. Pure functions over
// DateCn, shared by the calendar window and the command-line tool.

#include "DateCn.h"

#include <QByteArray>

// The cells a month fills in a grid of seven columns, Sunday first: cell i
// (1..37) lies in row (i - 1) / 7 and column (i - 1) % 7, and day d of the
// month in cell FirstCell + d - 1.
struct MonthCells {
  int FirstCell = 1; // [1, 7], the weekday of day 1 (1 = Sunday)
  int DayCount = 0;  // [28, 31]; 0 for a date value that is no date
};
MonthCells GetMonthCells(DateValue date); // of the month of date

// What a day's lunar line shows, from the lowest precedence to the highest:
// a later kind that the day has replaces an earlier one.
enum class LunarLineKind {
  LunarDay,      // GetLunarDayName
  LunarMonth,    // GetLunarMonthName, on the day named "初一"
  SolarFestival, // GetSolarFestival
  SolarTerm,     // GetSolarTerm
  LunarFestival, // GetLunarFestival
};

struct LunarLine {
  QByteArray Text; // GBK; empty outside 1901..2050 when the day has no festival
  LunarLineKind Kind = LunarLineKind::LunarDay;
};
LunarLine GetLunarLine(DateValue date);

// The window's font colour of each kind as the design stores it (0x00BBGGRR):
// the day name in the lunar cells' own dark green, the month name red,
// festivals orange, solar terms blue.
constexpr unsigned LunarLineDesignColor(LunarLineKind kind) {
  switch (kind) {
  case LunarLineKind::LunarDay:
    return 16384; // RGB(0, 64, 0)
  case LunarLineKind::LunarMonth:
    return 255; // RGB(255, 0, 0)
  case LunarLineKind::SolarTerm:
    return 16733011; // RGB(83, 83, 255)
  case LunarLineKind::SolarFestival:
  case LunarLineKind::LunarFestival:
    break;
  }
  return 33023; // RGB(255, 128, 0)
}
