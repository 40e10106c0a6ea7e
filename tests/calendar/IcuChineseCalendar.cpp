#include "IcuChineseCalendar.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

IcuChineseCalendar::IcuChineseCalendar() {
  UErrorCode status = U_ZERO_ERROR;
  // In GMT, noon UTC of a day lies on that same day; ICU reckons the lunar
  // months in China's time zone internally whatever the calendar's zone.
  Calendar.reset(icu::Calendar::createInstance(icu::TimeZone::createTimeZone("GMT"),
                                               icu::Locale("zh_CN@calendar=chinese"), status));
  if (U_FAILURE(status))
    Calendar.reset();
}

IcuChineseCalendar::~IcuChineseCalendar() = default;

LunarDateCode IcuChineseCalendar::LunarDate(std::chrono::sys_days day) {
  using namespace std::chrono;
  UErrorCode status = U_ZERO_ERROR;
  const double millis = static_cast<double>(duration_cast<milliseconds>(day.time_since_epoch() + hours{12}).count());
  Calendar->setTime(millis, status);
  const int month = Calendar->get(UCAL_MONTH, status) + 1;
  const int dayOfMonth = Calendar->get(UCAL_DATE, status);
  const bool leap = Calendar->get(UCAL_IS_LEAP_MONTH, status) != 0;
  if (U_FAILURE(status))
    return 0;
  return leap ? -(month * 100 + dayOfMonth) : month * 100 + dayOfMonth;
}
