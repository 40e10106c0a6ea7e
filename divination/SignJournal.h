#pragma once
// The journal of past divinations: one row per completed reading (when, the
// three characters and their stroke counts, the sign's number, name and
// grade), kept in an SQLite file in the user's data directory
// (~/.local/share/vandrel/journal.sqlite). Each write is one transaction, so a
// crash or a kill leaves either the whole row or none of it.
//
// A journal file that cannot be used never stops a divination: a damaged file
// is moved aside (journal.sqlite.damaged-<time>), never overwritten, and a
// new one is started; a file that is locked, read-only or on a full disk is
// left alone, since it is not damaged (nor is an empty file). A recording that
// cannot be written then is kept in memory for the rest of the run and
// written at the next chance: the next recording, the next opening of the
// journal for writing (the journal window), the end of the program. Either
// way the caller is told in words, and decides how often to say so.
//
// Opened for reading only (the command-line tool), nothing of the file is
// changed, made or moved: a damaged or foreign file is only a problem.

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <optional>

struct JournalEntry {
  qint64 Id = 0; // assigned by the journal
  QDateTime Time;
  QString Characters;           // the three characters as entered
  std::array<int, 3> Strokes{}; // their stroke counts
  QString SignNumber;           // "000".."383"
  QString Name;                 // the sign's name
  QString Grade; // 上上签 上吉签 中吉签 中平签 中下签 下下签 (or whatever grade the sign had then)
};

// The journal file and the settings file that says whether to record.
QString DefaultJournalFile();
QString JournalSettingsFile();
bool JournalRecordingEnabled();
void SetJournalRecordingEnabled(bool enabled);

enum class JournalAccess {
  ReadWrite, // creates the file and its table when missing, sets a damaged file aside
  ReadOnly,  // changes nothing; a damaged or foreign file leaves the journal closed
};

class SignJournal {
public:
  // Opens the journal at path. ReadWrite creates it when missing and then
  // writes the recordings still waiting for it; check Problem() afterwards: a
  // damaged file has already been moved aside by then. ReadOnly opens an
  // existing file only; an empty file, or one without any table, is an empty
  // journal, and a file with other tables, or a readings table of other
  // columns, is not open.
  explicit SignJournal(const QString &path = DefaultJournalFile(), JournalAccess access = JournalAccess::ReadWrite);
  ~SignJournal();
  SignJournal(const SignJournal &) = delete;
  SignJournal &operator=(const SignJournal &) = delete;

  // What went wrong last, in words for the user; empty when all is well.
  QString Problem() const { return LastProblem; }
  bool IsOpen() const { return Opened; }
  // Where a damaged file was moved, when that happened while opening.
  QString SetAsideFile() const { return SetAsidePath; }

  // Appends entry; false (with Problem()) when it could not be written.
  bool Record(const JournalEntry &entry);
  // Appends the recordings waiting for this file and then entry, in one
  // transaction; when that fails (with Problem()) entry waits with them.
  bool RecordOrKeep(const JournalEntry &entry);
  // Writes the recordings waiting for this file; true when none waits any more.
  bool WritePending();
  // How many recordings wait for the journal at path in this run.
  static int PendingCount(const QString &path = DefaultJournalFile());
  // Writes what waits for every journal file; run at the end of the program.
  static void WriteAllPending();
  // Entries newest first; filter, when not empty, keeps those whose
  // characters, sign number, sign name or grade contain it. A grade is kept
  // as it was written: entries of the five grades before 中下签 keep theirs.
  QList<JournalEntry> Entries(const QString &filter = QString()) const;
  std::optional<JournalEntry> Entry(qint64 id) const;
  bool Remove(qint64 id);
  bool RemoveAll();

private:
  bool Open(const QString &path, bool retryAfterSettingAside);
  bool OpenToRead(const QString &path);
  bool Fail(const QString &what) const;
  bool Write(const QList<JournalEntry> &entries);

  QString Connection;
  QString File;
  QString SetAsidePath;
  mutable QString LastProblem;
  bool Opened = false;
  // False for an empty file read without changing it: there is nothing to read.
  bool HasReadings = true;
};

// The entries as CSV (RFC 4180, UTF-8 with a byte-order mark so that
// spreadsheet programs read the Chinese right), with a header row.
QByteArray JournalCsv(const QList<JournalEntry> &entries);
// The entries as a JSON array of objects.
QByteArray JournalJson(const QList<JournalEntry> &entries);
