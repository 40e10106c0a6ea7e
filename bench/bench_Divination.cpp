// One compute action of the divination window against the full sign
// database: two sign lookups (title, then text), eight queries in all, each
// opening KelmFile.dll on its own. Target: median <= 20 ms.
// The database is copied next to this program at build time.

#include "Gbk.h"
#include "SignDatabase.h"

#include <benchmark/benchmark.h>

namespace {

const QByteArray Tian = Gbk::ToGbk(u"天").value();
const QByteArray Di = Gbk::ToGbk(u"地").value();
const QByteArray Ren = Gbk::ToGbk(u"人").value();

void BM_ComputeAction(benchmark::State &state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(GetSignText(Tian, Di, Ren, false));
    benchmark::DoNotOptimize(GetSignText(Tian, Di, Ren, true));
  }
}
BENCHMARK(BM_ComputeAction)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The parts of it: one stroke-count lookup (a full scan of bihua for a LIKE)
// and one sign lookup (a scan of vandrel for an id).
void BM_StrokeCountLookup(benchmark::State &state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(GetStrokeCount(Ren));
}
BENCHMARK(BM_StrokeCountLookup)->Unit(benchmark::kMillisecond);

void BM_SignLookupWithoutCharacters(benchmark::State &state) {
  // A blank argument skips the stroke counts: the sign statement alone.
  for (auto _ : state)
    benchmark::DoNotOptimize(GetSignText(" ", " ", " ", true));
}
BENCHMARK(BM_SignLookupWithoutCharacters)->Unit(benchmark::kMillisecond);

} // namespace
