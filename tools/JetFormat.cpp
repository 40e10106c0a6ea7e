#include "JetFormat.h"

namespace Jet::Format {

QByteArray Ucs2(QStringView s) {
  QByteArray b;
  for (QChar c : s)
    Append16(b, c.unicode());
  return b;
}

int FixedSize(ColumnType t) {
  switch (t) {
  case ColumnType::Integer:
    return 2;
  case ColumnType::Long:
    return 4;
  case ColumnType::DateTime:
    return 8;
  default:
    return 0; // Boolean lives in the null mask; variable columns
  }
}

QString TypeName(ColumnType t) {
  switch (t) {
  case ColumnType::Boolean:
    return QStringLiteral("boolean");
  case ColumnType::Integer:
    return QStringLiteral("integer");
  case ColumnType::Long:
    return QStringLiteral("long integer");
  case ColumnType::DateTime:
    return QStringLiteral("date/time");
  case ColumnType::Binary:
    return QStringLiteral("binary");
  case ColumnType::Text:
    return QStringLiteral("text");
  case ColumnType::Ole:
    return QStringLiteral("OLE object");
  case ColumnType::Memo:
    return QStringLiteral("memo");
  }
  return QStringLiteral("unknown");
}

QString Where(const Table &t, qsizetype row, const Column *column) {
  QString s = QStringLiteral("table \"%1\"").arg(t.Name);
  if (row >= 0)
    s += QStringLiteral(", row %1").arg(row + 1);
  if (column)
    s += QStringLiteral(", column \"%1\"").arg(column->Name);
  return s;
}

void Fail(const QString &message) { throw WriteError(message.toStdString()); }

} // namespace Jet::Format
