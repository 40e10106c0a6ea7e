// The journal of past divinations: order and search, deletion, the export
// formats, and what a damaged, locked or killed-while-writing file leaves.

#include "SignJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {

// SQLite's default page size, the journal file's.
constexpr qsizetype SqlitePage = 4096;

JournalEntry Entry(const QString &characters, const QString &time, const QString &sign = u"078"_qs,
                   const QString &name = u"锦鲤跃波"_qs, const QString &grade = u"上上签"_qs) {
  JournalEntry entry;
  entry.Time = QDateTime::fromString(time, Qt::ISODate);
  entry.Characters = characters;
  entry.Strokes = {4, 6, 2};
  entry.SignNumber = sign;
  entry.Name = name;
  entry.Grade = grade;
  return entry;
}

QStringList Characters(const QList<JournalEntry> &entries) {
  QStringList list;
  for (const JournalEntry &entry : entries)
    list.append(entry.Characters);
  return list;
}

// Writes rows without end until killed: the child process of the kill test.
// It says "writing" once its first row is in, so that the kills fall among
// writes however slowly the process starts.
int WriteForever(const QString &path) {
  SignJournal journal(path);
  for (qint64 i = 0;; ++i) {
    if (!journal.Record(
            Entry(u"天地人"_qs, u"2026-12-08T10:00:00"_qs, QString::number(i % 384).rightJustified(3, u'0'))))
      return 1;
    if (i == 0) {
      std::fputs("writing\n", stdout);
      std::fflush(stdout);
    }
  }
}

// A sound journal of many rows, so that its readings span several pages.
QByteArray SoundJournal(int rows = 120) {
  QTemporaryDir scratch;
  const QString path = scratch.filePath(u"journal.sqlite"_qs);
  {
    SignJournal journal(path);
    for (int i = 0; i < rows; ++i)
      journal.Record(Entry(u"天地人"_qs, u"2026-12-08T10:00:00"_qs, QString::number(i % 384).rightJustified(3, u'0')));
  }
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The same with its last page (a page of readings) overwritten.
QByteArray OneDamagedPage() {
  QByteArray bytes = SoundJournal();
  bytes.replace(bytes.size() - SqlitePage, SqlitePage, QByteArray(SqlitePage, '\xA5'));
  return bytes;
}

// An SQLite file made by other statements than the journal's.
QByteArray SqliteFile(const QString &statement) {
  QTemporaryDir scratch;
  const QString path = scratch.filePath(u"other.sqlite"_qs);
  {
    QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"maker"_qs);
    database.setDatabaseName(path);
    if (database.open())
      QSqlQuery(database).exec(statement);
    database.close();
  }
  QSqlDatabase::removeDatabase(u"maker"_qs);
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &contents) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(contents), contents.size());
}

QByteArray ReadFile(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The journal at path with one reading, 天地人, written and closed.
bool RecordOneReading(const QString &path) {
  SignJournal journal(path);
  return journal.Record(Entry(u"天地人"_qs, u"2026-12-08T10:00:00"_qs));
}

// A connection of the tests' own to the file at path, through which they hold
// it as another program would; EndOtherConnection takes it away again.
QSqlDatabase OtherConnection(const QString &path) {
  QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"other"_qs);
  other.setDatabaseName(path);
  return other;
}

void EndOtherConnection(QSqlDatabase &other) {
  other.close();
  other = QSqlDatabase();
  QSqlDatabase::removeDatabase(u"other"_qs);
}

// Records one reading while another connection holds the file with BEGIN
// EXCLUSIVE, then lets go and quits: what waits is written at the end.
int KeepThenQuit(const QString &path) {
  QSqlDatabase other = OtherConnection(path);
  if (!other.open())
    return 2;
  {
    QSqlQuery hold(other);
    if (!hold.exec(u"BEGIN EXCLUSIVE"_qs))
      return 2;
    SignJournal journal(path);
    if (journal.RecordOrKeep(Entry(u"等一等"_qs, u"2026-12-08T12:00:00"_qs)) || SignJournal::PendingCount(path) != 1)
      return 3;
    hold.exec(u"ROLLBACK"_qs);
  }
  other.close();
  QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
  return QCoreApplication::exec();
}

} // namespace

class tst_SignJournal : public QObject {
  Q_OBJECT

private slots:
  void init();
  void newestFirstAndSearch_data();
  void newestFirstAndSearch();
  void removeOneAndAll();
  void csvQuotesWhatNeedsIt();
  void json();
  void damagedFileIsSetAsideNeverOverwritten_data();
  void damagedFileIsSetAsideNeverOverwritten();
  void lockedFileIsLeftAlone();
  void lockedRecordingsWaitAndAreWrittenLater();
  void fullDiskIsNotDamage();
  void healthyFilesAreNotDamaged_data();
  void healthyFilesAreNotDamaged();
  void readingChangesNothing_data();
  void readingChangesNothing();
  void waitingRecordingsWrittenAtTheEnd();
  void folderThatCannotBeMade();
  void killsMidWriteLeaveWholeRows();
  void recordingSetting();

private:
  std::unique_ptr<QTemporaryDir> folder;
  QString Path() const { return folder->filePath(u"journal.sqlite"_qs); }
};

void tst_SignJournal::init() { folder = std::make_unique<QTemporaryDir>(); }

void tst_SignJournal::newestFirstAndSearch_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QStringList>("expected");
  QTest::newRow("no filter, newest first, same time by insertion")
      << QString() << QStringList{u"山明月"_qs, u"水火木"_qs, u"天地人"_qs, u"吉祥如"_qs};
  QTest::newRow("a character") << u"明"_qs << QStringList{u"山明月"_qs};
  QTest::newRow("a sign number") << u"123"_qs << QStringList{u"水火木"_qs};
  QTest::newRow("part of a sign name") << u"大雪"_qs << QStringList{u"天地人"_qs};
  QTest::newRow("a grade") << u"中下签"_qs << QStringList{u"水火木"_qs};
  QTest::newRow("下下签 is not 中下签") << u"下下签"_qs << QStringList{u"天地人"_qs};
  QTest::newRow("part of a grade: both low grades") << u"下签"_qs << QStringList{u"水火木"_qs, u"天地人"_qs};
  QTest::newRow("no match") << u"龍"_qs << QStringList{};
  QTest::newRow("SQL wildcards are plain text") << u"%"_qs << QStringList{};
  QTest::newRow("a quote is plain text") << u"'"_qs << QStringList{};
}

void tst_SignJournal::newestFirstAndSearch() {
  QFETCH(QString, filter);
  QFETCH(QStringList, expected);
  SignJournal journal(Path());
  QVERIFY2(journal.IsOpen(), qPrintable(journal.Problem()));
  QVERIFY(journal.Record(Entry(u"吉祥如"_qs, u"2026-01-01T08:00:00"_qs)));
  QVERIFY(journal.Record(Entry(u"天地人"_qs, u"2026-03-01T08:00:00"_qs, u"200"_qs, u"大雪压竹"_qs, u"下下签"_qs)));
  QVERIFY(journal.Record(Entry(u"水火木"_qs, u"2026-03-01T08:00:00"_qs, u"123"_qs, u"锦鲤跃波"_qs, u"中下签"_qs)));
  QVERIFY(journal.Record(Entry(u"山明月"_qs, u"2026-12-01T08:00:00"_qs)));
  QCOMPARE(Characters(journal.Entries(filter)), expected);
}

void tst_SignJournal::removeOneAndAll() {
  SignJournal journal(Path());
  QVERIFY(journal.Record(Entry(u"吉祥如"_qs, u"2026-01-01T08:00:00"_qs)));
  QVERIFY(journal.Record(Entry(u"天地人"_qs, u"2026-02-01T08:00:00"_qs)));
  const QList<JournalEntry> before = journal.Entries();
  QVERIFY(journal.Remove(before.last().Id));
  QCOMPARE(Characters(journal.Entries()), QStringList{u"天地人"_qs});
  QVERIFY(journal.Entry(before.first().Id).has_value());
  QVERIFY(!journal.Entry(before.last().Id).has_value());
  QVERIFY(journal.RemoveAll());
  QVERIFY(journal.Entries().isEmpty());
  // Reopened, the file keeps what was done.
  QVERIFY(journal.Record(Entry(u"山明月"_qs, u"2026-03-01T08:00:00"_qs)));
  SignJournal again(Path());
  QCOMPARE(Characters(again.Entries()), QStringList{u"山明月"_qs});
  QCOMPARE(again.Entries().first().Strokes, (std::array<int, 3>{4, 6, 2}));
}

void tst_SignJournal::csvQuotesWhatNeedsIt() {
  JournalEntry plain = Entry(u"天地人"_qs, u"2026-12-08T21:05:09"_qs);
  JournalEntry awkward = Entry(u"天,地"_qs, u"2026-12-08T21:05:09"_qs, u"001"_qs, u"名\"引\"\n行"_qs);
  JournalEntry carriage = Entry(u"天地人"_qs, u"2026-12-08T21:05:09"_qs, u"078"_qs, u"甲\r乙"_qs);
  const QByteArray csv = JournalCsv({plain, awkward, carriage});
  QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
  const QStringList lines = QString::fromUtf8(csv.mid(3)).split(u"\r\n"_qs);
  QCOMPARE(lines.value(0), u"时间,三字,笔画,签号,签名,签等"_qs);
  QCOMPARE(lines.value(1), u"2026-12-08 21:05:09,天地人,4 6 2,078,锦鲤跃波,上上签"_qs);
  QCOMPARE(lines.value(2), u"2026-12-08 21:05:09,\"天,地\",4 6 2,001,\"名\"\"引\"\"\n行\",上上签"_qs);
  QCOMPARE(lines.value(3), u"2026-12-08 21:05:09,天地人,4 6 2,078,\"甲\r乙\",上上签"_qs);
  QCOMPARE(lines.value(4), QString());
  QCOMPARE(lines.size(), 5);
}

void tst_SignJournal::json() {
  const QJsonArray array =
      QJsonDocument::fromJson(JournalJson({Entry(u"天地人"_qs, u"2026-12-08T21:05:09"_qs)})).array();
  QCOMPARE(array.size(), 1);
  const QJsonObject object = array.first().toObject();
  QCOMPARE(object.value(u"characters"_qs).toString(), u"天地人"_qs);
  QCOMPARE(object.value(u"strokes"_qs).toArray(), (QJsonArray{4, 6, 2}));
  QCOMPARE(object.value(u"sign"_qs).toString(), u"078"_qs);
  QCOMPARE(object.value(u"grade"_qs).toString(), u"上上签"_qs);
  QCOMPARE(object.value(u"time"_qs).toString(), u"2026-12-08T21:05:09"_qs);
  QCOMPARE(JournalJson({}).trimmed(), QByteArray("[\n]"));
}

void tst_SignJournal::damagedFileIsSetAsideNeverOverwritten_data() {
  QTest::addColumn<QByteArray>("contents");
  QTest::newRow("text") << QByteArray("not a database at all\n");
  QTest::newRow("zeros") << QByteArray(8192, '\0');
  QByteArray header("SQLite format 3");
  header.append('\0');
  QTest::newRow("header then garbage") << header + QByteArray(SqlitePage, '\xA5');
  QTest::newRow("sound file with one damaged page") << OneDamagedPage();
  QTest::newRow("sound file cut short") << SoundJournal().chopped(3 * SqlitePage);
}

void tst_SignJournal::damagedFileIsSetAsideNeverOverwritten() {
  QFETCH(QByteArray, contents);
  {
    QFile file(Path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
  }
  SignJournal journal(Path());
  QVERIFY2(journal.IsOpen(), qPrintable(journal.Problem()));
  QVERIFY(journal.Problem().contains(u"损坏"_qs));
  QVERIFY(!journal.SetAsideFile().isEmpty());
  QFile aside(journal.SetAsideFile());
  QVERIFY(aside.open(QIODevice::ReadOnly));
  QCOMPARE(aside.readAll(), contents);
  // The new journal works.
  QVERIFY(journal.Record(Entry(u"天地人"_qs, u"2026-12-08T10:00:00"_qs)));
  QCOMPARE(journal.Entries().size(), 1);
}

void tst_SignJournal::lockedFileIsLeftAlone() {
  QVERIFY(RecordOneReading(Path()));
  // Another program holds the file for writing.
  QSqlDatabase other = OtherConnection(Path());
  QVERIFY(other.open());
  QSqlQuery hold(other);
  QVERIFY(hold.exec(u"BEGIN EXCLUSIVE"_qs));
  {
    SignJournal journal(Path());
    QVERIFY(!journal.Record(Entry(u"吉祥如"_qs, u"2026-12-08T11:00:00"_qs)));
    QVERIFY2(journal.Problem().contains(u"占用"_qs), qPrintable(journal.Problem()));
    QVERIFY(journal.SetAsideFile().isEmpty());
  }
  QVERIFY(hold.exec(u"ROLLBACK"_qs));
  hold.finish();
  EndOtherConnection(other);
  QCOMPARE(QDir(folder->path()).entryList(QDir::Files), QStringList{u"journal.sqlite"_qs});
  SignJournal journal(Path());
  QCOMPARE(Characters(journal.Entries()), QStringList{u"天地人"_qs});
}

void tst_SignJournal::lockedRecordingsWaitAndAreWrittenLater() {
  QVERIFY(RecordOneReading(Path()));
  QSqlDatabase other = OtherConnection(Path());
  QVERIFY(other.open());
  {
    QSqlQuery hold(other);
    QVERIFY(hold.exec(u"BEGIN EXCLUSIVE"_qs));
    for (const QString &characters : {u"吉祥如"_qs, u"意平安"_qs}) {
      SignJournal journal(Path());
      QVERIFY(!journal.RecordOrKeep(Entry(characters, u"2026-12-08T11:00:00"_qs)));
      QVERIFY2(journal.Problem().contains(u"占用"_qs), qPrintable(journal.Problem()));
    }
    QCOMPARE(SignJournal::PendingCount(Path()), 2);
    QCOMPARE(SignJournal::PendingCount(folder->filePath(u"other.sqlite"_qs)), 0);
    QVERIFY(hold.exec(u"ROLLBACK"_qs));
  }
  EndOtherConnection(other);
  // The next recording takes the waiting ones with it, oldest first.
  {
    SignJournal journal(Path());
    QVERIFY2(journal.RecordOrKeep(Entry(u"福寿康"_qs, u"2026-12-08T11:00:00"_qs)), qPrintable(journal.Problem()));
  }
  QCOMPARE(SignJournal::PendingCount(Path()), 0);
  QCOMPARE(Characters(SignJournal(Path()).Entries()),
           (QStringList{u"福寿康"_qs, u"意平安"_qs, u"吉祥如"_qs, u"天地人"_qs}));
}

void tst_SignJournal::fullDiskIsNotDamage() {
  // No room for a single byte: the journal cannot be made, nothing is set
  // aside, and the recording waits until the next opening for writing.
  const QString path = Path();
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit full{0, limit.rlim_max};
  QCOMPARE(::setrlimit(RLIMIT_FSIZE, &full), 0);
  bool kept = false;
  QString problem;
  for (int i = 0; i < 2; ++i) {
    SignJournal journal(path);
    kept = !journal.RecordOrKeep(Entry(u"天地人"_qs, u"2026-12-08T10:00:00"_qs));
    problem = journal.Problem();
  }
  QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  QVERIFY(kept);
  QVERIFY(!problem.isEmpty());
  QVERIFY2(!problem.contains(u"损坏"_qs), qPrintable(problem));
  QCOMPARE(QDir(folder->path()).entryList({u"*.damaged-*"_qs}, QDir::Files), QStringList());
  QCOMPARE(SignJournal::PendingCount(path), 2);
  SignJournal journal(path); // the journal window opens it
  QCOMPARE(journal.Entries().size(), 2);
  QCOMPARE(SignJournal::PendingCount(path), 0);
}

void tst_SignJournal::healthyFilesAreNotDamaged_data() {
  QTest::addColumn<QByteArray>("contents");
  QTest::addColumn<bool>("readOnly");
  QTest::newRow("empty file") << QByteArray() << false;
  QTest::newRow("read-only empty file") << QByteArray() << true;
  QTest::newRow("read-only journal") << SoundJournal(3) << true;
}

void tst_SignJournal::healthyFilesAreNotDamaged() {
  QFETCH(QByteArray, contents);
  QFETCH(bool, readOnly);
  WriteFile(Path(), contents);
  if (readOnly)
    QVERIFY(QFile::setPermissions(Path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  {
    SignJournal journal(Path());
    QVERIFY(journal.SetAsideFile().isEmpty());
    QVERIFY2(!journal.Problem().contains(u"损坏"_qs), qPrintable(journal.Problem()));
    const bool written = journal.RecordOrKeep(Entry(u"天地人"_qs, u"2026-12-08T10:00:00"_qs));
    if (!readOnly || ::geteuid() == 0) // root writes whatever the permissions
      QVERIFY2(written, qPrintable(journal.Problem()));
    else
      QVERIFY(!written && SignJournal::PendingCount(Path()) == 1);
  }
  QCOMPARE(QDir(folder->path()).entryList({u"*.damaged-*"_qs}, QDir::Files), QStringList());
  QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner);
  SignJournal journal(Path());
  QCOMPARE(journal.Entries().size(), contents.isEmpty() ? 1 : 4);
}

void tst_SignJournal::readingChangesNothing_data() {
  QTest::addColumn<QByteArray>("contents");
  QTest::addColumn<int>("entries"); // -1: not opened
  QTest::addColumn<QString>("problem");
  QTest::newRow("sound journal") << SoundJournal(3) << 3 << QString();
  QTest::newRow("empty file") << QByteArray() << 0 << QString();
  QTest::newRow("SQLite file without tables") << SqliteFile(u"PRAGMA user_version = 1"_qs) << 0 << QString();
  QTest::newRow("text") << QByteArray("not a database at all\n") << -1 << u"无法读取"_qs;
  QTest::newRow("zeros") << QByteArray(8192, '\0') << -1 << u"无法读取"_qs;
  QTest::newRow("one damaged page") << OneDamagedPage() << -1 << u"损坏"_qs;
  QTest::newRow("cut short") << SoundJournal().chopped(3 * SqlitePage) << -1 << u"journal.sqlite"_qs;
  QTest::newRow("foreign file") << SqliteFile(u"CREATE TABLE notes (id INTEGER, text TEXT)"_qs) << -1
                                << u"没有 readings 表"_qs;
  QTest::newRow("readings of other columns")
      << SqliteFile(u"CREATE TABLE readings (id INTEGER PRIMARY KEY, time TEXT, characters TEXT)"_qs) << -1
      << u"readings 表的列"_qs;
}

void tst_SignJournal::readingChangesNothing() {
  QFETCH(QByteArray, contents);
  QFETCH(int, entries);
  QFETCH(QString, problem);
  WriteFile(Path(), contents);
  {
    const SignJournal journal(Path(), JournalAccess::ReadOnly);
    QCOMPARE(journal.IsOpen(), entries >= 0);
    if (entries >= 0) {
      QCOMPARE(journal.Entries().size(), entries);
      QCOMPARE(journal.Problem(), QString());
    } else {
      QVERIFY2(journal.Problem().contains(problem), qPrintable(journal.Problem()));
    }
  }
  QCOMPARE(ReadFile(Path()), contents);
  QCOMPARE(QDir(folder->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"journal.sqlite"_qs});
  // Nothing is made where there is nothing.
  const SignJournal missing(folder->filePath(u"none/journal.sqlite"_qs), JournalAccess::ReadOnly);
  QVERIFY(!missing.IsOpen());
  QVERIFY(!QFileInfo::exists(folder->filePath(u"none"_qs)));
}

void tst_SignJournal::waitingRecordingsWrittenAtTheEnd() {
  QVERIFY(RecordOneReading(Path()));
  QProcess child;
  child.start(QCoreApplication::applicationFilePath(), {u"--keep-then-quit"_qs, Path()});
  QVERIFY(child.waitForFinished(60000));
  QCOMPARE(child.exitCode(), 0);
  QCOMPARE(Characters(SignJournal(Path()).Entries()), (QStringList{u"等一等"_qs, u"天地人"_qs}));
}

void tst_SignJournal::folderThatCannotBeMade() {
  QFile blocker(folder->filePath(u"plain"_qs));
  QVERIFY(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  SignJournal journal(folder->filePath(u"plain/journal.sqlite"_qs));
  QVERIFY(!journal.IsOpen());
  QVERIFY(!journal.Record(Entry(u"天地人"_qs, u"2026-12-08T10:00:00"_qs)));
  QVERIFY(!journal.Problem().isEmpty());
  QVERIFY(journal.Entries().isEmpty());
}

void tst_SignJournal::killsMidWriteLeaveWholeRows() {
  // A writer is killed 100 times at varying moments; every row left must be
  // whole and the file sound. The moments vary, the verdict does not.
  for (int kill = 0; kill < 100; ++kill) {
    QProcess writer;
    writer.start(QCoreApplication::applicationFilePath(), {u"--write-forever"_qs, Path()});
    QVERIFY(writer.waitForStarted());
    QVERIFY(writer.waitForReadyRead(60000));
    QTest::qWait((kill * 7) % 40);
    ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
    QVERIFY(writer.waitForFinished());
  }
  QSqlDatabase check = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"check"_qs);
  check.setDatabaseName(Path());
  QVERIFY(check.open());
  {
    QSqlQuery query(check);
    QVERIFY(query.exec(u"PRAGMA integrity_check"_qs) && query.next());
    QCOMPARE(query.value(0).toString(), u"ok"_qs);
    QVERIFY(query.exec(u"SELECT count(*) FROM readings WHERE characters <> '天地人' OR length(sign) <> 3"
                       " OR name <> '锦鲤跃波' OR grade <> '上上签' OR strokes1 <> 4 OR strokes3 <> 2"_qs) &&
            query.next());
    QCOMPARE(query.value(0).toInt(), 0);
    QVERIFY(query.exec(u"SELECT count(*) FROM readings"_qs) && query.next());
    QVERIFY(query.value(0).toInt() > 0);
  }
  check.close();
  check = QSqlDatabase();
  QSqlDatabase::removeDatabase(u"check"_qs);
}

void tst_SignJournal::recordingSetting() {
  QVERIFY(JournalRecordingEnabled()); // on unless switched off
  SetJournalRecordingEnabled(false);
  QVERIFY(!JournalRecordingEnabled());
  SetJournalRecordingEnabled(true);
  QVERIFY(JournalRecordingEnabled());
  QVERIFY(QFile::exists(JournalSettingsFile()));
}

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  if (argc == 3 && QByteArray(argv[1]) == "--write-forever")
    return WriteForever(QString::fromLocal8Bit(argv[2]));
  if (argc == 3 && QByteArray(argv[1]) == "--keep-then-quit")
    return KeepThenQuit(QString::fromLocal8Bit(argv[2]));
  tst_SignJournal test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_SignJournal.moc"
