// The lunar conversion over every day of 1901-2050, and ICU's Chinese
// calendar doing the same conversions in the same run for comparison; then the
// name work of one month of the calendar window (every name operation for each
// day, as ShowMonth asks them). Run with --benchmark_repetitions=10
// --benchmark_report_aggregates_only=true for medians.

#include "DateCn.h"
#include "IcuChineseCalendar.h"

#include <benchmark/benchmark.h>

using namespace std::chrono;

namespace {

constexpr sys_days FirstDay = sys_days{year{1901} / January / 1};
constexpr int DayCount = (sys_days{year{2050} / December / 31} - FirstDay).count() + 1;

// One iteration converts all 54,787 days; ns_per_conversion is the figure to read.
void BM_GetLunarDate(benchmark::State &state) {
  const DateValue first = EncodeDate(year_month_day{FirstDay});
  for (auto _ : state)
    for (int i = 0; i < DayCount; ++i)
      benchmark::DoNotOptimize(GetLunarDate(first + i));
  state.SetItemsProcessed(state.iterations() * DayCount);
  state.counters["ns_per_conversion"] = benchmark::Counter(static_cast<double>(state.iterations()) * DayCount,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GetLunarDate)->Unit(benchmark::kMillisecond);

void BM_IcuChineseCalendar(benchmark::State &state) {
  IcuChineseCalendar icu;
  if (!icu.IsValid()) {
    state.SkipWithError("ICU has no Chinese calendar");
    return;
  }
  for (auto _ : state)
    for (int i = 0; i < DayCount; ++i)
      benchmark::DoNotOptimize(icu.LunarDate(FirstDay + days{i}));
  state.SetItemsProcessed(state.iterations() * DayCount);
  state.counters["ns_per_conversion"] = benchmark::Counter(static_cast<double>(state.iterations()) * DayCount,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_IcuChineseCalendar)->Unit(benchmark::kMillisecond);

// One month's cells: the names of each day and the month's zodiac year and
// star sign, walking through the table's 1,800 months.
void BM_MonthNames(benchmark::State &state) {
  int monthIndex = 0;
  for (auto _ : state) {
    const year_month first{year{1901 + monthIndex / 12}, month{static_cast<unsigned>(monthIndex % 12 + 1)}};
    const DateValue firstValue = EncodeDate(first / 1);
    const int length = static_cast<int>(static_cast<unsigned>((first / last).day()));
    benchmark::DoNotOptimize(GetZodiacYear(firstValue));
    benchmark::DoNotOptimize(GetStarSignOfDay(15, firstValue));
    for (int d = 1; d <= length; ++d) {
      const DateValue date = firstValue + (d - 1);
      benchmark::DoNotOptimize(GetLunarDayName(date));
      benchmark::DoNotOptimize(GetLunarMonthName(date));
      benchmark::DoNotOptimize(GetSolarFestival(d, firstValue));
      benchmark::DoNotOptimize(GetSolarTerm(date));
      benchmark::DoNotOptimize(GetLunarFestival(date));
    }
    monthIndex = (monthIndex + 1) % (TableYears * 12);
  }
}
BENCHMARK(BM_MonthNames)->Unit(benchmark::kMicrosecond);

} // namespace
