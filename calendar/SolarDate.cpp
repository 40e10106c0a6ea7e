#include "SolarDate.h"

using namespace std::chrono;

namespace {

// Worked examples from the published calendar, checked where the table is
// read: the leap second month of 2023, the leap eleventh month of 2033 that
// runs into January 2034, the first and last days the table reaches.
static_assert(GetSolarDate({2023, 2, true, 1}).Date == 2023y / March / 22);
static_assert(GetSolarDate({2033, 11, true, 11}).Date == 2034y / January / 1);
static_assert(GetSolarDate({1900, 11, false, 11}).Date == 1901y / January / 1);
static_assert(GetSolarDate({2050, 11, false, 18}).Date == 2050y / December / 31);
static_assert(GetSolarDate({2050, 11, false, 19}).Problem == LunarDateProblem::OutsideTable);

QByteArray Text(std::string_view text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

} // namespace

std::optional<LunarDate> GetLunarDateOfDay(sys_days day) {
  const LunarDateCode code = GetLunarDate(EncodeDate(year_month_day{day}));
  if (code == 0)
    return std::nullopt;
  const int month = (code < 0 ? -code : code) / 100;
  const year_month_day gregorian{day};
  // 冬月 and 腊月 in January to March belong to the lunar year before; the
  // lunar new year falls between 21 January and 20 February.
  const bool yearBefore = month >= 11 && gregorian.month() <= March;
  return LunarDate{static_cast<int>(gregorian.year()) - (yearBefore ? 1 : 0), month, code < 0,
                   (code < 0 ? -code : code) % 100};
}

QByteArray GetLunarDateName(int month, bool leap, int day) {
  if (month < 1 || month > 12 || day < 1 || day > 30)
    return {};
  return (leap ? Text(LeapPrefix) : QByteArray()) + Text(LunarMonthNames[static_cast<std::size_t>(month - 1)]) +
         Text(MonthSuffix) + Text(LunarDayNames[static_cast<std::size_t>(day - 1)]);
}
