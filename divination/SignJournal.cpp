#include "SignJournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>
#include <QVariant>

namespace {

// Short: a divination never waits long on a journal another program holds.
constexpr int BusyTimeoutMs = 250;

const QString Schema =
    QStringLiteral("CREATE TABLE IF NOT EXISTS readings ("
                   " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                   " time TEXT NOT NULL," // ISO 8601 with the UTC offset
                   " characters TEXT NOT NULL,"
                   " strokes1 INTEGER NOT NULL, strokes2 INTEGER NOT NULL, strokes3 INTEGER NOT NULL,"
                   " sign TEXT NOT NULL, name TEXT NOT NULL, grade TEXT NOT NULL)");

JournalEntry ReadEntry(const QSqlQuery &query) {
  JournalEntry entry;
  entry.Id = query.value(0).toLongLong();
  entry.Time = QDateTime::fromString(query.value(1).toString(), Qt::ISODate);
  entry.Characters = query.value(2).toString();
  for (int i = 0; i < 3; ++i)
    entry.Strokes[static_cast<std::size_t>(i)] = query.value(3 + i).toInt();
  entry.SignNumber = query.value(6).toString();
  entry.Name = query.value(7).toString();
  entry.Grade = query.value(8).toString();
  return entry;
}

// Qt binds a null text as NULL; an empty name (a sign with no row) is text.
QString NotNull(const QString &text) { return text.isNull() ? QStringLiteral("") : text; }

const QString Columns = QStringLiteral("id, time, characters, strokes1, strokes2, strokes3, sign, name, grade");

// SQLite's primary result code of an error (an extended code carries it in
// its low byte).
int ResultCode(const QSqlError &error) { return error.nativeErrorCode().toInt() & 0xFF; }

bool IsBusy(const QSqlError &error) {
  // SQLITE_BUSY (5) and SQLITE_LOCKED (6).
  const int code = ResultCode(error);
  return code == 5 || code == 6;
}

// Only SQLITE_CORRUPT (11) and SQLITE_NOTADB (26) say the file itself is
// damaged; a full disk, a read-only file or a lock say nothing about it.
bool IsDamage(const QSqlError &error) {
  const int code = ResultCode(error);
  return code == 11 || code == 26;
}

const QStringList ReadingColumns = {u"id"_qs,       u"time"_qs, u"characters"_qs, u"strokes1"_qs, u"strokes2"_qs,
                                    u"strokes3"_qs, u"sign"_qs, u"name"_qs,       u"grade"_qs};

// The recordings not yet written, by journal file, oldest first.
QHash<QString, QList<JournalEntry>> &Pending() {
  static QHash<QString, QList<JournalEntry>> pending;
  return pending;
}

QString PendingKey(const QString &path) { return QFileInfo(path).absoluteFilePath(); }

} // namespace

QString DefaultJournalFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/vandrel/journal.sqlite"_qs;
}

QString JournalSettingsFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/vandrel/vandrel.ini"_qs;
}

bool JournalRecordingEnabled() {
  return QSettings(JournalSettingsFile(), QSettings::IniFormat).value(u"Journal/Record"_qs, true).toBool();
}

void SetJournalRecordingEnabled(bool enabled) {
  QSettings settings(JournalSettingsFile(), QSettings::IniFormat);
  settings.setValue(u"Journal/Record"_qs, enabled);
}

SignJournal::SignJournal(const QString &path, JournalAccess access)
    : Connection(u"journal-"_qs + QUuid::createUuid().toString(QUuid::WithoutBraces)), File(path) {
  if (access == JournalAccess::ReadOnly) {
    Opened = OpenToRead(path);
    return;
  }
  Opened = Open(path, true);
  if (Opened && PendingCount(path) > 0) {
    const QString opened = LastProblem; // a damaged file set aside is the news to keep
    if (WritePending())
      LastProblem = opened;
  }
}

SignJournal::~SignJournal() {
  {
    QSqlDatabase database = QSqlDatabase::database(Connection, false);
    if (database.isOpen())
      database.close();
  }
  QSqlDatabase::removeDatabase(Connection);
}

bool SignJournal::Fail(const QString &what) const {
  LastProblem = what;
  return false;
}

bool SignJournal::Open(const QString &path, bool retryAfterSettingAside) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath()))
    return Fail(u"测字记录无法保存：无法建立文件夹 %1。"_qs.arg(QFileInfo(path).absolutePath()));
  {
    QSqlDatabase database = QSqlDatabase::contains(Connection) ? QSqlDatabase::database(Connection, false)
                                                               : QSqlDatabase::addDatabase(u"QSQLITE"_qs, Connection);
    database.setDatabaseName(path);
    database.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_qs.arg(BusyTimeoutMs));
    if (!database.open())
      return Fail(u"测字记录无法打开：%1"_qs.arg(database.lastError().text()));
    QSqlQuery query(database);
    // A quick look at every page: a damaged file shows here, before anything
    // is written to it.
    const bool checked = query.exec(u"PRAGMA quick_check"_qs);
    const bool readable = checked && query.next() && query.value(0).toString() == u"ok"_qs;
    const QSqlError error = query.lastError();
    query.finish();
    if (readable && query.exec(Schema))
      return true;
    const QSqlError schemaError = readable ? query.lastError() : error;
    // Damaged: the check found faults, or SQLite says the file is none of its.
    const bool damaged = (checked && !readable && !error.isValid()) || IsDamage(schemaError);
    if (IsBusy(schemaError))
      return Fail(u"测字记录暂时无法使用：文件正被其他程序占用。"_qs);
    if (!damaged || !retryAfterSettingAside) {
      database.close();
      return Fail(u"测字记录无法使用：%1"_qs.arg(schemaError.text()));
    }
    database.close();
  }
  // Damaged: keep the file as it is under another name and start anew.
  const QString aside = path + u".damaged-"_qs + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss-zzz"_qs);
  if (!QFile::rename(path, aside))
    return Fail(u"测字记录文件已损坏，且无法移开：%1"_qs.arg(path));
  for (const QString &companion : {u"-journal"_qs, u"-wal"_qs, u"-shm"_qs})
    if (QFile::exists(path + companion))
      QFile::rename(path + companion, aside + companion);
  SetAsidePath = aside;
  const bool reopened = Open(path, false);
  if (reopened)
    LastProblem = u"测字记录文件已损坏，已另存为 %1，并新建了记录。"_qs.arg(aside);
  return reopened;
}

bool SignJournal::OpenToRead(const QString &path) {
  const QFileInfo info(path);
  if (!info.isFile())
    return Fail(u"测字记录 %1 不是文件。"_qs.arg(path));
  if (info.size() == 0) {
    HasReadings = false; // SQLite's own empty database
    return true;
  }
  QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_qs, Connection);
  database.setDatabaseName(path);
  database.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_READONLY"_qs.arg(BusyTimeoutMs));
  if (!database.open())
    return Fail(u"测字记录 %1 无法打开：%2"_qs.arg(path, database.lastError().text()));
  QSqlQuery query(database);
  if (!query.exec(u"PRAGMA quick_check"_qs) || !query.next())
    return Fail(u"测字记录 %1 无法读取：%2"_qs.arg(path, query.lastError().text()));
  if (query.value(0).toString() != u"ok"_qs)
    return Fail(u"测字记录 %1 已损坏：%2"_qs.arg(path, query.value(0).toString()));
  query.finish();
  if (!query.exec(u"SELECT count(*) FROM sqlite_master WHERE type = 'table'"_qs) || !query.next())
    return Fail(u"测字记录 %1 无法读取：%2"_qs.arg(path, query.lastError().text()));
  if (query.value(0).toInt() == 0) {
    HasReadings = false; // made, and nothing written yet
    return true;
  }
  query.finish();
  QStringList columns;
  if (!query.exec(u"PRAGMA table_info(readings)"_qs))
    return Fail(u"测字记录 %1 无法读取：%2"_qs.arg(path, query.lastError().text()));
  while (query.next())
    columns.append(query.value(1).toString());
  if (columns.isEmpty())
    return Fail(u"%1 不是测字记录：其中没有 readings 表。"_qs.arg(path));
  if (columns != ReadingColumns)
    return Fail(u"%1 不是测字记录：readings 表的列是 %2。"_qs.arg(path, columns.join(u", "_qs)));
  return true;
}

bool SignJournal::Write(const QList<JournalEntry> &entries) {
  if (!Opened)
    return Fail(LastProblem.isEmpty() ? u"测字记录无法打开。"_qs : LastProblem);
  QSqlDatabase database = QSqlDatabase::database(Connection, false);
  if (!database.transaction())
    return Fail(IsBusy(database.lastError()) ? u"测字记录暂时无法写入：文件正被其他程序占用。"_qs
                                             : u"测字记录无法写入：%1"_qs.arg(database.lastError().text()));
  QSqlQuery query(database);
  query.prepare(u"INSERT INTO readings (time, characters, strokes1, strokes2, strokes3, sign, name, grade)"
                " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_qs);
  bool written = true;
  for (const JournalEntry &entry : entries) {
    query.addBindValue(entry.Time.toString(Qt::ISODateWithMs));
    query.addBindValue(NotNull(entry.Characters));
    for (int strokes : entry.Strokes)
      query.addBindValue(strokes);
    query.addBindValue(NotNull(entry.SignNumber));
    query.addBindValue(NotNull(entry.Name));
    query.addBindValue(NotNull(entry.Grade));
    if (!query.exec()) {
      written = false;
      break;
    }
  }
  if (!written || !database.commit()) {
    const QSqlError error = query.lastError().isValid() ? query.lastError() : database.lastError();
    database.rollback();
    return Fail(IsBusy(error) ? u"测字记录暂时无法写入：文件正被其他程序占用。"_qs
                              : u"测字记录无法写入：%1"_qs.arg(error.text()));
  }
  LastProblem.clear();
  return true;
}

bool SignJournal::Record(const JournalEntry &entry) { return Write({entry}); }

bool SignJournal::RecordOrKeep(const JournalEntry &entry) {
  Pending()[PendingKey(File)].append(entry);
  if (WritePending())
    return true;
  // Kept: written at the latest when the program ends.
  static bool atExit = false;
  if (!atExit && QCoreApplication::instance()) {
    atExit = true;
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &SignJournal::WriteAllPending);
  }
  return false;
}

bool SignJournal::WritePending() {
  const QString key = PendingKey(File);
  const auto waiting = Pending().constFind(key);
  if (waiting == Pending().cend())
    return true;
  if (!Write(*waiting))
    return false;
  Pending().remove(key);
  return true;
}

int SignJournal::PendingCount(const QString &path) {
  return static_cast<int>(Pending().value(PendingKey(path)).size());
}

void SignJournal::WriteAllPending() {
  for (const QString &path : Pending().keys())
    SignJournal journal(path); // opening for writing writes what waits
}

QList<JournalEntry> SignJournal::Entries(const QString &filter) const {
  QList<JournalEntry> entries;
  if (!Opened || !HasReadings)
    return entries;
  QSqlQuery query(QSqlDatabase::database(Connection, false));
  QString statement = u"SELECT "_qs + Columns + u" FROM readings"_qs;
  if (!filter.isEmpty())
    statement +=
        u" WHERE instr(characters, ?) > 0 OR instr(sign, ?) > 0 OR instr(name, ?) > 0 OR instr(grade, ?) > 0"_qs;
  statement += u" ORDER BY time DESC, id DESC"_qs;
  query.setForwardOnly(true);
  query.prepare(statement);
  if (!filter.isEmpty())
    for (int i = 0; i < 4; ++i)
      query.addBindValue(filter);
  if (!query.exec()) {
    Fail(u"测字记录无法读取：%1"_qs.arg(query.lastError().text()));
    return entries;
  }
  while (query.next())
    entries.append(ReadEntry(query));
  return entries;
}

std::optional<JournalEntry> SignJournal::Entry(qint64 id) const {
  if (!Opened || !HasReadings)
    return std::nullopt;
  QSqlQuery query(QSqlDatabase::database(Connection, false));
  query.prepare(u"SELECT "_qs + Columns + u" FROM readings WHERE id = ?"_qs);
  query.addBindValue(id);
  if (!query.exec() || !query.next())
    return std::nullopt;
  return ReadEntry(query);
}

bool SignJournal::Remove(qint64 id) {
  if (!Opened)
    return Fail(LastProblem);
  QSqlQuery query(QSqlDatabase::database(Connection, false));
  query.prepare(u"DELETE FROM readings WHERE id = ?"_qs);
  query.addBindValue(id);
  if (!query.exec())
    return Fail(u"测字记录无法删除：%1"_qs.arg(query.lastError().text()));
  return true;
}

bool SignJournal::RemoveAll() {
  if (!Opened)
    return Fail(LastProblem);
  QSqlQuery query(QSqlDatabase::database(Connection, false));
  if (!query.exec(u"DELETE FROM readings"_qs))
    return Fail(u"测字记录无法删除：%1"_qs.arg(query.lastError().text()));
  return true;
}

namespace {

QString CsvField(const QString &value) {
  if (!value.contains(u',') && !value.contains(u'"') && !value.contains(u'\n') && !value.contains(u'\r'))
    return value;
  QString quoted = value;
  quoted.replace(u"\""_qs, u"\"\""_qs);
  return u'"' + quoted + u'"';
}

} // namespace

QByteArray JournalCsv(const QList<JournalEntry> &entries) {
  QString text = u"时间,三字,笔画,签号,签名,签等\r\n"_qs;
  for (const JournalEntry &entry : entries) {
    const QStringList fields = {entry.Time.toString(u"yyyy-MM-dd HH:mm:ss"_qs),
                                entry.Characters,
                                u"%1 %2 %3"_qs.arg(entry.Strokes[0]).arg(entry.Strokes[1]).arg(entry.Strokes[2]),
                                entry.SignNumber,
                                entry.Name,
                                entry.Grade};
    QStringList quoted;
    for (const QString &field : fields)
      quoted.append(CsvField(field));
    text += quoted.join(u',') + u"\r\n"_qs;
  }
  return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray JournalJson(const QList<JournalEntry> &entries) {
  QJsonArray array;
  for (const JournalEntry &entry : entries) {
    array.append(QJsonObject{{u"id"_qs, entry.Id},
                             {u"time"_qs, entry.Time.toString(Qt::ISODate)},
                             {u"characters"_qs, entry.Characters},
                             {u"strokes"_qs, QJsonArray{entry.Strokes[0], entry.Strokes[1], entry.Strokes[2]}},
                             {u"sign"_qs, entry.SignNumber},
                             {u"name"_qs, entry.Name},
                             {u"grade"_qs, entry.Grade}});
  }
  return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
