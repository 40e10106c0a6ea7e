// Keeping a reading from the divination window: the slip commands and their
// keys, the journal written after each whole report, a journal that cannot be
// used, and the journal window.

#include "Answers.h"
#include "Desktop.h"
#include "FrmJournal.h"
#include "Gbk.h"
#include "JetWriter.h"
#include "SignDatabase.h"
#include "SignDatabaseSources.h"
#include "SignJournal.h"
#include "SilentAbort.h"
#include "SlipActions.h"
#include "Untcezhi.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <unistd.h>

namespace {

QString SignFile() { return GetAppDir() + QStringLiteral("KelmFile.dll"); }

// 天 4, 地 6, 人 2 strokes: sign 078.
void WriteSignFile() {
  Jet::WriteDatabase(
      SignFile(),
      {{u"bihua"_qs,
        {{u"hanzi"_qs, Jet::ColumnType::Text}, {u"num"_qs, Jet::ColumnType::Long}},
        {{u"天"_qs, 4}, {u"地"_qs, 6}, {u"人"_qs, 2}}},
       {u"vandrel"_qs,
        {{u"id"_qs, Jet::ColumnType::Text, 3},
         {u"title"_qs, Jet::ColumnType::Text},
         {u"content"_qs, Jet::ColumnType::Memo}},
        {{u"078"_qs, u"锦鲤跃波（上上签）"_qs,
          StoredSignText(u"春潮初涨锦鳞肥，一跃波心溅日晖；险滩急浪浑闲事，满身金彩逐流飞。典故：孟母三迁择邻。"
                         "解曰：时运亨通，正当奋进。家宅：平安。自身：得意。求财：正财可得。婚姻：可成。"
                         "六甲：宜静养。功名：有望。出行：顺利。行人：有信。疾病：宜就医。诉讼：宜和解。"
                         "失物：可得。移徙：吉。"_qs)}}}});
}

const QDateTime Moment = QDateTime(QDate(2026, 12, 8), QTime(10, 30));

} // namespace

class tst_SlipActions : public QObject {
  Q_OBJECT

private slots:
  void initTestCase();
  void init();
  void cleanup();
  void commandsWaitForAWholeReport();
  void savedPictureIsTheToolsPicture();
  void copyPutsThePictureOnTheClipboard();
  void eachWholeReportIsRecorded();
  void recordingSwitchedOff();
  void damagedJournalNeverStopsADivination();
  void lockedJournalKeepsEveryReading();
  void journalWindowWritesWaitingReadings();
  void journalWindow();
  void journalWindowExportsCsv();
  void csvExportWritesWhatTheListShows_data();
  void csvExportWritesWhatTheListShows();

private:
  void Compute(const QString &a = u"天"_qs, const QString &b = u"地"_qs, const QString &c = u"人"_qs) {
    Window->findChild<QLineEdit *>(u"RzEdit1"_qs)->setText(a);
    Window->findChild<QLineEdit *>(u"RzEdit2"_qs)->setText(b);
    Window->findChild<QLineEdit *>(u"RzEdit3"_qs)->setText(c);
    try {
      Window->RzBitBtn1Click();
    } catch (const SilentAbort &) {
    }
    QCoreApplication::processEvents(); // the slip is cast after the action
  }
  SlipActions *Actions() { return Window->findChild<SlipActions *>(); }

  std::unique_ptr<TFrmcezhi> Window;
  QTemporaryDir Folder;
  QStringList Notices;
  QString SaveTo;
  // The desktop as these tests answer it.
  const Seam<QDateTime()>::Override FixedClock{Desktop::Clock, [] { return Moment; }};
  const Seam<void(QWidget *, const QString &)>::Override Noticed{
      Desktop::Notice, [this](QWidget *, const QString &text) { Notices.append(text); }};
  const Seam<QString(QWidget *, const QString &, const QString &, const QString &)>::Override SaveDialog{
      Desktop::AskSaveFile, [this](QWidget *, const QString &, const QString &, const QString &) { return SaveTo; }};
  const Seam<bool(QWidget *, const QString &)>::Override Confirmed{Desktop::Confirm,
                                                                   [](QWidget *, const QString &) { return true; }};
};

void tst_SlipActions::initTestCase() {}

void tst_SlipActions::init() {
  WriteSignFile();
  QDir(QFileInfo(DefaultJournalFile()).absolutePath()).removeRecursively();
  SetJournalRecordingEnabled(true);
  ResetJournalNotice();
  Notices.clear();
  Window = std::make_unique<TFrmcezhi>();
  Window->show();
  QApplication::setActiveWindow(Window.get());
  QVERIFY(QTest::qWaitForWindowActive(Window.get()));
}

void tst_SlipActions::cleanup() {
  Window.reset();
  QFile::remove(SignFile());
}

void tst_SlipActions::commandsWaitForAWholeReport() {
  QVERIFY(!Actions()->SaveAction()->isEnabled());
  QVERIFY(!Actions()->CopyAction()->isEnabled());
  QVERIFY(Actions()->JournalAction()->isEnabled());
  for (QAction *action : {Actions()->SaveAction(), Actions()->CopyAction(), Actions()->JournalAction()}) {
    QVERIFY(Window->actions().contains(action)); // keys reach it from anywhere in the window
    QVERIFY(!action->text().isEmpty() && !action->shortcut().isEmpty());
  }
  Compute();
  QVERIFY(Actions()->SaveAction()->isEnabled());
  QCOMPARE(Actions()->LastSlip()->SignNumber, u"078"_qs);
  QCOMPARE(Actions()->LastSlip()->Words.Grade, u"上上签"_qs);
  // A report that ends early leaves nothing to save.
  QFile::remove(SignFile());
  Compute();
  QVERIFY(!Actions()->SaveAction()->isEnabled());
  QVERIFY(!Actions()->LastSlip());
}

void tst_SlipActions::savedPictureIsTheToolsPicture() {
  Compute();
  SaveTo = Folder.filePath(u"window.png"_qs);
  QTest::keyClick(Window.get(), Qt::Key_S, Qt::ControlModifier);
  QVERIFY(QFile::exists(SaveTo));
  const QString toolFile = Folder.filePath(u"tool.png"_qs);
  QProcess tool;
  tool.start(QStringLiteral(VANDREL_TOOL), {u"divine"_qs, u"--db"_qs, SignFile(), u"--card"_qs, toolFile, u"--date"_qs,
                                            u"2026-12-08"_qs, u"天"_qs, u"地"_qs, u"人"_qs});
  QVERIFY(tool.waitForFinished(30000));
  QCOMPARE(tool.exitCode(), 0);
  QFile fromWindow(SaveTo), fromTool(toolFile);
  QVERIFY(fromWindow.open(QIODevice::ReadOnly) && fromTool.open(QIODevice::ReadOnly));
  const QByteArray windowBytes = fromWindow.readAll();
  QCOMPARE(QImage::fromData(windowBytes).size(), QSize(2 * SlipWidth, 2 * SlipHeight));
  QVERIFY(windowBytes == fromTool.readAll()); // the same file, byte for byte
  // A name without a known ending is saved as a picture; a failure is told.
  SaveTo = Folder.filePath(u"plain"_qs);
  Actions()->SaveAction()->trigger();
  QVERIFY(QFile::exists(SaveTo + u".png"_qs));
  SaveTo = Folder.filePath(u"missing/slip.pdf"_qs);
  Actions()->SaveAction()->trigger();
  QCOMPARE(Notices.size(), 1);
}

void tst_SlipActions::copyPutsThePictureOnTheClipboard() {
  Compute();
  QApplication::clipboard()->clear();
  QTest::keyClick(Window.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(QApplication::clipboard()->image().size(), QSize(2 * SlipWidth, 2 * SlipHeight));
}

void tst_SlipActions::eachWholeReportIsRecorded() {
  Compute();
  Compute(u"人"_qs, u"地"_qs, u"天"_qs);
  QFile::remove(SignFile());
  Compute(); // ends early: not recorded
  SignJournal journal;
  const QList<JournalEntry> entries = journal.Entries();
  QVERIFY2(Notices.isEmpty(), qPrintable(Notices.join(u'\n')));
  QCOMPARE(entries.size(), 2);
  QCOMPARE(entries.first().Characters, u"人地天"_qs); // same time: newest by order
  QCOMPARE(entries.last().Characters, u"天地人"_qs);
  QCOMPARE(entries.last().Strokes, (std::array<int, 3>{4, 6, 2}));
  QCOMPARE(entries.last().SignNumber, u"078"_qs);
  QCOMPARE(entries.last().Name, u"锦鲤跃波"_qs);
  QCOMPARE(entries.last().Grade, u"上上签"_qs);
  QCOMPARE(entries.last().Time, Moment);
  QVERIFY(Notices.isEmpty());
}

void tst_SlipActions::recordingSwitchedOff() {
  SetJournalRecordingEnabled(false);
  Compute();
  QVERIFY(Actions()->SaveAction()->isEnabled());
  QVERIFY(!QFile::exists(DefaultJournalFile()));
}

void tst_SlipActions::damagedJournalNeverStopsADivination() {
  QVERIFY(QDir().mkpath(QFileInfo(DefaultJournalFile()).absolutePath()));
  {
    QFile damaged(DefaultJournalFile());
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("this is no journal");
  }
  Compute();
  Compute();
  const QStringList lines = Window->findChild<QPlainTextEdit *>(u"RzMemo1"_qs)->toPlainText().split(u'\n');
  QCOMPARE(lines.size(), 5);
  QCOMPARE(Notices.size(), 1); // told once, not at every reading
  QVERIFY(Notices.first().contains(u"损坏"_qs));
  const QStringList kept =
      QDir(QFileInfo(DefaultJournalFile()).absolutePath()).entryList({u"journal.sqlite.damaged-*"_qs}, QDir::Files);
  QCOMPARE(kept.size(), 1);
  QFile aside(QFileInfo(DefaultJournalFile()).absolutePath() + u'/' + kept.first());
  QVERIFY(aside.open(QIODevice::ReadOnly));
  QCOMPARE(aside.readAll(), QByteArray("this is no journal"));
  QCOMPARE(SignJournal().Entries().size(), 2);
}

void tst_SlipActions::lockedJournalKeepsEveryReading() {
  {
    SignJournal made; // the journal exists; another program then holds it
  }
  QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"other"_qs);
  other.setDatabaseName(DefaultJournalFile());
  QVERIFY(other.open());
  auto hold = std::make_unique<QSqlQuery>(other);
  QVERIFY(hold->exec(u"BEGIN EXCLUSIVE"_qs));
  Compute();
  Compute(u"人"_qs, u"地"_qs, u"天"_qs);
  QCOMPARE(Notices.size(), 1); // told once; the note keeps count
  QVERIFY2(Notices.first().contains(u"占用"_qs), qPrintable(Notices.first()));
  QLabel *note = Actions()->WaitingNote();
  QVERIFY(note->isVisible());
  QVERIFY2(note->text().contains(u'2'), qPrintable(note->text()));
  QVERIFY(hold->exec(u"ROLLBACK"_qs));
  hold.reset();
  other.close();
  other = QSqlDatabase();
  QSqlDatabase::removeDatabase(u"other"_qs);
  // The next divination writes them all, oldest first.
  Compute(u"天"_qs, u"人"_qs, u"地"_qs);
  QVERIFY(!note->isVisible());
  QCOMPARE(SignJournal::PendingCount(), 0);
  const QList<JournalEntry> entries = SignJournal().Entries();
  QCOMPARE(entries.size(), 3);
  QCOMPARE(entries.last().Characters, u"天地人"_qs);
  QCOMPARE(Notices.size(), 1);
}

void tst_SlipActions::journalWindowWritesWaitingReadings() {
  QVERIFY(QDir().mkpath(QFileInfo(DefaultJournalFile()).absolutePath()));
  // A journal that cannot be written for now: a read-only folder and no file
  // yet (for root, whom permissions do not stop, a folder in the file's way).
  const QString folder = QFileInfo(DefaultJournalFile()).absolutePath();
  const bool root = ::geteuid() == 0;
  if (root)
    QVERIFY(QDir().mkpath(DefaultJournalFile()));
  else
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
  Compute();
  QCOMPARE(SignJournal::PendingCount(), 1);
  QCOMPARE(QDir(folder).entryList({u"*.damaged-*"_qs}, QDir::AllEntries), QStringList());
  if (root)
    QVERIFY(QDir(DefaultJournalFile()).removeRecursively());
  else
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  TFrmJournal journal(Window.get());
  QCOMPARE(journal.List()->topLevelItemCount(), 1);
  QCOMPARE(SignJournal::PendingCount(), 0);
}

void tst_SlipActions::journalWindow() {
  Compute();
  Compute(u"人"_qs, u"地"_qs, u"天"_qs);
  TFrmJournal journal(Window.get());
  QCOMPARE(journal.windowTitle(), u"测字记录"_qs);
  QCOMPARE(journal.List()->topLevelItemCount(), 2);
  QCOMPARE(journal.List()->topLevelItem(0)->text(1), u"人地天"_qs);
  QCOMPARE(journal.List()->topLevelItem(0)->text(2), u"2 6 4"_qs);
  QCOMPARE(journal.List()->topLevelItem(0)->text(3), u"264"_qs); // a sign with no row is kept too
  journal.Search()->setText(u"天地"_qs);
  QCOMPARE(journal.List()->topLevelItemCount(), 1);
  journal.Search()->clear();
  journal.List()->setCurrentItem(journal.List()->topLevelItem(1));
  {
    const auto declined = Desktop::Confirm.Replace([](QWidget *, const QString &) { return false; });
    journal.DeleteSelected();
    QCOMPARE(journal.List()->topLevelItemCount(), 2); // declined
  }
  journal.List()->setCurrentItem(journal.List()->topLevelItem(1));
  journal.DeleteSelected();
  QCOMPARE(journal.List()->topLevelItemCount(), 1);
  QCOMPARE(journal.List()->topLevelItem(0)->text(1), u"人地天"_qs);
  journal.RecordBox()->setChecked(false);
  QVERIFY(!JournalRecordingEnabled());
  journal.DeleteAll();
  QCOMPARE(journal.List()->topLevelItemCount(), 0);
  QCOMPARE(SignJournal().Entries().size(), 0);
}

void tst_SlipActions::journalWindowExportsCsv() {
  Compute();
  TFrmJournal journal(Window.get());
  SaveTo = Folder.filePath(u"journal.csv"_qs);
  journal.ExportCsv();
  QFile csv(SaveTo);
  QVERIFY(csv.open(QIODevice::ReadOnly));
  QCOMPARE(csv.readAll(), JournalCsv(SignJournal().Entries()));
}

void tst_SlipActions::csvExportWritesWhatTheListShows_data() {
  QTest::addColumn<QString>("search");
  QTest::addColumn<bool>("recordedSince");
  QTest::newRow("a search showing") << u"天地"_qs << false;
  // Another instance of the program recorded a matching reading after the
  // list was filled: the export still writes the rows the user sees.
  QTest::newRow("a search showing, a reading recorded since") << u"天地"_qs << true;
  QTest::newRow("no search, a reading recorded since") << QString() << true;
}

void tst_SlipActions::csvExportWritesWhatTheListShows() {
  QFETCH(QString, search);
  QFETCH(bool, recordedSince);
  const auto reading = [](const QString &characters, const QString &time) {
    JournalEntry entry;
    entry.Time = QDateTime::fromString(time, Qt::ISODate);
    entry.Characters = characters;
    entry.Strokes = {4, 6, 2};
    entry.SignNumber = u"078"_qs;
    entry.Name = u"天地人签"_qs;
    entry.Grade = u"上上签"_qs;
    return entry;
  };
  QVERIFY(SignJournal().Record(reading(u"天地人"_qs, u"2026-01-01T08:00:00"_qs)));
  QVERIFY(SignJournal().Record(reading(u"山水月"_qs, u"2026-01-02T08:00:00"_qs)));
  TFrmJournal journal(Window.get());
  journal.Search()->setText(search);
  const QList<JournalEntry> shown = SignJournal().Entries(search);
  QCOMPARE(journal.List()->topLevelItemCount(), shown.size());
  if (recordedSince)
    QVERIFY(SignJournal().Record(reading(u"天地日"_qs, u"2026-01-03T08:00:00"_qs)));
  SaveTo = Folder.filePath(u"shown.csv"_qs);
  journal.ExportCsv();
  QFile csv(SaveTo);
  QVERIFY(csv.open(QIODevice::ReadOnly));
  QCOMPARE(csv.readAll(), JournalCsv(shown));
}

QTEST_MAIN(tst_SlipActions)
#include "tst_SlipActions.moc"
