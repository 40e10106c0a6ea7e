// vandrel-tool's heaviest command: the calendar of every day of the lunar
// table, 1901-01-01 to 2050-12-31 (54,787 lines), written to /dev/null.
// The target is the whole run, process start included, under 2 s.

#include "ToolCommands.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void BM_CalendarOfTheWholeTable(benchmark::State &state) {
  std::FILE *sink = std::fopen("/dev/null", "w");
  const QStringList arguments{QStringLiteral("calendar"), QStringLiteral("1901-01-01"), QStringLiteral("2050-12-31")};
  for (auto _ : state)
    benchmark::DoNotOptimize(RunVandrelTool(arguments, sink, stderr));
  std::fclose(sink);
  state.SetItemsProcessed(state.iterations() * 54787);
}
BENCHMARK(BM_CalendarOfTheWholeTable)->Unit(benchmark::kMillisecond);

} // namespace
