// The whole almanac of one day (every part, the 宜 and 忌 with their reasons)
// and of a year of days. The bounds to read: at most 20 us a day and 10 ms a
// year. Run with --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
// for medians.

#include "Almanac.h"

#include <benchmark/benchmark.h>

using namespace std::chrono;

namespace {

// A day with many spirits and a grading clause (2024-03-10, 月破 in 卯月), and
// one with few (2024-02-10).
void BM_AlmanacOfOneDay(benchmark::State &state) {
  const year_month_day date = state.range(0) == 0 ? year{2024} / 3 / 10 : year{2024} / 2 / 10;
  for (auto _ : state)
    benchmark::DoNotOptimize(Almanac::GetAlmanac(date));
}
BENCHMARK(BM_AlmanacOfOneDay)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_AlmanacOfAYear(benchmark::State &state) {
  const sys_days first = sys_days{year{2024} / January / 1};
  const int count = (sys_days{year{2025} / January / 1} - first).count();
  for (auto _ : state)
    for (int i = 0; i < count; ++i)
      benchmark::DoNotOptimize(Almanac::GetAlmanac(year_month_day{first + days{i}}));
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_AlmanacOfAYear)->Unit(benchmark::kMillisecond);

} // namespace
