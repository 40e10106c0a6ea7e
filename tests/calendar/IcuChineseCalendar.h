#pragma once
// ICU's Chinese calendar (zh_CN@calendar=chinese) as an independent peer of the
// program's lunar table, for the day-by-day comparison and the benchmark.
// Test-only: the program never links ICU.

#include "DateCn.h"

#include <chrono>
#include <memory>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Calendar;
U_NAMESPACE_END

class IcuChineseCalendar {
public:
  IcuChineseCalendar();
  ~IcuChineseCalendar();
  IcuChineseCalendar(const IcuChineseCalendar &) = delete;
  IcuChineseCalendar &operator=(const IcuChineseCalendar &) = delete;

  bool IsValid() const { return Calendar != nullptr; }
  // The day's lunar date in the program's code (leap months negative), or 0
  // when ICU reports an error.
  LunarDateCode LunarDate(std::chrono::sys_days day);

private:
  std::unique_ptr<icu::Calendar> Calendar;
};
