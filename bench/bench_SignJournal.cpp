// Opening the journal as its window does, with 10,000 readings recorded:
// open the file (with its quick check) and read every entry newest first.
// Also one reading recorded (one transaction, synced to disk), and the
// journal window itself filled with the 10,000 rows.

#include "FrmJournal.h"
#include "SignJournal.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

namespace {

JournalEntry Reading(int i) {
  JournalEntry entry;
  entry.Time = QDateTime(QDate(2020, 1, 1), QTime(8, 0)).addSecs(qint64(i) * 3600);
  entry.Characters = QStringLiteral("天地人");
  entry.Strokes = {4, 6, 2};
  entry.SignNumber = QString::number(i % 384).rightJustified(3, u'0');
  entry.Name = QStringLiteral("锦鲤跃波");
  entry.Grade = QStringLiteral("上上签");
  return entry;
}

QString FilledJournal(QTemporaryDir &folder, int entries) {
  QString path = folder.filePath(QStringLiteral("journal.sqlite"));
  SignJournal journal(path);
  for (int i = 0; i < entries; ++i)
    journal.Record(Reading(i));
  return path;
}

void BM_OpenAndList(benchmark::State &state) {
  QTemporaryDir folder;
  const QString filled = FilledJournal(folder, int(state.range(0)));
  for (auto _ : state) {
    SignJournal journal(filled);
    benchmark::DoNotOptimize(journal.Entries());
  }
}
BENCHMARK(BM_OpenAndList)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_JournalWindow(benchmark::State &state) {
  QTemporaryDir folder;
  const QString filled = FilledJournal(folder, int(state.range(0)));
  for (auto _ : state) {
    TFrmJournal window(nullptr, filled);
    benchmark::DoNotOptimize(window.List()->topLevelItemCount());
  }
}
BENCHMARK(BM_JournalWindow)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Record(benchmark::State &state) {
  QTemporaryDir folder;
  SignJournal journal(folder.filePath(QStringLiteral("journal.sqlite")));
  int i = 0;
  for (auto _ : state)
    journal.Record(Reading(i++));
}
BENCHMARK(BM_Record)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
