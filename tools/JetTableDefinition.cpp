// Table definitions: the header, one entry per column, the column names,
// the catalog's index data and logical indexes with their names, and the
// usage maps of the long-value columns; spread over continuation pages when
// longer than one page.

#include "JetLayout.h"

#include <algorithm>

namespace Jet::Format {
namespace {

QByteArray TdefHeader(const TableLayout &t) {
  QByteArray d(TdefHeaderSize, '\0');
  Put8(d, 0, PageTypeTdef);
  Put8(d, 1, 0x01);
  Put32(d, 12, TableMagic);
  Put32(d, 16, std::uint32_t(t.table->Rows.size()));
  Put8(d, 24, 0x01); // lets the engine hand out autonumbers
  Put8(d, 40, t.system ? TableTypeSystem : TableTypeUser);
  Put16(d, 41, std::uint32_t(t.columns.size()));
  Put16(d, 43, std::uint32_t(t.variableCount));
  Put16(d, 45, std::uint32_t(t.columns.size()));
  Put32(d, 47, std::uint32_t(t.indexes.size())); // logical indexes
  Put32(d, 51, std::uint32_t(t.indexes.size())); // index data
  Put32(d, 55, t.ownedMap);
  Put32(d, 59, t.freeMap);
  // Per index data: unknown, the number of distinct keys, unknown.
  for (const IndexLayout &x : t.indexes) {
    Append32(d, 0);
    Append32(d, std::uint32_t(x.uniqueEntries));
    Append32(d, 0);
  }
  return d;
}

// The length field of a column entry: bytes for text (two per character)
// and binary, 1 for Boolean, the fixed size for the others.
int ColumnLength(const Column &column) {
  switch (column.Type) {
  case ColumnType::Text:
    return column.MaxLength * 2;
  case ColumnType::Binary:
    return column.MaxLength;
  case ColumnType::Boolean:
    return 1;
  default:
    return FixedSize(column.Type);
  }
}

QByteArray ColumnEntry(const ColumnLayout &c, const DatabaseOptions &options) {
  QByteArray e(ColumnEntrySize, '\0');
  Put8(e, 0, std::uint8_t(c.column.Type));
  Put32(e, 1, TableMagic);
  Put16(e, 5, std::uint32_t(c.number));
  Put16(e, 7, IsVariable(c.column.Type) ? std::uint32_t(c.variableIndex) : 0);
  Put16(e, 9, std::uint32_t(c.number));
  if (IsTextual(c.column.Type))
    Put16(e, 11, options.SortOrder); // then 0x00 and the sort version 0
  std::uint8_t flags = 0x02;         // updatable
  if (!IsVariable(c.column.Type))
    flags |= 0x01;
  Put8(e, 15, flags);
  Put8(e, 16, IsTextual(c.column.Type) && c.column.CompressedUnicode ? 0x01 : 0x00);
  Put16(e, 21, IsVariable(c.column.Type) ? 0 : std::uint32_t(c.fixedOffset));
  Put16(e, 23, std::uint32_t(ColumnLength(c.column)));
  return e;
}

void AppendName(QByteArray &d, const QString &name) {
  const QByteArray stored = Ucs2(name);
  Append16(d, std::uint32_t(stored.size()));
  d.append(stored);
}

// Index data: ten (column, order) slots, usage map, root page, flags.
void AppendIndexData(QByteArray &d, const IndexLayout &x) {
  Append32(d, IndexMagic);
  for (std::size_t k = 0; k < 10; ++k) {
    Append16(d, k < x.columns.size() ? std::uint32_t(x.columns[k]) : 0xFFFF);
    d.append(char(k < x.columns.size() ? 0x01 : 0x00)); // ascending
  }
  Append32(d, x.usageMap);
  Append32(d, std::uint32_t(x.rootPage));
  Append32(d, 0);
  d.append(char(x.flags));
  d.append(QByteArray(5, '\0'));
}

// A logical index, on the index data of the same number.
void AppendLogicalIndex(QByteArray &d, std::size_t n, const IndexLayout &x) {
  Append32(d, TableMagic);
  Append32(d, std::uint32_t(n));
  Append32(d, std::uint32_t(n));
  d.append('\0');           // no related table
  Append32(d, 0xFFFFFFFFu); // no related index
  Append32(d, 0);
  d.append('\0');
  d.append('\0');
  d.append(char(x.type));
  Append32(d, 0);
}

} // namespace

QByteArray BuildTdef(const TableLayout &t, const DatabaseOptions &options) {
  QByteArray d = TdefHeader(t);
  for (const ColumnLayout &c : t.columns)
    d.append(ColumnEntry(c, options));
  for (const ColumnLayout &c : t.columns)
    AppendName(d, c.column.Name);
  for (const IndexLayout &x : t.indexes)
    AppendIndexData(d, x);
  for (std::size_t n = 0; n < t.indexes.size(); ++n)
    AppendLogicalIndex(d, n, t.indexes[n]);
  for (const IndexLayout &x : t.indexes)
    AppendName(d, x.name);
  for (const ColumnLayout &c : t.columns) {
    if (!IsLongValue(c.column.Type))
      continue;
    Append16(d, std::uint32_t(c.number));
    Append32(d, c.ownedMap);
    Append32(d, c.freeMap);
  }
  Append16(d, 0xFFFF);
  Put32(d, 8, std::uint32_t(d.size()));
  return d;
}

// Pages needed by a table definition of the given length.
int TdefPageCount(qsizetype length) {
  if (length <= PageSize)
    return 1;
  return 1 + int((length - PageSize + (PageSize - TdefPageHeader) - 1) / (PageSize - TdefPageHeader));
}

// The definition on its first page and continuation pages, each pointing
// to the next; a continuation page repeats the 8-byte page header.
std::vector<NumberedPage> TdefPages(const TableLayout &t, const DatabaseOptions &options) {
  const QByteArray tdef = BuildTdef(t, options);
  std::vector<int> numbers{t.tdefPage};
  numbers.insert(numbers.end(), t.tdefContinuation.begin(), t.tdefContinuation.end());
  std::vector<NumberedPage> pages;
  qsizetype at = 0;
  for (std::size_t p = 0; p < numbers.size(); ++p) {
    QByteArray page(PageSize, '\0');
    Put8(page, 0, PageTypeTdef);
    Put8(page, 1, 0x01);
    int used;
    if (p == 0) {
      const qsizetype take = std::min<qsizetype>(PageSize, tdef.size());
      page.replace(0, take, tdef.left(take));
      at = take;
      used = int(take);
    } else {
      const qsizetype take = std::min<qsizetype>(PageSize - TdefPageHeader, tdef.size() - at);
      page.replace(TdefPageHeader, take, tdef.mid(at, take));
      at += take;
      used = int(TdefPageHeader + take);
    }
    Put32(page, 4, p + 1 < numbers.size() ? std::uint32_t(numbers[p + 1]) : 0);
    Put16(page, 2, std::uint32_t(std::max(0, PageSize - used - 8)));
    pages.emplace_back(numbers[p], page);
  }
  return pages;
}

} // namespace Jet::Format
