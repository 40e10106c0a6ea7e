#pragma once
// The journal of past divinations: one row per completed reading (when, the
// three characters and their stroke counts, the sign's number, name and
// grade), kept in an SQLite file in the user's data directory
// (~/.local/share/vandrel/journal.sqlite). Each write is one transaction, so a
// crash or a kill leaves either the whole row or none of it.
//
// A journal file that cannot be used never stops a divination: a damaged file
// is moved aside (journal.sqlite.damaged-<time>), never overwritten, and a
// new one is started; a locked file is left alone and the row is not written.
// Either way the caller is told in words, and decides how often to say so.

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <optional>

struct JournalEntry {
  qint64 id = 0; // assigned by the journal
  QDateTime time;
  QString characters;           // the three characters as entered
  std::array<int, 3> strokes{}; // their stroke counts
  QString signNumber;           // "000".."383"
  QString name;                 // the sign's name
  QString grade; // 上上签 上吉签 中吉签 中平签 中下签 下下签 (or whatever grade the sign had then)
};

// The journal file and the settings file that says whether to record.
QString DefaultJournalFile();
QString JournalSettingsFile();
bool JournalRecordingEnabled();
void SetJournalRecordingEnabled(bool enabled);

class SignJournal {
public:
  // Opens (creating when missing) the journal at path. Check Problem()
  // afterwards: a damaged file has already been moved aside by then.
  explicit SignJournal(const QString &path = DefaultJournalFile());
  ~SignJournal();
  SignJournal(const SignJournal &) = delete;
  SignJournal &operator=(const SignJournal &) = delete;

  // What went wrong last, in words for the user; empty when all is well.
  QString Problem() const { return problem; }
  bool IsOpen() const { return open; }
  // Where a damaged file was moved, when that happened while opening.
  QString SetAsideFile() const { return setAside; }

  // Appends entry; false (with Problem()) when it could not be written.
  bool Record(const JournalEntry &entry);
  // Entries newest first; filter, when not empty, keeps those whose
  // characters, sign number, sign name or grade contain it. A grade is kept
  // as it was written: entries of the five grades before 中下签 keep theirs.
  QList<JournalEntry> Entries(const QString &filter = QString()) const;
  std::optional<JournalEntry> Entry(qint64 id) const;
  bool Remove(qint64 id);
  bool RemoveAll();

private:
  bool Open(const QString &path, bool retryAfterSettingAside);
  bool Fail(const QString &what) const;

  QString connection;
  QString file;
  QString setAside;
  mutable QString problem;
  bool open = false;
};

// The entries as CSV (RFC 4180, UTF-8 with a byte-order mark so that
// spreadsheet programs read the Chinese right), with a header row.
QByteArray JournalCsv(const QList<JournalEntry> &entries);
// The entries as a JSON array of objects.
QByteArray JournalJson(const QList<JournalEntry> &entries);
