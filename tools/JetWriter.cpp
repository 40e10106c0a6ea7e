#include "JetWriter.h"

#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

namespace Jet {
namespace {

// --- Sizes of the Jet 4 format (bytes unless said otherwise) ---------------

constexpr int PageSize = 4096;
// Data and LVAL pages: type, 0x01, free space (2), owner (4), unknown (4),
// row count (2), then one 2-byte row offset per row; rows grow down from the
// end of the page.
constexpr int DataPageHeader = 14;
constexpr int RowOffsetSize = 2;
// A row pointer keeps the row number in one byte.
constexpr int MaxRowsPerPage = 255;
// The largest row Jet puts on a data page.
constexpr int MaxRowSize = 4060;
// Long values: 12-byte field in the row; up to 64 bytes stay in the row, up
// to 4076 go to one row of an LVAL page, longer ones are chained over LVAL
// pages, each link a 4-byte pointer to the next followed by up to 4076 bytes.
constexpr int MaxInlineLongValue = 64;
constexpr int MaxLvalRowData = PageSize - DataPageHeader - RowOffsetSize - 4; // 4076
// Usage maps are 69-byte rows: type 0 = inline (first page, 64 bytes of bits,
// 512 pages), type 1 = reference (17 pointers to bitmap pages of type 0x05,
// each mapping 4092 * 8 pages).
constexpr int UsageMapRowSize = 69;
constexpr int InlineMapPages = (UsageMapRowSize - 5) * 8;
constexpr int ReferenceMapSlots = (UsageMapRowSize - 1) / 4;
constexpr int BitmapPagePages = (PageSize - 4) * 8;
// Table definition: 63-byte header, 25 bytes per column, names, 10 bytes per
// long-value column for its usage maps, 0xFFFF at the end.
constexpr int TdefHeaderSize = 63;
constexpr int ColumnEntrySize = 25;
constexpr int TdefPageHeader = 8;
// Constants found in every table definition header, column entry and
// logical index (1625), and at the start of every index data block (1923).
constexpr std::uint32_t TableMagic = 0x0659;
constexpr std::uint32_t IndexMagic = 0x0783;

constexpr std::uint8_t PageTypeData = 0x01;
constexpr std::uint8_t PageTypeTdef = 0x02;
constexpr std::uint8_t PageTypeUsageBitmap = 0x05;
constexpr std::uint8_t TableTypeUser = 0x4E;
constexpr std::uint8_t TableTypeSystem = 0x53;

// MSysObjects catalog values.
constexpr std::int32_t TablesContainerId = 0x0F000000;
constexpr std::int32_t DatabasesContainerId = 0x0F000001;
constexpr std::int32_t RelationshipsContainerId = 0x0F000002;
constexpr std::int32_t DatabaseObjectId = 0x0F000003;
constexpr std::int16_t ObjectTypeTable = 1;
constexpr std::int16_t ObjectTypeDatabase = 2;
constexpr std::int16_t ObjectTypeContainer = 3;
constexpr std::int32_t SystemObjectFlags = std::int32_t(0x80000000u);
constexpr int CatalogPage = 2;

// --- Little-endian byte helpers -------------------------------------------

void Put8(QByteArray &b, int at, std::uint8_t v) { b[at] = char(v); }
void Put16(QByteArray &b, int at, std::uint32_t v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char((v >> 8) & 0xFF);
}
void Put32(QByteArray &b, int at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + i] = char((v >> (8 * i)) & 0xFF);
}
void Append16(QByteArray &b, std::uint32_t v) {
  b.append(char(v & 0xFF));
  b.append(char((v >> 8) & 0xFF));
}
void Append32(QByteArray &b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b.append(char((v >> (8 * i)) & 0xFF));
}
void AppendDouble(QByteArray &b, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 8; ++i)
    b.append(char((bits >> (8 * i)) & 0xFF));
}

// A row pointer: page in the upper three bytes, row number in the lowest.
std::uint32_t PageRow(int page, int row) { return (std::uint32_t(page) << 8) | std::uint32_t(row); }

// --- Column classification ------------------------------------------------

bool IsLongValue(ColumnType t) { return t == ColumnType::Memo || t == ColumnType::Ole; }
bool IsTextual(ColumnType t) { return t == ColumnType::Text || t == ColumnType::Memo; }
bool IsVariable(ColumnType t) { return t == ColumnType::Text || t == ColumnType::Binary || IsLongValue(t); }
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

// --- RC4, for the header block of page 0 ----------------------------------

void Rc4(const std::array<std::uint8_t, 4> &key, char *data, int length) {
  std::array<std::uint8_t, 256> s;
  for (int i = 0; i < 256; ++i)
    s[i] = std::uint8_t(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % key.size()]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  for (int n = 0, i = 0, j = 0; n < length; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    data[n] = char(std::uint8_t(data[n]) ^ s[(s[i] + s[j]) & 0xFF]);
  }
}

// --- Pages ----------------------------------------------------------------

// A data or LVAL page being filled with rows from the end downwards.
struct RowPage {
  int number = 0;
  QByteArray bytes;
  int rows = 0;
  int top = PageSize; // start of the lowest row so far

  RowPage(int pageNumber, std::uint32_t owner, bool lval) : number(pageNumber), bytes(PageSize, '\0') {
    Put8(bytes, 0, PageTypeData);
    Put8(bytes, 1, 0x01);
    if (lval)
      bytes.replace(4, 4, "LVAL");
    else
      Put32(bytes, 4, owner);
    Seal();
  }
  int FreeSpace() const { return top - DataPageHeader - rows * RowOffsetSize; }
  bool Fits(int rowSize) const { return rows < MaxRowsPerPage && FreeSpace() >= rowSize + RowOffsetSize; }
  // The row number the row got on this page.
  int Add(const QByteArray &row) {
    top -= int(row.size());
    bytes.replace(top, row.size(), row);
    Put16(bytes, DataPageHeader + rows * RowOffsetSize, std::uint32_t(top));
    ++rows;
    Seal();
    return rows - 1;
  }
  void Seal() {
    Put16(bytes, 2, std::uint32_t(FreeSpace()));
    Put16(bytes, 12, std::uint32_t(rows));
  }
};

// Hands out page numbers in file order.
struct PageAllocator {
  int next = 0;
  int Take() { return next++; }
};

// Rows packed into a run of pages owned by one table or one long-value column.
class RowPacker {
public:
  RowPacker(PageAllocator &pages, std::uint32_t owner, bool lval) : allocator(pages), owner(owner), lval(lval) {}

  // The row pointer of the stored row.
  std::uint32_t Add(const QByteArray &row, bool freshPage = false) {
    if (freshPage || pages.empty() || !pages.back().Fits(int(row.size())))
      pages.emplace_back(allocator.Take(), owner, lval);
    const int rowNumber = pages.back().Add(row);
    return PageRow(pages.back().number, rowNumber);
  }
  std::vector<RowPage> pages;

private:
  PageAllocator &allocator;
  std::uint32_t owner;
  bool lval;
};

// --- Tables as laid out ---------------------------------------------------

struct ColumnLayout {
  Column column;
  int number = 0;                          // column number, also the null-mask bit
  int variableIndex = 0;                   // position in the row's variable offset table
  int fixedOffset = 0;                     // offset in the fixed area (after the column count)
  std::uint32_t ownedMap = 0, freeMap = 0; // long-value columns: map rows
  std::optional<RowPacker> lvalPages;      // long-value columns: their pages
};

// An index of the catalog; user tables carry none.
struct IndexLayout {
  QString name;
  std::vector<int> columns; // column numbers, each ascending
  std::uint8_t flags = 0;   // 0x80 set by Jet 4 on every index, 0x01 unique, 0x08 required
  std::uint8_t type = 0;    // 1 for the primary key
  std::uint32_t usageMap = 0;
  int rootPage = 0;
  int uniqueEntries = 0;
};

struct TableLayout {
  const Table *table = nullptr;
  bool system = false;
  std::vector<IndexLayout> indexes;
  std::vector<std::uint32_t> rowPointers; // where each row went
  int tdefPage = 0;
  std::vector<int> tdefContinuation;
  std::vector<ColumnLayout> columns;
  int variableCount = 0;
  int fixedSize = 0;
  std::uint32_t ownedMap = 0, freeMap = 0;
  std::optional<RowPacker> dataPages;
};

QString Where(const Table &t, qsizetype row, const Column *column) {
  QString s = QStringLiteral("table \"%1\"").arg(t.name);
  if (row >= 0)
    s += QStringLiteral(", row %1").arg(row + 1);
  if (column)
    s += QStringLiteral(", column \"%1\"").arg(column->name);
  return s;
}

[[noreturn]] void Fail(const QString &message) { throw WriteError(message.toStdString()); }

void ValidateName(const QString &name, const QString &what) {
  if (name.isEmpty() || name.size() > 64)
    Fail(QStringLiteral("%1: a name must have 1 to 64 characters").arg(what));
  for (QChar c : name)
    if (c.unicode() < 32 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
      Fail(QStringLiteral("%1: the name holds a character Jet forbids in names").arg(what));
}

void ValidateTable(const Table &t) {
  ValidateName(t.name, QStringLiteral("table \"%1\"").arg(t.name));
  if (t.columns.empty() || t.columns.size() > 255)
    Fail(QStringLiteral("%1: a table needs 1 to 255 columns").arg(Where(t, -1, nullptr)));
  QSet<QString> names;
  for (const Column &c : t.columns) {
    ValidateName(c.name, Where(t, -1, &c));
    if (names.contains(c.name.toCaseFolded()))
      Fail(QStringLiteral("%1: the column name is used twice").arg(Where(t, -1, &c)));
    names.insert(c.name.toCaseFolded());
    if ((c.type == ColumnType::Text || c.type == ColumnType::Binary) && (c.maxLength < 1 || c.maxLength > 255))
      Fail(QStringLiteral("%1: the length must be 1 to 255").arg(Where(t, -1, &c)));
  }
  for (qsizetype r = 0; r < qsizetype(t.rows.size()); ++r) {
    const auto &row = t.rows[r];
    if (row.size() != t.columns.size())
      Fail(QStringLiteral("%1: the row has %2 values for %3 columns")
               .arg(Where(t, r, nullptr))
               .arg(row.size())
               .arg(t.columns.size()));
    for (std::size_t i = 0; i < row.size(); ++i) {
      const Column &c = t.columns[i];
      const Value &v = row[i];
      if (std::holds_alternative<std::monostate>(v))
        continue;
      bool ok = false;
      switch (c.type) {
      case ColumnType::Boolean:
        ok = std::holds_alternative<bool>(v);
        break;
      case ColumnType::Integer:
        ok = std::holds_alternative<std::int32_t>(v) && std::get<std::int32_t>(v) >= -32768 &&
             std::get<std::int32_t>(v) <= 32767;
        break;
      case ColumnType::Long:
        ok = std::holds_alternative<std::int32_t>(v);
        break;
      case ColumnType::DateTime:
        ok = std::holds_alternative<double>(v) && std::isfinite(std::get<double>(v));
        break;
      case ColumnType::Text:
        ok = std::holds_alternative<QString>(v);
        if (ok && std::get<QString>(v).size() > c.maxLength)
          Fail(QStringLiteral("%1: the text has %2 characters, the column holds %3")
                   .arg(Where(t, r, &c))
                   .arg(std::get<QString>(v).size())
                   .arg(c.maxLength));
        break;
      case ColumnType::Memo:
        ok = std::holds_alternative<QString>(v);
        break;
      case ColumnType::Binary:
        ok = std::holds_alternative<QByteArray>(v);
        if (ok && std::get<QByteArray>(v).size() > c.maxLength)
          Fail(QStringLiteral("%1: the value has %2 bytes, the column holds %3")
                   .arg(Where(t, r, &c))
                   .arg(std::get<QByteArray>(v).size())
                   .arg(c.maxLength));
        break;
      case ColumnType::Ole:
        ok = std::holds_alternative<QByteArray>(v);
        break;
      }
      if (!ok)
        Fail(QStringLiteral("%1: the value does not fit a %2 column").arg(Where(t, r, &c), TypeName(c.type)));
    }
  }
}

// --- The system tables ----------------------------------------------------

Column Col(const char *name, ColumnType type, int maxLength = 255) {
  Column c;
  c.name = QString::fromLatin1(name);
  c.type = type;
  c.maxLength = maxLength;
  return c;
}

// The catalog's columns in the order Access 2000 files list them.
std::vector<Column> CatalogColumns() {
  using T = ColumnType;
  return {Col("Id", T::Long),
          Col("ParentId", T::Long),
          Col("Name", T::Text, 255),
          Col("Type", T::Integer),
          Col("DateCreate", T::DateTime),
          Col("DateUpdate", T::DateTime),
          Col("Owner", T::Binary, 255),
          Col("Flags", T::Long),
          Col("Database", T::Memo),
          Col("Connect", T::Memo),
          Col("ForeignName", T::Text, 255),
          Col("RmtInfoShort", T::Binary, 255),
          Col("RmtInfoLong", T::Ole),
          Col("Lv", T::Ole),
          Col("LvProp", T::Ole),
          Col("LvModule", T::Ole),
          Col("LvExtra", T::Ole)};
}

// Access control entries, saved queries and relationships: empty here, but
// present as in every Jet 4 file, since the engine looks them up by name.
Table AcesTable() {
  using T = ColumnType;
  return {QStringLiteral("MSysACEs"),
          {Col("ACM", T::Long), Col("FInheritable", T::Boolean), Col("ObjectId", T::Long), Col("SID", T::Binary, 255)},
          {}};
}
Table QueriesTable() {
  using T = ColumnType;
  return {QStringLiteral("MSysQueries"),
          {Col("Attribute", T::Integer), Col("Expression", T::Memo), Col("Flag", T::Integer), Col("LvExtra", T::Ole),
           Col("Name1", T::Text, 255), Col("Name2", T::Text, 255), Col("ObjectId", T::Long),
           Col("Order", T::Binary, 255)},
          {}};
}
Table RelationshipsTable() {
  using T = ColumnType;
  return {QStringLiteral("MSysRelationships"),
          {Col("ccolumn", T::Long), Col("grbit", T::Long), Col("icolumn", T::Long), Col("szColumn", T::Text, 64),
           Col("szObject", T::Text, 64), Col("szReferencedColumn", T::Text, 64), Col("szReferencedObject", T::Text, 64),
           Col("szRelationship", T::Text, 64)},
          {}};
}

// --- Encoding rows --------------------------------------------------------

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

QByteArray EncodeRow(TableLayout &t, const std::vector<Value> &values, qsizetype rowIndex) {
  const int columnCount = int(t.columns.size());
  const int nullMaskSize = (columnCount + 7) / 8;
  QByteArray nullMask(nullMaskSize, '\0');
  QByteArray row;
  Append16(row, std::uint32_t(columnCount));
  QByteArray fixed(t.fixedSize, '\0');
  std::vector<QByteArray> variable(std::size_t(t.variableCount));
  std::vector<bool> variablePresent(std::size_t(t.variableCount), false);

  for (int i = 0; i < columnCount; ++i) {
    ColumnLayout &c = t.columns[std::size_t(i)];
    const Value &v = values[std::size_t(i)];
    const bool isNull = std::holds_alternative<std::monostate>(v);
    // A set bit means "not null"; for a Boolean it is the value itself.
    bool bit = !isNull;
    switch (c.column.type) {
    case ColumnType::Boolean:
      bit = !isNull && std::get<bool>(v);
      break;
    case ColumnType::Integer:
      if (!isNull)
        Put16(fixed, c.fixedOffset, std::uint32_t(std::get<std::int32_t>(v)) & 0xFFFF);
      break;
    case ColumnType::Long:
      if (!isNull)
        Put32(fixed, c.fixedOffset, std::uint32_t(std::get<std::int32_t>(v)));
      break;
    case ColumnType::DateTime:
      if (!isNull) {
        QByteArray d;
        AppendDouble(d, std::get<double>(v));
        fixed.replace(c.fixedOffset, 8, d);
      }
      break;
    case ColumnType::Text:
      if (!isNull)
        variable[std::size_t(c.variableIndex)] = EncodeText(std::get<QString>(v), c.column.compressedUnicode);
      break;
    case ColumnType::Binary:
      if (!isNull)
        variable[std::size_t(c.variableIndex)] = std::get<QByteArray>(v);
      break;
    case ColumnType::Memo:
    case ColumnType::Ole:
      if (!isNull) {
        QByteArray data;
        if (c.column.type == ColumnType::Memo) {
          const QString &text = std::get<QString>(v);
          data = EncodeText(text, c.column.compressedUnicode && text.size() <= MaxCompressedMemoChars);
        } else {
          data = std::get<QByteArray>(v);
        }
        try {
          variable[std::size_t(c.variableIndex)] = EncodeLongValueField(data, *c.lvalPages);
        } catch (const WriteError &e) {
          Fail(QStringLiteral("%1: %2").arg(Where(*t.table, rowIndex, &c.column), QString::fromStdString(e.what())));
        }
      }
      break;
    }
    if (IsVariable(c.column.type))
      variablePresent[std::size_t(c.variableIndex)] = !isNull;
    if (bit)
      nullMask[i / 8] = char(std::uint8_t(nullMask[i / 8]) | (1u << (i % 8)));
  }

  row.append(fixed);
  std::vector<int> offsets;
  for (const QByteArray &data : variable) {
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

// --- Table definitions ----------------------------------------------------

QByteArray Ucs2(QStringView s) {
  QByteArray b;
  for (QChar c : s)
    Append16(b, c.unicode());
  return b;
}

QByteArray BuildTdef(const TableLayout &t, const DatabaseOptions &options) {
  QByteArray d(TdefHeaderSize, '\0');
  Put8(d, 0, PageTypeTdef);
  Put8(d, 1, 0x01);
  Put32(d, 12, TableMagic);
  Put32(d, 16, std::uint32_t(t.table->rows.size()));
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

  for (const ColumnLayout &c : t.columns) {
    QByteArray e(ColumnEntrySize, '\0');
    Put8(e, 0, std::uint8_t(c.column.type));
    Put32(e, 1, TableMagic);
    Put16(e, 5, std::uint32_t(c.number));
    Put16(e, 7, IsVariable(c.column.type) ? std::uint32_t(c.variableIndex) : 0);
    Put16(e, 9, std::uint32_t(c.number));
    if (IsTextual(c.column.type))
      Put16(e, 11, options.sortOrder); // then 0x00 and the sort version 0
    std::uint8_t flags = 0x02;         // updatable
    if (!IsVariable(c.column.type))
      flags |= 0x01;
    Put8(e, 15, flags);
    Put8(e, 16, IsTextual(c.column.type) && c.column.compressedUnicode ? 0x01 : 0x00);
    Put16(e, 21, IsVariable(c.column.type) ? 0 : std::uint32_t(c.fixedOffset));
    int length = 0;
    switch (c.column.type) {
    case ColumnType::Text:
      length = c.column.maxLength * 2;
      break;
    case ColumnType::Binary:
      length = c.column.maxLength;
      break;
    case ColumnType::Boolean:
      length = 1;
      break;
    default:
      length = FixedSize(c.column.type);
    }
    Put16(e, 23, std::uint32_t(length));
    d.append(e);
  }
  for (const ColumnLayout &c : t.columns) {
    const QByteArray name = Ucs2(c.column.name);
    Append16(d, std::uint32_t(name.size()));
    d.append(name);
  }
  // Index data: ten (column, order) slots, usage map, root page, flags.
  for (const IndexLayout &x : t.indexes) {
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
  // Logical indexes, each on the index data of the same number.
  for (std::size_t n = 0; n < t.indexes.size(); ++n) {
    Append32(d, TableMagic);
    Append32(d, std::uint32_t(n));
    Append32(d, std::uint32_t(n));
    d.append('\0');           // no related table
    Append32(d, 0xFFFFFFFFu); // no related index
    Append32(d, 0);
    d.append('\0');
    d.append('\0');
    d.append(char(t.indexes[n].type));
    Append32(d, 0);
  }
  for (const IndexLayout &x : t.indexes) {
    const QByteArray name = Ucs2(x.name);
    Append16(d, std::uint32_t(name.size()));
    d.append(name);
  }
  for (const ColumnLayout &c : t.columns) {
    if (!IsLongValue(c.column.type))
      continue;
    Append16(d, std::uint32_t(c.number));
    Append32(d, c.ownedMap);
    Append32(d, c.freeMap);
  }
  Append16(d, 0xFFFF);
  Put32(d, 8, std::uint32_t(d.size()));
  return d;
}

// --- Index entries --------------------------------------------------------

// The General sort order codes of Access 2000 for the characters object
// names may hold: one code per character, case ignored. Nothing for a text
// holding any other character.
std::optional<QByteArray> GeneralSortCodes(QStringView text) {
  static constexpr std::array<std::uint8_t, 26> Letters{0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                                        0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                                        0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
  QByteArray codes;
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u >= u'a' && u <= u'z')
      codes.append(char(Letters[u - u'a']));
    else if (u >= u'A' && u <= u'Z')
      codes.append(char(Letters[u - u'A']));
    else if (u >= u'0' && u <= u'9')
      codes.append(char(0x36 + 2 * (u - u'0')));
    else if (u == u' ')
      codes.append(char(0x07));
    else if (u == u'_')
      codes.append("\x2B\x03", 2);
    else
      return std::nullopt;
  }
  return codes;
}

// The key bytes of one value in an ascending index; keys compare as unsigned
// bytes. NULL is 0x00; any other value starts with 0x7F. A long integer
// follows big-endian with its sign bit flipped, text as its sort codes ended
// by 0x01 0x00.
QByteArray IndexKey(const Value &v) {
  QByteArray key;
  if (std::holds_alternative<std::monostate>(v))
    return QByteArray(1, '\0');
  key.append(char(0x7F));
  if (const auto *n = std::get_if<std::int32_t>(&v)) {
    const std::uint32_t u = std::uint32_t(*n) ^ 0x80000000u;
    for (int shift = 24; shift >= 0; shift -= 8)
      key.append(char((u >> shift) & 0xFF));
  } else if (const auto *text = std::get_if<QString>(&v)) {
    key.append(GeneralSortCodes(*text).value());
    key.append('\x01');
    key.append('\0');
  } else {
    Fail(QStringLiteral("internal error: no index key for this value type"));
  }
  return key;
}

// A leaf page holding every entry of an index, which makes it the index's
// root: after a 27-byte header a bit mask marks where each entry ends
// (counted from offset 0x1E0, where the entries start); each entry is its key
// and the row's page (3 bytes, big-endian) and row number.
QByteArray BuildLeafPage(int tdefPage, std::vector<std::pair<QByteArray, std::uint32_t>> entries) {
  constexpr int MaskOffset = 0x1B;
  constexpr int EntriesOffset = 0x1E0;
  std::sort(entries.begin(), entries.end());
  QByteArray page(PageSize, '\0');
  Put8(page, 0, 0x04);
  Put8(page, 1, 0x01);
  Put32(page, 4, std::uint32_t(tdefPage));
  int at = EntriesOffset;
  for (const auto &[key, pointer] : entries) {
    QByteArray entry = key;
    const std::uint32_t pageNumber = pointer >> 8;
    entry.append(char((pageNumber >> 16) & 0xFF));
    entry.append(char((pageNumber >> 8) & 0xFF));
    entry.append(char(pageNumber & 0xFF));
    entry.append(char(pointer & 0xFF));
    if (at + entry.size() > PageSize)
      Fail(QStringLiteral("the catalog's index holds more entries than one page; write fewer tables"));
    page.replace(at, entry.size(), entry);
    at += int(entry.size());
    const int end = at - EntriesOffset;
    page[MaskOffset + end / 8] = char(std::uint8_t(page[MaskOffset + end / 8]) | (1u << (end % 8)));
  }
  Put16(page, 2, std::uint32_t(PageSize - at));
  return page;
}

// Pages needed by a table definition of the given length.
int TdefPageCount(qsizetype length) {
  if (length <= PageSize)
    return 1;
  return 1 + int((length - PageSize + (PageSize - TdefPageHeader) - 1) / (PageSize - TdefPageHeader));
}

// --- Usage maps -----------------------------------------------------------

struct UsageMapRow {
  std::vector<int> pages; // pages the map marks
  bool global = false;    // covers every page of the file from page 0
};

// Bitmap pages handed out for reference maps, filled in at the end.
struct BitmapPages {
  std::vector<std::pair<int, QByteArray>> pages;
};

QByteArray BuildUsageMap(const UsageMapRow &m, int totalPages, PageAllocator &allocator, BitmapPages &bitmaps) {
  QByteArray row(UsageMapRowSize, '\0');
  int first = m.global ? 0 : (m.pages.empty() ? 0 : *std::min_element(m.pages.begin(), m.pages.end()));
  int last = m.global ? totalPages - 1 : (m.pages.empty() ? 0 : *std::max_element(m.pages.begin(), m.pages.end()));
  if (last - first < InlineMapPages) {
    Put8(row, 0, 0x00);
    Put32(row, 1, std::uint32_t(first));
    for (int p : m.pages)
      row[5 + (p - first) / 8] = char(std::uint8_t(row[5 + (p - first) / 8]) | (1u << ((p - first) % 8)));
    return row;
  }
  Put8(row, 0, 0x01);
  const int slotCount = last / BitmapPagePages + 1;
  if (slotCount > ReferenceMapSlots)
    Fail(QStringLiteral("the database needs more pages than one usage map can describe"));
  for (int s = 0; s < slotCount; ++s) {
    QByteArray page(PageSize, '\0');
    Put8(page, 0, PageTypeUsageBitmap);
    Put8(page, 1, 0x01);
    bool any = m.global; // the global map always spans the whole file
    for (int p : m.pages) {
      if (p / BitmapPagePages != s)
        continue;
      const int bit = p % BitmapPagePages;
      page[4 + bit / 8] = char(std::uint8_t(page[4 + bit / 8]) | (1u << (bit % 8)));
      any = true;
    }
    if (!any)
      continue;
    const int number = allocator.Take();
    Put32(row, 1 + 4 * s, std::uint32_t(number));
    bitmaps.pages.emplace_back(number, page);
  }
  return row;
}

// Pages a reference map would take, to size the file before it is built.
int ReferenceMapPagesNeeded(const UsageMapRow &m, int totalPages) {
  int first = m.global ? 0 : (m.pages.empty() ? 0 : *std::min_element(m.pages.begin(), m.pages.end()));
  int last = m.global ? totalPages - 1 : (m.pages.empty() ? 0 : *std::max_element(m.pages.begin(), m.pages.end()));
  if (last - first < InlineMapPages)
    return 0;
  if (m.global)
    return last / BitmapPagePages + 1;
  QSet<int> slotCount;
  for (int p : m.pages)
    slotCount.insert(p / BitmapPagePages);
  return int(slotCount.size());
}

// --- Page 0 ---------------------------------------------------------------

QByteArray BuildHeaderPage(const DatabaseOptions &options) {
  QByteArray page(PageSize, '\0');
  Put8(page, 0, 0x00);
  Put8(page, 1, 0x01);
  page.replace(4, 16, QByteArray("Standard Jet DB\0", 16));
  Put32(page, 0x14, 1); // Jet 4
  // Header block, stored RC4-encrypted with a fixed key.
  Put16(page, 0x3C, options.codePage);
  Put32(page, 0x3E, 0); // database key 0: pages are not encoded
  // The 40-byte password is masked with the whole days of the creation
  // date; an empty password is stored as the bare mask.
  const auto days = std::uint32_t(std::int32_t(std::floor(options.created)));
  for (int i = 0; i < 40; ++i)
    Put8(page, 0x42 + i, std::uint8_t(days >> (8 * (i % 4))));
  Put16(page, 0x6E, options.sortOrder); // then 0x00 and the sort version 0
  QByteArray date;
  AppendDouble(date, options.created);
  page.replace(0x72, 8, date);
  Rc4({0xC7, 0xDA, 0x39, 0x6B}, page.data() + 0x18, 128);
  return page;
}

} // namespace

QByteArray EncodeText(QStringView text, bool compress) {
  QByteArray plain = Ucs2(text); // not const: returned by move below
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
          Append16(out, text[k].unicode());
      }
      i = j;
    } else {
      if (compressed) {
        out.append('\0');
        compressed = false;
      }
      Append16(out, text[i].unicode());
      ++i;
    }
  }
  return out.size() < plain.size() ? out : plain;
}

QByteArray BuildDatabase(const std::vector<Table> &userTables, const DatabaseOptions &options) {
  QSet<QString> tableNames;
  for (const Table &t : userTables) {
    ValidateTable(t);
    if (t.name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive))
      Fail(QStringLiteral("table \"%1\": names starting with MSys belong to the system tables").arg(t.name));
    if (!GeneralSortCodes(t.name))
      Fail(QStringLiteral("table \"%1\": a table name may hold only letters A-Z, digits, blanks and underscores, "
                          "the characters the catalog's index encodes")
               .arg(t.name));
    if (tableNames.contains(t.name.toCaseFolded()))
      Fail(QStringLiteral("table \"%1\": the table name is used twice").arg(t.name));
    tableNames.insert(t.name.toCaseFolded());
  }

  // The catalog is table 0 and its definition sits on page 2; the other
  // system tables follow, then the user tables in the given order.
  Table catalog{QStringLiteral("MSysObjects"), CatalogColumns(), {}};
  const Table aces = AcesTable(), queries = QueriesTable(), relationships = RelationshipsTable();
  std::vector<const Table *> all{&catalog, &aces, &queries, &relationships};
  for (const Table &t : userTables)
    all.push_back(&t);

  std::vector<TableLayout> layouts(all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    TableLayout &t = layouts[i];
    t.table = all[i];
    t.system = i < 4;
    // Variable columns first, long values after them, as Access orders the
    // offset table; fixed columns by position.
    int nonLong = 0;
    for (const Column &c : t.table->columns)
      if (IsVariable(c.type) && !IsLongValue(c.type))
        ++nonLong;
    int variable = 0, longValue = nonLong, fixed = 0;
    for (std::size_t n = 0; n < t.table->columns.size(); ++n) {
      ColumnLayout c;
      c.column = t.table->columns[n];
      c.number = int(n);
      if (IsLongValue(c.column.type))
        c.variableIndex = longValue++;
      else if (IsVariable(c.column.type))
        c.variableIndex = variable++;
      else {
        c.fixedOffset = fixed;
        fixed += FixedSize(c.column.type);
      }
      t.columns.push_back(std::move(c));
    }
    t.variableCount = longValue;
    t.fixedSize = fixed;
  }
  // The engine finds objects through the catalog's two indexes: the primary
  // key on Id and the unique (ParentId, Name).
  layouts[0].indexes.push_back({QStringLiteral("Id"), {0}, 0x89, 1});
  layouts[0].indexes.push_back({QStringLiteral("ParentIdName"), {1, 2}, 0x81, 0});

  // Usage map rows: page 1 first holds the global map (row 0), then each
  // table's owned-pages and free-space maps and two maps for each long-value
  // column, a table's maps kept together on one page.
  PageAllocator allocator;
  allocator.Take(); // page 0
  std::vector<std::vector<UsageMapRow>> mapPages(1);
  mapPages[0].push_back({{}, true});
  auto placeMaps = [&](int count) {
    const int perPage = (PageSize - DataPageHeader) / (UsageMapRowSize + RowOffsetSize);
    if (int(mapPages.back().size()) + count > std::min(perPage, MaxRowsPerPage))
      mapPages.emplace_back();
    const int row = int(mapPages.back().size());
    for (int i = 0; i < count; ++i)
      mapPages.back().push_back({});
    return std::pair<int, int>(int(mapPages.size()) - 1, row);
  };
  std::vector<std::pair<int, int>> mapSlots; // per table: (map page index, first row)
  for (TableLayout &t : layouts) {
    int count = 2 + int(t.indexes.size());
    for (const ColumnLayout &c : t.columns)
      count += IsLongValue(c.column.type) ? 2 : 0;
    mapSlots.push_back(placeMaps(count));
  }
  std::vector<int> mapPageNumbers;
  mapPageNumbers.push_back(allocator.Take()); // page 1
  const int catalogPage = allocator.Take();
  Q_ASSERT(catalogPage == CatalogPage);
  // Map pointers are fixed now, so definitions can be sized.
  for (std::size_t m = 1; m < mapPages.size(); ++m)
    mapPageNumbers.push_back(-1); // numbered after the definitions
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    if (i > 0)
      layouts[i].tdefPage = allocator.Take();
    else
      layouts[i].tdefPage = catalogPage;
  }
  for (std::size_t m = 1; m < mapPages.size(); ++m)
    mapPageNumbers[m] = allocator.Take();
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    TableLayout &t = layouts[i];
    const auto [mapPage, firstRow] = mapSlots[i];
    const int pageNumber = mapPageNumbers[std::size_t(mapPage)];
    int row = firstRow;
    t.ownedMap = PageRow(pageNumber, row++);
    t.freeMap = PageRow(pageNumber, row++);
    for (IndexLayout &x : t.indexes)
      x.usageMap = PageRow(pageNumber, row++);
    for (ColumnLayout &c : t.columns) {
      if (!IsLongValue(c.column.type))
        continue;
      c.ownedMap = PageRow(pageNumber, row++);
      c.freeMap = PageRow(pageNumber, row++);
    }
  }
  // Each index fits one leaf page, which is its root.
  for (TableLayout &t : layouts)
    for (IndexLayout &x : t.indexes)
      x.rootPage = allocator.Take();
  // Continuation pages of long definitions.
  for (TableLayout &t : layouts) {
    const int pages = TdefPageCount(BuildTdef(t, options).size());
    for (int p = 1; p < pages; ++p)
      t.tdefContinuation.push_back(allocator.Take());
  }

  // The catalog's rows: the three containers, the database object, the
  // system tables and the user tables.
  auto catalogRow = [&](std::int32_t id, std::int32_t parent, const QString &name, std::int16_t type,
                        std::int32_t flags) {
    std::vector<Value> r(catalog.columns.size());
    r[0] = id;
    r[1] = parent;
    r[2] = name;
    r[3] = std::int32_t(type);
    r[4] = options.created;
    r[5] = options.created;
    r[7] = flags;
    return r;
  };
  catalog.rows.push_back(catalogRow(TablesContainerId, TablesContainerId, QStringLiteral("Tables"), ObjectTypeContainer,
                                    SystemObjectFlags));
  catalog.rows.push_back(catalogRow(DatabasesContainerId, TablesContainerId, QStringLiteral("Databases"),
                                    ObjectTypeContainer, SystemObjectFlags));
  catalog.rows.push_back(catalogRow(RelationshipsContainerId, TablesContainerId, QStringLiteral("Relationships"),
                                    ObjectTypeContainer, SystemObjectFlags));
  catalog.rows.push_back(catalogRow(DatabaseObjectId, DatabasesContainerId, QStringLiteral("MSysDb"),
                                    ObjectTypeDatabase, SystemObjectFlags));
  for (const TableLayout &t : layouts)
    catalog.rows.push_back(
        catalogRow(t.tdefPage, TablesContainerId, t.table->name, ObjectTypeTable, t.system ? SystemObjectFlags : 0));

  // Rows: each table's long values on LVAL pages of their column, then its
  // data pages.
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    TableLayout &t = layouts[i];
    for (ColumnLayout &c : t.columns)
      if (IsLongValue(c.column.type))
        c.lvalPages.emplace(allocator, 0, true);
    t.dataPages.emplace(allocator, std::uint32_t(t.tdefPage), false);
    std::vector<QByteArray> rows;
    for (qsizetype r = 0; r < qsizetype(t.table->rows.size()); ++r)
      rows.push_back(EncodeRow(t, t.table->rows[std::size_t(r)], r));
    for (const QByteArray &row : rows)
      t.rowPointers.push_back(t.dataPages->Add(row));
  }

  // Index pages, now that every row's place is known.
  std::vector<std::pair<int, QByteArray>> indexPages;
  for (TableLayout &t : layouts) {
    for (IndexLayout &x : t.indexes) {
      std::vector<std::pair<QByteArray, std::uint32_t>> entries;
      QSet<QByteArray> distinct;
      for (std::size_t r = 0; r < t.table->rows.size(); ++r) {
        QByteArray key;
        for (int column : x.columns)
          key.append(IndexKey(t.table->rows[r][std::size_t(column)]));
        distinct.insert(key);
        entries.emplace_back(key, t.rowPointers[r]);
      }
      x.uniqueEntries = int(distinct.size());
      indexPages.emplace_back(x.rootPage, BuildLeafPage(t.tdefPage, std::move(entries)));
    }
  }

  // Usage maps know their pages now; reference maps add bitmap pages at the
  // end of the file, which the global map must cover too.
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    const TableLayout &t = layouts[i];
    const auto [mapPage, firstRow] = mapSlots[i];
    int row = firstRow;
    for (const RowPage &p : t.dataPages->pages)
      mapPages[std::size_t(mapPage)][std::size_t(row)].pages.push_back(p.number);
    row += 2;
    for (const IndexLayout &x : t.indexes)
      mapPages[std::size_t(mapPage)][std::size_t(row++)].pages.push_back(x.rootPage);
    for (const ColumnLayout &c : t.columns) {
      if (!IsLongValue(c.column.type))
        continue;
      for (const RowPage &p : c.lvalPages->pages)
        mapPages[std::size_t(mapPage)][std::size_t(row)].pages.push_back(p.number);
      row += 2;
    }
  }
  int extra = 0;
  for (const auto &page : mapPages)
    for (const UsageMapRow &m : page)
      if (!m.global)
        extra += ReferenceMapPagesNeeded(m, 0);
  // The global map's own bitmap pages count towards the pages it covers.
  const int base = allocator.next + extra;
  int globalExtra = 0;
  for (;;) {
    const int need = ReferenceMapPagesNeeded(mapPages[0][0], base + globalExtra);
    if (need == globalExtra)
      break;
    globalExtra = need;
  }
  const int totalPages = base + globalExtra;

  BitmapPages bitmaps;
  std::vector<RowPage> mapRowPages;
  for (std::size_t m = 0; m < mapPages.size(); ++m) {
    RowPage page(mapPageNumbers[m], 0, false);
    for (const UsageMapRow &row : mapPages[m])
      page.Add(BuildUsageMap(row, totalPages, allocator, bitmaps));
    mapRowPages.push_back(std::move(page));
  }
  if (allocator.next != totalPages)
    Fail(QStringLiteral("internal error: the usage maps took %1 pages, %2 were planned")
             .arg(allocator.next)
             .arg(totalPages));

  // Assemble the file.
  QByteArray file(qsizetype(totalPages) * PageSize, '\0');
  auto place = [&](int number, const QByteArray &page) {
    Q_ASSERT(page.size() == PageSize);
    file.replace(qsizetype(number) * PageSize, PageSize, page);
  };
  place(0, BuildHeaderPage(options));
  for (const RowPage &p : mapRowPages)
    place(p.number, p.bytes);
  for (const TableLayout &t : layouts) {
    const QByteArray tdef = BuildTdef(t, options);
    std::vector<int> numbers{t.tdefPage};
    numbers.insert(numbers.end(), t.tdefContinuation.begin(), t.tdefContinuation.end());
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
      place(numbers[p], page);
    }
    for (const RowPage &p : t.dataPages->pages)
      place(p.number, p.bytes);
    for (const ColumnLayout &c : t.columns)
      if (c.lvalPages)
        for (const RowPage &p : c.lvalPages->pages)
          place(p.number, p.bytes);
  }
  for (const auto &[number, page] : bitmaps.pages)
    place(number, page);
  for (const auto &[number, page] : indexPages)
    place(number, page);
  return file;
}

void WriteDatabase(const QString &path, const std::vector<Table> &tables, const DatabaseOptions &options) {
  const QByteArray bytes = BuildDatabase(tables, options);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    Fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
  if (file.write(bytes) != bytes.size()) {
    const QString error = file.errorString();
    file.cancelWriting();
    Fail(QStringLiteral("cannot write %1: %2").arg(path, error));
  }
  if (!file.commit())
    Fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

} // namespace Jet
