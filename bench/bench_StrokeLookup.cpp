// The stroke statement of the sign lookup through libmdbsql, as the program
// runs it: open the database, run
//   Select num from bihua where hanzi like '%<character>%'
// read the first row and close, for each layout of the table bihua built
// from the full stroke source. Three characters per layout: one early in the
// stroke source's GBK order (丂), a common one in the middle (天) and one that
// no row holds (a full scan, the slowest case).

// glib first: mdbsql.h includes it inside its extern "C" block.
#include <glib.h>
#include <mdbsql.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The text of column 0 of the first row, or "" when there is none; aborts
// the benchmark on an error, which would make its figure meaningless.
std::string FirstNum(const char *path, const std::string &statement) {
  MdbSQL *sql = mdb_sql_init();
  if (!mdb_sql_open(sql, const_cast<char *>(path))) {
    std::fprintf(stderr, "cannot open %s\n", path);
    std::abort();
  }
  std::string result;
  if (!mdb_sql_run_query(sql, statement.c_str()) || mdb_sql_has_error(sql)) {
    std::fprintf(stderr, "query failed: %s\n", mdb_sql_last_error(sql));
    std::abort();
  }
  if (mdb_sql_fetch_row(sql, sql->cur_table))
    result = static_cast<const char *>(g_ptr_array_index(sql->bound_values, 0));
  mdb_sql_reset(sql);
  mdb_sql_exit(sql);
  return result;
}

void BM_StrokeStatement(benchmark::State &state, const char *path, const char *character, const char *expected) {
  const std::string statement = std::string("Select num from bihua where hanzi like '%") + character + "%'";
  if (FirstNum(path, statement) != expected) {
    state.SkipWithError("the lookup returned a wrong count");
    return;
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(FirstNum(path, statement));
}

#define STROKE_BENCH(layout, path)                                                                                     \
  BENCHMARK_CAPTURE(BM_StrokeStatement, layout##_early, path, "丂", "2")                                               \
      ->Unit(benchmark::kMillisecond)                                                                                  \
      ->Repetitions(9)                                                                                                 \
      ->ReportAggregatesOnly(true);                                                                                    \
  BENCHMARK_CAPTURE(BM_StrokeStatement, layout##_common, path, "天", "4")                                              \
      ->Unit(benchmark::kMillisecond)                                                                                  \
      ->Repetitions(9)                                                                                                 \
      ->ReportAggregatesOnly(true);                                                                                    \
  BENCHMARK_CAPTURE(BM_StrokeStatement, layout##_absent, path, "☆", "")                                                \
      ->Unit(benchmark::kMillisecond)                                                                                  \
      ->Repetitions(9)                                                                                                 \
      ->ReportAggregatesOnly(true)

STROKE_BENCH(per_character, BIHUA_PER_CHARACTER);
STROKE_BENCH(grouped_text, BIHUA_GROUPED_TEXT);
STROKE_BENCH(grouped_memo, BIHUA_GROUPED_MEMO);

} // namespace
