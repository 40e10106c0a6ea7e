#pragma once
// The Jet 4 format as the writer's parts share it (JetWriter.h is the
// writer's interface): the sizes and magic numbers of its pages and
// definitions, little-endian byte helpers, what each column type stores, and
// the writer's error helpers. Not for use outside the writer.

#include "JetWriter.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstring>

namespace Jet::Format {

// --- Sizes of the Jet 4 format (bytes unless said otherwise) ---------------

inline constexpr int PageSize = 4096;
// Data and LVAL pages: type, 0x01, free space (2), owner (4), unknown (4),
// row count (2), then one 2-byte row offset per row; rows grow down from the
// end of the page.
inline constexpr int DataPageHeader = 14;
inline constexpr int RowOffsetSize = 2;
// A row pointer keeps the row number in one byte.
inline constexpr int MaxRowsPerPage = 255;
// The largest row Jet puts on a data page.
inline constexpr int MaxRowSize = 4060;
// Long values: 12-byte field in the row; up to 64 bytes stay in the row, up
// to 4076 go to one row of an LVAL page, longer ones are chained over LVAL
// pages, each link a 4-byte pointer to the next followed by up to 4076 bytes.
inline constexpr int MaxInlineLongValue = 64;
inline constexpr int MaxLvalRowData = PageSize - DataPageHeader - RowOffsetSize - 4; // 4076
// Usage maps are 69-byte rows: type 0 = inline (first page, 64 bytes of bits,
// 512 pages), type 1 = reference (17 pointers to bitmap pages of type 0x05,
// each mapping 4092 * 8 pages).
inline constexpr int UsageMapRowSize = 69;
inline constexpr int InlineMapPages = (UsageMapRowSize - 5) * 8;
inline constexpr int ReferenceMapSlots = (UsageMapRowSize - 1) / 4;
inline constexpr int BitmapPagePages = (PageSize - 4) * 8;
// Table definition: 63-byte header, 25 bytes per column, names, 10 bytes per
// long-value column for its usage maps, 0xFFFF at the end.
inline constexpr int TdefHeaderSize = 63;
inline constexpr int ColumnEntrySize = 25;
inline constexpr int TdefPageHeader = 8;
// Constants found in every table definition header, column entry and
// logical index (1625), and at the start of every index data block (1923).
inline constexpr std::uint32_t TableMagic = 0x0659;
inline constexpr std::uint32_t IndexMagic = 0x0783;

inline constexpr std::uint8_t PageTypeData = 0x01;
inline constexpr std::uint8_t PageTypeTdef = 0x02;
inline constexpr std::uint8_t PageTypeUsageBitmap = 0x05;
inline constexpr std::uint8_t TableTypeUser = 0x4E;
inline constexpr std::uint8_t TableTypeSystem = 0x53;

// MSysObjects catalog values.
inline constexpr std::int32_t TablesContainerId = 0x0F000000;
inline constexpr std::int32_t DatabasesContainerId = 0x0F000001;
inline constexpr std::int32_t RelationshipsContainerId = 0x0F000002;
inline constexpr std::int32_t DatabaseObjectId = 0x0F000003;
inline constexpr std::int16_t ObjectTypeTable = 1;
inline constexpr std::int16_t ObjectTypeDatabase = 2;
inline constexpr std::int16_t ObjectTypeContainer = 3;
inline constexpr std::int32_t SystemObjectFlags = std::int32_t(0x80000000u);
inline constexpr int CatalogPage = 2;
// The catalog and the three other system tables come first in every file.
inline constexpr std::size_t SystemTableCount = 4;

// --- Little-endian byte helpers -------------------------------------------

inline void Put8(QByteArray &b, int at, std::uint8_t v) { b[at] = char(v); }
inline void Put16(QByteArray &b, int at, std::uint32_t v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char((v >> 8) & 0xFF);
}
inline void Put32(QByteArray &b, int at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + i] = char((v >> (8 * i)) & 0xFF);
}
inline void Append16(QByteArray &b, std::uint32_t v) {
  b.append(char(v & 0xFF));
  b.append(char((v >> 8) & 0xFF));
}
inline void Append32(QByteArray &b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b.append(char((v >> (8 * i)) & 0xFF));
}
inline void AppendDouble(QByteArray &b, double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 8; ++i)
    b.append(char((bits >> (8 * i)) & 0xFF));
}
// Sets bit `bit` of the bit field that starts at byte `at`.
inline void SetBit(QByteArray &b, int at, int bit) {
  b[at + bit / 8] = char(std::uint8_t(b[at + bit / 8]) | (1u << (bit % 8)));
}

// A row pointer: page in the upper three bytes, row number in the lowest.
inline std::uint32_t PageRow(int page, int row) { return (std::uint32_t(page) << 8) | std::uint32_t(row); }

// UCS-2 little-endian, as names are stored.
QByteArray Ucs2(QStringView s);

// --- Column classification ------------------------------------------------

inline bool IsLongValue(ColumnType t) { return t == ColumnType::Memo || t == ColumnType::Ole; }
inline bool IsTextual(ColumnType t) { return t == ColumnType::Text || t == ColumnType::Memo; }
inline bool IsVariable(ColumnType t) { return t == ColumnType::Text || t == ColumnType::Binary || IsLongValue(t); }
// The bytes of a fixed-size column in the row's fixed area; 0 for the others.
int FixedSize(ColumnType t);
QString TypeName(ColumnType t);

// --- Errors ---------------------------------------------------------------

// "table "T", row R, column "C"" for messages; row < 0 and column null are
// left out.
QString Where(const Table &t, qsizetype row, const Column *column);
[[noreturn]] void Fail(const QString &message);

} // namespace Jet::Format
