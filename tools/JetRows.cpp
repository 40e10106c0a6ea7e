// Rows as data pages store them: the column count, the fixed area, the
// variable data with its offset table (last to first), the null mask.
// Long values go to LVAL pages of their column (or stay in the row when
// short), text in Jet's compressed form where that is shorter.

#include "JetLayout.h"

namespace Jet {

QByteArray EncodeText(QStringView text, bool compress) {
  QByteArray plain = Format::Ucs2(text); // not const: returned by move below
  if (!compress || text.isEmpty())
    return plain;
  for (QChar c : text)
    if ((c.unicode() & 0xFF) == 0)
      return plain;
  // Compressed mode holds U+0001..U+00FF in one byte each. Leaving the
  // uncompressed mode costs two switch bytes for a run in the middle and one
  // at the end, so only runs that save bytes are taken back to it.
  QByteArray out("\xFF\xFE", 2);
  bool compressed = true;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n;) {
    const bool single = text[i].unicode() < 0x100;
    if (single) {
      qsizetype j = i;
      while (j < n && text[j].unicode() < 0x100)
        ++j;
      const qsizetype run = j - i;
      const qsizetype switchCost = compressed ? 0 : (j == n ? 1 : 2);
      if (compressed || run > switchCost) {
        if (!compressed) {
          out.append('\0');
          compressed = true;
        }
        for (qsizetype k = i; k < j; ++k)
          out.append(char(text[k].unicode()));
      } else {
        for (qsizetype k = i; k < j; ++k)
          Format::Append16(out, text[k].unicode());
      }
      i = j;
    } else {
      if (compressed) {
        out.append('\0');
        compressed = false;
      }
      Format::Append16(out, text[i].unicode());
      ++i;
    }
  }
  return out.size() < plain.size() ? out : plain;
}

namespace Format {
namespace {

QByteArray EncodeLongValueField(const QByteArray &data, RowPacker &lval) {
  QByteArray field;
  const auto length = std::uint32_t(data.size());
  if (data.size() > 0xFFFFFF)
    Fail(QStringLiteral("a long value of %1 bytes is beyond the 16 MiB this writer stores").arg(data.size()));
  if (data.size() <= MaxInlineLongValue) {
    Append32(field, length | 0x80000000u);
    Append32(field, 0);
    Append32(field, 0);
    field.append(data);
  } else if (data.size() <= MaxLvalRowData) {
    Append32(field, length | 0x40000000u);
    Append32(field, lval.Add(data));
    Append32(field, 0);
  } else {
    // Chained: each link is the pointer to the next link (0 ends the chain)
    // and a piece of the value. The links are stored last to first so that
    // each knows where its successor went; every full link fills a page.
    std::vector<QByteArray> pieces;
    for (qsizetype at = 0; at < data.size(); at += MaxLvalRowData)
      pieces.push_back(data.mid(at, MaxLvalRowData));
    std::uint32_t next = 0;
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
      QByteArray link;
      Append32(link, next);
      link.append(*it);
      next = lval.Add(link, it->size() == MaxLvalRowData);
    }
    Append32(field, length);
    Append32(field, next);
    Append32(field, 0);
  }
  return field;
}

// A row's parts before they are put together.
struct RowParts {
  QByteArray fixed;
  std::vector<QByteArray> variable;
};

// The 12-byte field of a memo or OLE value, its data stored on the column's
// LVAL pages when it does not stay in the row.
QByteArray EncodeLongValue(const TableLayout &t, ColumnLayout &c, const Value &v, qsizetype rowIndex) {
  QByteArray data;
  if (c.column.Type == ColumnType::Memo) {
    const QString &text = std::get<QString>(v);
    data = EncodeText(text, c.column.CompressedUnicode && text.size() <= MaxCompressedMemoChars);
  } else {
    data = std::get<QByteArray>(v);
  }
  try {
    return EncodeLongValueField(data, *c.lvalPages);
  } catch (const WriteError &e) {
    Fail(QStringLiteral("%1: %2").arg(Where(*t.table, rowIndex, &c.column), QString::fromStdString(e.what())));
  }
}

// Stores a value that is not NULL in the fixed area or among the variable
// data. Boolean values live in the null mask alone.
void EncodeValue(const TableLayout &t, ColumnLayout &c, const Value &v, qsizetype rowIndex, RowParts &parts) {
  switch (c.column.Type) {
  case ColumnType::Boolean:
    break;
  case ColumnType::Integer:
    Put16(parts.fixed, c.fixedOffset, std::uint32_t(std::get<std::int32_t>(v)) & 0xFFFF);
    break;
  case ColumnType::Long:
    Put32(parts.fixed, c.fixedOffset, std::uint32_t(std::get<std::int32_t>(v)));
    break;
  case ColumnType::DateTime: {
    QByteArray d;
    AppendDouble(d, std::get<double>(v));
    parts.fixed.replace(c.fixedOffset, 8, d);
    break;
  }
  case ColumnType::Text:
    parts.variable[std::size_t(c.variableIndex)] = EncodeText(std::get<QString>(v), c.column.CompressedUnicode);
    break;
  case ColumnType::Binary:
    parts.variable[std::size_t(c.variableIndex)] = std::get<QByteArray>(v);
    break;
  case ColumnType::Memo:
  case ColumnType::Ole:
    parts.variable[std::size_t(c.variableIndex)] = EncodeLongValue(t, c, v, rowIndex);
    break;
  }
}

} // namespace

QByteArray EncodeRow(TableLayout &t, const std::vector<Value> &values, qsizetype rowIndex) {
  const int columnCount = int(t.columns.size());
  const int nullMaskSize = (columnCount + 7) / 8;
  QByteArray nullMask(nullMaskSize, '\0');
  RowParts parts{QByteArray(t.fixedSize, '\0'), std::vector<QByteArray>(std::size_t(t.variableCount))};
  for (int i = 0; i < columnCount; ++i) {
    ColumnLayout &c = t.columns[std::size_t(i)];
    const Value &v = values[std::size_t(i)];
    const bool isNull = std::holds_alternative<std::monostate>(v);
    if (!isNull)
      EncodeValue(t, c, v, rowIndex, parts);
    // A set bit means "not null"; for a Boolean it is the value itself.
    const bool bit = c.column.Type == ColumnType::Boolean ? !isNull && std::get<bool>(v) : !isNull;
    if (bit)
      SetBit(nullMask, 0, i);
  }

  QByteArray row;
  Append16(row, std::uint32_t(columnCount));
  row.append(parts.fixed);
  std::vector<int> offsets;
  for (const QByteArray &data : parts.variable) {
    offsets.push_back(int(row.size()));
    row.append(data);
  }
  if (t.variableCount > 0) {
    Append16(row, std::uint32_t(row.size())); // end of the variable data
    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it)
      Append16(row, std::uint32_t(*it));
    Append16(row, std::uint32_t(t.variableCount));
  }
  row.append(nullMask);
  if (row.size() > MaxRowSize)
    Fail(QStringLiteral("%1: the row takes %2 bytes, more than the %3 a Jet page row holds")
             .arg(Where(*t.table, rowIndex, nullptr))
             .arg(row.size())
             .arg(MaxRowSize));
  return row;
}

} // namespace Format
} // namespace Jet
