// ShowMonth of the calendar window on the offscreen platform, walking through
// the months of 1901-2050: the call alone (the target), and the call with the
// repaint that follows it.

#include "DateWin.h"
#include "DesignFonts.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace std::chrono;

namespace {

DateValue MonthAt(int index) {
  return EncodeDate(year{1901 + index / 12} / month{static_cast<unsigned>(index % 12 + 1)} / 15);
}

void BM_ShowMonth(benchmark::State &state) {
  TFRM_Date window;
  window.show();
  QCoreApplication::processEvents();
  int index = 0;
  for (auto _ : state) {
    window.ShowMonth(MonthAt(index));
    index = (index + 1) % (TableYears * 12);
  }
}
BENCHMARK(BM_ShowMonth)->Unit(benchmark::kMicrosecond);

void BM_ShowMonthAndRepaint(benchmark::State &state) {
  TFRM_Date window;
  window.show();
  QCoreApplication::processEvents();
  int index = 0;
  for (auto _ : state) {
    window.ShowMonth(MonthAt(index));
    window.repaint();
    index = (index + 1) % (TableYears * 12);
  }
}
BENCHMARK(BM_ShowMonthAndRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InstallFontSubstitutions();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
