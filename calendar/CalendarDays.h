#pragma once
// Day arithmetic of the Gregorian calendar over DateValue, and today's date:
// pure functions shared by the calendar window and the command-line tool.

#include "DateCn.h"

#include <QDate>

#include <cstdint>

// Days of a Gregorian month [28, 31]; 0 for a month outside 1..12.
int DaysOfMonth(std::uint16_t year, std::uint16_t month);
int DaysOfMonthOfDate(DateValue date);
// The date of (year, month, day) with day cut to the month's length (and
// raised to 1); a month outside 1..12 is brought to the nearest of 1 and 12.
DateValue ClampedEncodeDate(std::uint16_t year, std::uint16_t month, std::uint16_t day);

// The date of a QDate, and back; a date value that is no date gives a null
// QDate.
DateValue DateValueOf(QDate date);
QDate QDateOf(DateValue date);

// Today's local date, by the program's one clock (Desktop::Clock).
DateValue Today();
