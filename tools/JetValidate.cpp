// The writer's refusals: every table, column and value is checked before a
// page is laid out, so a file is either written whole or not at all.

#include "JetLayout.h"

#include <QSet>

#include <cmath>

namespace Jet::Format {
namespace {

void ValidateName(const QString &name, const QString &what) {
  if (name.isEmpty() || name.size() > 64)
    Fail(QStringLiteral("%1: a name must have 1 to 64 characters").arg(what));
  for (QChar c : name)
    if (c.unicode() < 32 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
      Fail(QStringLiteral("%1: the name holds a character Jet forbids in names").arg(what));
}

void ValidateColumns(const Table &t) {
  if (t.Columns.empty() || t.Columns.size() > 255)
    Fail(QStringLiteral("%1: a table needs 1 to 255 columns").arg(Where(t, -1, nullptr)));
  QSet<QString> names;
  for (const Column &c : t.Columns) {
    ValidateName(c.Name, Where(t, -1, &c));
    if (names.contains(c.Name.toCaseFolded()))
      Fail(QStringLiteral("%1: the column name is used twice").arg(Where(t, -1, &c)));
    names.insert(c.Name.toCaseFolded());
    if ((c.Type == ColumnType::Text || c.Type == ColumnType::Binary) && (c.MaxLength < 1 || c.MaxLength > 255))
      Fail(QStringLiteral("%1: the length must be 1 to 255").arg(Where(t, -1, &c)));
  }
}

// Whether v holds a Held (QString or QByteArray) no longer than the column
// holds; a longer one fails here with its own message, which counts the
// value's size in unit.
template <typename Held>
bool FitsLength(const Table &t, qsizetype r, const Column &c, const Value &v, QLatin1String kind, QLatin1String unit) {
  if (!std::holds_alternative<Held>(v))
    return false;
  const qsizetype size = std::get<Held>(v).size();
  if (size > c.MaxLength)
    Fail(QStringLiteral("%1: the %2 has %3 %4, the column holds %5")
             .arg(Where(t, r, &c), kind, QString::number(size), unit, QString::number(c.MaxLength)));
  return true;
}

// Whether a value that is not NULL has the column's type and fits it.
bool ValueFits(const Table &t, qsizetype r, const Column &c, const Value &v) {
  switch (c.Type) {
  case ColumnType::Boolean:
    return std::holds_alternative<bool>(v);
  case ColumnType::Integer:
    return std::holds_alternative<std::int32_t>(v) && std::get<std::int32_t>(v) >= -32768 &&
           std::get<std::int32_t>(v) <= 32767;
  case ColumnType::Long:
    return std::holds_alternative<std::int32_t>(v);
  case ColumnType::DateTime:
    return std::holds_alternative<double>(v) && std::isfinite(std::get<double>(v));
  case ColumnType::Text:
    return FitsLength<QString>(t, r, c, v, QLatin1String("text"), QLatin1String("characters"));
  case ColumnType::Memo:
    return std::holds_alternative<QString>(v);
  case ColumnType::Binary:
    return FitsLength<QByteArray>(t, r, c, v, QLatin1String("value"), QLatin1String("bytes"));
  case ColumnType::Ole:
    return std::holds_alternative<QByteArray>(v);
  }
  return false;
}

void ValidateRows(const Table &t) {
  for (qsizetype r = 0; r < qsizetype(t.Rows.size()); ++r) {
    const auto &row = t.Rows[r];
    if (row.size() != t.Columns.size())
      Fail(QStringLiteral("%1: the row has %2 values for %3 columns")
               .arg(Where(t, r, nullptr))
               .arg(row.size())
               .arg(t.Columns.size()));
    for (std::size_t i = 0; i < row.size(); ++i) {
      const Column &c = t.Columns[i];
      const Value &v = row[i];
      if (!std::holds_alternative<std::monostate>(v) && !ValueFits(t, r, c, v))
        Fail(QStringLiteral("%1: the value does not fit a %2 column").arg(Where(t, r, &c), TypeName(c.Type)));
    }
  }
}

void ValidateTable(const Table &t) {
  ValidateName(t.Name, QStringLiteral("table \"%1\"").arg(t.Name));
  ValidateColumns(t);
  ValidateRows(t);
}

} // namespace

void ValidateUserTables(const std::vector<Table> &userTables) {
  QSet<QString> tableNames;
  for (const Table &t : userTables) {
    ValidateTable(t);
    if (t.Name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive))
      Fail(QStringLiteral("table \"%1\": names starting with MSys belong to the system tables").arg(t.Name));
    if (!GeneralSortCodes(t.Name))
      Fail(QStringLiteral("table \"%1\": a table name may hold only letters A-Z, digits, blanks and underscores, "
                          "the characters the catalog's index encodes")
               .arg(t.Name));
    if (tableNames.contains(t.Name.toCaseFolded()))
      Fail(QStringLiteral("table \"%1\": the table name is used twice").arg(t.Name));
    tableNames.insert(t.Name.toCaseFolded());
  }
}

} // namespace Jet::Format
