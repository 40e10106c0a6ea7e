// DescrambleSignText on a stored sign text of 600 bytes with the seven cycles
// of the sign database: the per-byte cost of restoring one sign.

#include "Descramble.h"
#include "SignScramble.h"

#include <benchmark/benchmark.h>

namespace {

void BM_DescrambleSignText(benchmark::State &state) {
  QByteArray plain(600, Qt::Uninitialized);
  for (int i = 0; i < plain.size(); ++i)
    plain[i] = static_cast<char>(0xB0 + i % 40);
  const QByteArray stored = ScrambleSignText(plain, SignTextKey, SignTextCycles);
  for (auto _ : state)
    benchmark::DoNotOptimize(DescrambleSignText(stored, SignTextKey, SignTextCycles));
  state.SetBytesProcessed(state.iterations() * plain.size());
  state.counters["ns_per_byte"] = benchmark::Counter(static_cast<double>(state.iterations()) * plain.size(),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DescrambleSignText);

} // namespace
