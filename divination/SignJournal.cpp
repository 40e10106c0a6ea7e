#include "SignJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
  entry.id = query.value(0).toLongLong();
  entry.time = QDateTime::fromString(query.value(1).toString(), Qt::ISODate);
  entry.characters = query.value(2).toString();
  for (int i = 0; i < 3; ++i)
    entry.strokes[static_cast<std::size_t>(i)] = query.value(3 + i).toInt();
  entry.signNumber = query.value(6).toString();
  entry.name = query.value(7).toString();
  entry.grade = query.value(8).toString();
  return entry;
}

// Qt binds a null text as NULL; an empty name (a sign with no row) is text.
QString NotNull(const QString &text) { return text.isNull() ? QStringLiteral("") : text; }

const QString Columns = QStringLiteral("id, time, characters, strokes1, strokes2, strokes3, sign, name, grade");

bool IsBusy(const QSqlError &error) {
  // SQLITE_BUSY (5) and SQLITE_LOCKED (6).
  const QString code = error.nativeErrorCode();
  return code == u"5"_qs || code == u"6"_qs;
}

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

SignJournal::SignJournal(const QString &path)
    : connection(u"journal-"_qs + QUuid::createUuid().toString(QUuid::WithoutBraces)), file(path) {
  open = Open(path, true);
}

SignJournal::~SignJournal() {
  {
    QSqlDatabase database = QSqlDatabase::database(connection, false);
    if (database.isOpen())
      database.close();
  }
  QSqlDatabase::removeDatabase(connection);
}

bool SignJournal::Fail(const QString &what) const {
  problem = what;
  return false;
}

bool SignJournal::Open(const QString &path, bool retryAfterSettingAside) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath()))
    return Fail(u"测字记录无法保存：无法建立文件夹 %1。"_qs.arg(QFileInfo(path).absolutePath()));
  {
    QSqlDatabase database = QSqlDatabase::contains(connection) ? QSqlDatabase::database(connection, false)
                                                               : QSqlDatabase::addDatabase(u"QSQLITE"_qs, connection);
    database.setDatabaseName(path);
    database.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1"_qs.arg(BusyTimeoutMs));
    if (!database.open())
      return Fail(u"测字记录无法打开：%1"_qs.arg(database.lastError().text()));
    QSqlQuery query(database);
    // A quick look at every page: a damaged file shows here, before anything
    // is written to it.
    const bool readable = query.exec(u"PRAGMA quick_check"_qs) && query.next() && query.value(0).toString() == u"ok"_qs;
    const QSqlError error = query.lastError();
    query.finish();
    if (readable && query.exec(Schema))
      return true;
    const QSqlError schemaError = readable ? query.lastError() : error;
    if (IsBusy(schemaError))
      return Fail(u"测字记录暂时无法使用：文件正被其他程序占用。"_qs);
    database.close();
    if (!retryAfterSettingAside)
      return Fail(u"测字记录无法使用：%1"_qs.arg(schemaError.text()));
  }
  // Damaged: keep the file as it is under another name and start anew.
  const QString aside = path + u".damaged-"_qs + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss-zzz"_qs);
  if (!QFile::rename(path, aside))
    return Fail(u"测字记录文件已损坏，且无法移开：%1"_qs.arg(path));
  for (const QString &companion : {u"-journal"_qs, u"-wal"_qs, u"-shm"_qs})
    if (QFile::exists(path + companion))
      QFile::rename(path + companion, aside + companion);
  setAside = aside;
  const bool reopened = Open(path, false);
  if (reopened)
    problem = u"测字记录文件已损坏，已另存为 %1，并新建了记录。"_qs.arg(aside);
  return reopened;
}

bool SignJournal::Record(const JournalEntry &entry) {
  if (!open)
    return Fail(problem.isEmpty() ? u"测字记录无法打开。"_qs : problem);
  QSqlDatabase database = QSqlDatabase::database(connection, false);
  if (!database.transaction())
    return Fail(IsBusy(database.lastError()) ? u"测字记录暂时无法写入：文件正被其他程序占用。"_qs
                                             : u"测字记录无法写入：%1"_qs.arg(database.lastError().text()));
  QSqlQuery query(database);
  query.prepare(u"INSERT INTO readings (time, characters, strokes1, strokes2, strokes3, sign, name, grade)"
                " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_qs);
  query.addBindValue(entry.time.toString(Qt::ISODateWithMs));
  query.addBindValue(NotNull(entry.characters));
  for (int strokes : entry.strokes)
    query.addBindValue(strokes);
  query.addBindValue(NotNull(entry.signNumber));
  query.addBindValue(NotNull(entry.name));
  query.addBindValue(NotNull(entry.grade));
  if (!query.exec() || !database.commit()) {
    const QSqlError error = query.lastError().isValid() ? query.lastError() : database.lastError();
    database.rollback();
    return Fail(IsBusy(error) ? u"测字记录暂时无法写入：文件正被其他程序占用。"_qs
                              : u"测字记录无法写入：%1"_qs.arg(error.text()));
  }
  problem.clear();
  return true;
}

QList<JournalEntry> SignJournal::Entries(const QString &filter) const {
  QList<JournalEntry> entries;
  if (!open)
    return entries;
  QSqlQuery query(QSqlDatabase::database(connection, false));
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
  if (!open)
    return std::nullopt;
  QSqlQuery query(QSqlDatabase::database(connection, false));
  query.prepare(u"SELECT "_qs + Columns + u" FROM readings WHERE id = ?"_qs);
  query.addBindValue(id);
  if (!query.exec() || !query.next())
    return std::nullopt;
  return ReadEntry(query);
}

bool SignJournal::Remove(qint64 id) {
  if (!open)
    return Fail(problem);
  QSqlQuery query(QSqlDatabase::database(connection, false));
  query.prepare(u"DELETE FROM readings WHERE id = ?"_qs);
  query.addBindValue(id);
  if (!query.exec())
    return Fail(u"测字记录无法删除：%1"_qs.arg(query.lastError().text()));
  return true;
}

bool SignJournal::RemoveAll() {
  if (!open)
    return Fail(problem);
  QSqlQuery query(QSqlDatabase::database(connection, false));
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
    const QStringList fields = {entry.time.toString(u"yyyy-MM-dd HH:mm:ss"_qs),
                                entry.characters,
                                u"%1 %2 %3"_qs.arg(entry.strokes[0]).arg(entry.strokes[1]).arg(entry.strokes[2]),
                                entry.signNumber,
                                entry.name,
                                entry.grade};
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
    array.append(QJsonObject{{u"id"_qs, entry.id},
                             {u"time"_qs, entry.time.toString(Qt::ISODate)},
                             {u"characters"_qs, entry.characters},
                             {u"strokes"_qs, QJsonArray{entry.strokes[0], entry.strokes[1], entry.strokes[2]}},
                             {u"sign"_qs, entry.signNumber},
                             {u"name"_qs, entry.name},
                             {u"grade"_qs, entry.grade}});
  }
  return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
