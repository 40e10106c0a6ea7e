#pragma once
// The query object of the sign lookups: one SELECT statement on one Access
// (Jet 4.0) database file, read through mdbtools' SQL library.
//
// It behaves as the Jet OLE DB provider does for the statements the program
// runs, where mdbtools on its own would answer differently:
// - string literals are read the Jet way: '' inside a literal is one quote;
// - LIKE uses the ANSI-92 wildcards of the provider, % and _, plus Jet's
//   [list], [!list] and [a-z]; _ stands for one character, not one byte, and
//   the comparison ignores case;
// - a NULL never matches LIKE or =, and reads as empty text;
// - text values are compared in full (mdbtools cuts them at 255 bytes);
// - an unknown column in the condition is an error, not a match.
// mdbtools prints its diagnostics to the standard error stream; they are kept
// off the terminal while a query runs and never reach the user.
//
// GBK is converted at this boundary: the statement comes in as GBK and goes to
// the engine as Unicode, values come back as GBK with '?' for a character
// that has no GBK form (as the Windows conversion does).

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>
#include <stdexcept>

// The largest database file a query opens (64 MiB). A sign database is a
// few hundred KiB; the whole file is read for its checks, so anything far
// larger is refused unread.
inline constexpr qint64 MaxDatabaseFileBytes = qint64(64) << 20;

// Any failure of the engine: no such file, not a database (a damaged one, or
// one over MaxDatabaseFileBytes), unknown table or column, a statement it
// cannot read, an invalid LIKE pattern.
struct JetError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class JetQuery {
public:
  JetQuery();
  ~JetQuery(); // closes the result and the file
  JetQuery(const JetQuery &) = delete;
  JetQuery &operator=(const JetQuery &) = delete;

  // "Provider=...;Data Source=<path>;..." as ADO takes it; only the data source
  // is used here.
  void SetConnectionString(const QString &connection);
  // One statement, GBK.
  void SetSql(const QByteArray &statementGbk);
  // Opens the file, runs the statement and positions on the first row.
  // Throws JetError.
  void Open();
  bool IsEmpty() const;
  // The current row's value in the statement's column `index` (0-based) as
  // GBK text; NULL reads as empty. Throws JetError for a column that is not
  // in the result or when the query is not open.
  QByteArray FieldAsText(int index) const;

private:
  struct Result;
  QString Connection;
  QByteArray Statement;
  std::unique_ptr<Result> Opened;
};

// Jet's LIKE: whether value matches pattern (see above). Throws JetError for
// a pattern Jet rejects (a '[' without its ']').
bool JetLike(QStringView value, QStringView pattern);

// The Data Source of an ADO connection string; empty when it has none.
QString DataSourceOf(const QString &connection);
