#include "JetFileCheck.h"

#include <QSet>

#include <cstring>
#include <vector>

namespace JetFileCheck {
namespace {

constexpr std::uint8_t PageTypeHeader = 0x00;
constexpr std::uint8_t PageTypeData = 0x01;
constexpr std::uint8_t PageTypeTdef = 0x02;
constexpr std::uint32_t CatalogTdefPage = 2; // MSysObjects
// Map types: 0 = inline bitmap after a 4-byte first page, 1 = 4-byte
// pointers to bitmap pages whose bits start after a 4-byte header.
constexpr std::uint8_t MapInline = 0;
constexpr std::uint8_t MapReference = 1;
constexpr int BitmapPageHeader = 4;
constexpr std::uint16_t RowOffsetMask = 0x1FFF;

struct Format {
  qsizetype PageSize;
  int RowCountOffset; // data pages: row count, then the row offsets
  int UsageMapOffset; // table definition: row pointer of the usage map
  // Table definition: the counts (columns 2 bytes, indexes 4, real indexes
  // 4), where the entries start, and the sizes of what follows in order:
  // one entry per real index, per column, a name per column, the columns of
  // each real index, one entry per index, a name per index. A name is a
  // length (NameLengthBytes) and that many bytes.
  int ColumnCountOffset;
  int IndexCountOffset;
  int RealIndexCountOffset;
  int EntriesStart;
  int RealIndexEntrySize;
  int ColumnEntrySize;
  int RealIndexColumnsSize;
  int IndexEntrySize;
  int NameLengthBytes;
};

constexpr Format Jet3{2048, 0x08, 35, 25, 27, 31, 43, 8, 18, 39, 20, 1};
constexpr Format Jet4{4096, 0x0C, 55, 45, 47, 51, 63, 12, 25, 52, 28, 2};
// A continued definition page: type, unknown, free space or "VC", next page.
constexpr int TdefPageHeader = 8;
// A memo field in its row: length and kind (4), row pointer (4), unknown (4).
constexpr int LongValueHead = 12;
constexpr std::uint32_t LongValueInline = 0x80000000;
constexpr std::uint32_t LongValueOneRow = 0x40000000;
constexpr std::uint32_t LongValueLengthMask = 0x3FFFFFFF;
constexpr std::uint32_t LongValueKindMask = 0xFF000000;

std::uint32_t Int32At(QByteArrayView bytes, qsizetype at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::uint16_t Int16At(QByteArrayView bytes, qsizetype at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                                << 8);
}

std::optional<Format> FormatOf(QByteArrayView file) {
  // Version byte at 0x14: 0 Jet 3, 1 Jet 4, 2 and up the later engines that
  // keep Jet 4's pages.
  if (file.size() < 0x15 || file[0] != char(PageTypeHeader))
    return std::nullopt;
  const QByteArrayView signature = file.sliced(4, 15);
  if (signature != "Standard Jet DB" && signature != "Standard ACE DB")
    return std::nullopt;
  return file[0x14] == 0 ? Jet3 : Jet4;
}

class Pages {
public:
  Pages(QByteArrayView file, const Format &format) : File(file), Fmt(format) {}
  std::uint32_t Count() const { return static_cast<std::uint32_t>(File.size() / Fmt.PageSize); }
  qsizetype FileSize() const { return File.size(); }
  QByteArrayView Page(std::uint32_t number) const { return File.sliced(number * Fmt.PageSize, Fmt.PageSize); }
  const Format &Layout() const { return Fmt; }
  // The bytes of row `row` of data page `page`, or nothing when the page or
  // the row is not there.
  std::optional<QByteArrayView> Row(std::uint32_t page, unsigned row) const {
    if (page >= Count())
      return std::nullopt;
    const QByteArrayView bytes = Page(page);
    if (bytes[0] != char(PageTypeData))
      return std::nullopt;
    const unsigned rows = Int16At(bytes, Fmt.RowCountOffset);
    const qsizetype offsets = Fmt.RowCountOffset + 2;
    if (row >= rows || offsets + 2 * qsizetype(rows) > Fmt.PageSize)
      return std::nullopt;
    const qsizetype start = Int16At(bytes, offsets + 2 * qsizetype(row)) & RowOffsetMask;
    const qsizetype end = row == 0 ? Fmt.PageSize : Int16At(bytes, offsets + 2 * qsizetype(row - 1)) & RowOffsetMask;
    if (start < offsets + 2 * qsizetype(rows) || end > Fmt.PageSize || start >= end)
      return std::nullopt;
    return bytes.sliced(start, end - start);
  }

private:
  QByteArrayView File;
  Format Fmt;
};

// The pages of file, when it is a Jet database whose page tdefPage is a
// table definition; otherwise nothing, and problem says why.
std::optional<Pages> DefinitionPages(QByteArrayView file, std::uint32_t tdefPage, Problem &problem) {
  const std::optional<Format> format = FormatOf(file);
  if (!format) {
    problem = "not a Jet database";
    return std::nullopt;
  }
  const Pages pages(file, *format);
  if (tdefPage == 0 || tdefPage >= pages.Count()) {
    problem = "a table definition lies past the end of the file";
    return std::nullopt;
  }
  if (pages.Page(tdefPage)[0] != char(PageTypeTdef)) {
    problem = "a table definition page is not one";
    return std::nullopt;
  }
  return pages;
}

// A page the usage map lists must be a data page owned by the table.
Problem CheckListedPage(const Pages &pages, std::uint32_t page, std::uint32_t tdefPage) {
  if (page >= pages.Count())
    return "a usage map lists a page past the end of the file";
  const QByteArrayView bytes = pages.Page(page);
  if (bytes[0] != char(PageTypeData) || Int32At(bytes, 4) != tdefPage)
    return "a usage map lists a page that is not a data page of its table";
  return std::nullopt;
}

// Bits from `bits` on, bit i standing for page firstPage + i.
Problem CheckBitmap(const Pages &pages, QByteArrayView bits, std::uint64_t firstPage, std::uint32_t tdefPage) {
  for (qsizetype byte = 0; byte < bits.size(); ++byte) {
    const auto value = static_cast<unsigned char>(bits[byte]);
    for (int bit = 0; bit < 8; ++bit) {
      if (!(value & (1u << bit)))
        continue;
      const std::uint64_t page = firstPage + std::uint64_t(byte) * 8 + std::uint64_t(bit);
      if (page >= pages.Count())
        return "a usage map lists a page past the end of the file";
      if (Problem problem = CheckListedPage(pages, static_cast<std::uint32_t>(page), tdefPage))
        return problem;
    }
  }
  return std::nullopt;
}

// A reading position in a table definition that moves as mdbtools' reader
// does: at or past a page's end it goes on at byte 8 of the page named at
// byte 4 (read even when a read ends exactly at the end). That page must be
// in the file; before any of its bytes (or its own next pointer) are used
// it must also be a definition page not met before.
class DefinitionCursor {
public:
  DefinitionCursor(const Pages &pages, std::uint32_t first, std::uint64_t at, qsizetype pageSize)
      : Book(pages), PageSize(pageSize), Current(first), At(at), Met(pages.Count(), false) {
    Met[first] = true;
  }
  void Skip(std::uint64_t bytes) { At += bytes; }
  Problem Read(std::uint64_t bytes) {
    while (At >= std::uint64_t(PageSize)) {
      if (Problem problem = Turn())
        return problem;
      At -= std::uint64_t(PageSize - TdefPageHeader);
    }
    while (At + bytes >= std::uint64_t(PageSize)) {
      if (Problem problem = Use())
        return problem;
      for (std::uint64_t i = At; i < std::uint64_t(PageSize) && Kept.size() < 4; ++i)
        Keep(Book.Page(Current)[qsizetype(i)]);
      bytes -= std::uint64_t(PageSize) - At;
      if (Problem problem = Turn())
        return problem;
      At = TdefPageHeader;
    }
    if (bytes > 0) {
      if (Problem problem = Use())
        return problem;
      for (std::uint64_t i = At; i < At + bytes && Kept.size() < 4; ++i)
        Keep(Book.Page(Current)[qsizetype(i)]);
    }
    At += bytes;
    return std::nullopt;
  }
  // A name's length, little-endian in `size` bytes.
  std::optional<std::uint32_t> ReadLength(int size) {
    Kept.clear();
    if (Read(std::uint64_t(size)))
      return std::nullopt;
    std::uint32_t length = 0;
    for (int i = size - 1; i >= 0; --i)
      length = length << 8 | static_cast<unsigned char>(Kept[i]);
    return length;
  }

private:
  void Keep(char byte) {
    if (Kept.size() < 4)
      Kept += byte;
  }
  // The current page is read for its bytes or its next pointer.
  Problem Use() {
    if (Checked)
      return std::nullopt;
    if (Book.Page(Current)[0] != char(PageTypeTdef))
      return "a table definition continues on a page that is not one";
    if (Met[Current])
      return "a table definition's pages come back on themselves";
    Met[Current] = true;
    Checked = true;
    return std::nullopt;
  }
  Problem Turn() {
    if (Problem problem = Use())
      return problem;
    const std::uint32_t next = Int32At(Book.Page(Current), 4);
    if (next >= Book.Count())
      return "a table definition continues past the end of the file";
    Current = next;
    Checked = false;
    return std::nullopt;
  }

  const Pages &Book;
  qsizetype PageSize;
  std::uint32_t Current;
  bool Checked = true; // the first page is checked by the caller
  std::uint64_t At;
  std::vector<bool> Met;
  QByteArray Kept;
};

// The row a long value's pointer names, on a long-value page.
std::optional<QByteArrayView> LongValueRow(const Pages &pages, std::uint32_t pointer, Problem &problem) {
  const std::uint32_t page = pointer >> 8;
  if (page >= pages.Count()) {
    problem = "a memo value lies past the end of the file";
    return std::nullopt;
  }
  const QByteArrayView bytes = pages.Page(page);
  if (bytes[0] != char(PageTypeData) || bytes.sliced(4, 4) != "LVAL") {
    problem = "a memo value points at a page that holds no long values";
    return std::nullopt;
  }
  const std::optional<QByteArrayView> row = pages.Row(page, pointer & 0xFF);
  if (!row)
    problem = "a memo value points at a row that is not there";
  return row;
}

// count entries of entrySize bytes each, then count names; cutShort is the
// problem of a name whose length is not there.
Problem ReadEntriesAndNames(DefinitionCursor &cursor, std::uint64_t count, std::uint64_t entrySize, int nameLengthBytes,
                            const char *cutShort) {
  for (std::uint64_t i = 0; i < count; ++i)
    if (Problem problem = cursor.Read(entrySize))
      return problem;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::optional<std::uint32_t> length = cursor.ReadLength(nameLengthBytes);
    if (!length)
      return cutShort;
    if (Problem problem = cursor.Read(*length))
      return problem;
  }
  return std::nullopt;
}

// The definition's column and index entries and names, read from the pages of
// a file whose page tdefPage is a table definition.
Problem DefinitionProblem(const Pages &pages, std::uint32_t tdefPage) {
  const Format &format = pages.Layout();
  const QByteArrayView tdef = pages.Page(tdefPage);
  const std::uint64_t columns = Int16At(tdef, format.ColumnCountOffset);
  const std::uint64_t indexes = Int32At(tdef, format.IndexCountOffset);
  const std::uint64_t realIndexes = Int32At(tdef, format.RealIndexCountOffset);
  // Counts no file of this size can hold are refused before any walking.
  const std::uint64_t least = columns * std::uint64_t(format.ColumnEntrySize + format.NameLengthBytes) +
                              indexes * std::uint64_t(format.IndexEntrySize + format.NameLengthBytes) +
                              realIndexes * std::uint64_t(format.RealIndexEntrySize);
  if (least > std::uint64_t(pages.FileSize()))
    return "a table definition counts more columns or indexes than the file holds";
  DefinitionCursor cursor(pages, tdefPage,
                          std::uint64_t(format.EntriesStart) + realIndexes * std::uint64_t(format.RealIndexEntrySize),
                          format.PageSize);
  if (Problem problem = ReadEntriesAndNames(cursor, columns, std::uint64_t(format.ColumnEntrySize),
                                            format.NameLengthBytes, "a table definition ends inside its column names"))
    return problem;
  cursor.Skip(realIndexes * std::uint64_t(format.RealIndexColumnsSize));
  return ReadEntriesAndNames(cursor, indexes, std::uint64_t(format.IndexEntrySize), format.NameLengthBytes,
                             "a table definition ends inside its index names");
}

// The usage map's pages, read from the pages of a file whose page tdefPage is
// a table definition.
Problem UsageMapProblem(const Pages &pages, std::uint32_t tdefPage) {
  const Format &format = pages.Layout();
  const QByteArrayView tdef = pages.Page(tdefPage);
  const std::uint32_t mapPointer = Int32At(tdef, format.UsageMapOffset);
  const std::optional<QByteArrayView> map = pages.Row(mapPointer >> 8, mapPointer & 0xFF);
  if (!map || map->isEmpty())
    return "a table's usage map is missing";
  const auto type = static_cast<std::uint8_t>((*map)[0]);
  if (type == MapInline) {
    if (map->size() < 5)
      return "a table's usage map is cut short";
    return CheckBitmap(pages, map->sliced(5), Int32At(*map, 1), tdefPage);
  }
  if (type == MapReference) {
    const std::uint64_t pagesPerBitmap = std::uint64_t(format.PageSize - BitmapPageHeader) * 8;
    for (qsizetype slot = 0; 1 + 4 * slot + 4 <= map->size(); ++slot) {
      const std::uint32_t bitmapPage = Int32At(*map, 1 + 4 * slot);
      if (bitmapPage == 0)
        continue;
      if (bitmapPage >= pages.Count())
        return "a usage map's bitmap page lies past the end of the file";
      const QByteArrayView bitmap = pages.Page(bitmapPage).sliced(BitmapPageHeader);
      if (Problem problem = CheckBitmap(pages, bitmap, pagesPerBitmap * std::uint64_t(slot), tdefPage))
        return problem;
    }
    return std::nullopt;
  }
  return "a table's usage map is of an unknown type";
}

// check on the pages of file when its page tdefPage is a table definition;
// otherwise why it is not.
Problem OnDefinitionPages(QByteArrayView file, std::uint32_t tdefPage,
                          Problem (*check)(const Pages &pages, std::uint32_t tdefPage)) {
  Problem refused;
  const std::optional<Pages> pages = DefinitionPages(file, tdefPage, refused);
  return pages ? check(*pages, tdefPage) : refused;
}

} // namespace

Problem CheckFile(QByteArrayView file) {
  const std::optional<Format> format = FormatOf(file);
  if (!format)
    return "not a Jet database";
  if (file.size() % format->PageSize != 0)
    return "the file does not end on a page boundary (truncated)";
  if (file.size() / format->PageSize <= CatalogTdefPage)
    return "the file ends before the system catalog";
  if (Problem problem = CheckTableDefinition(file, CatalogTdefPage))
    return problem;
  return CheckTablePages(file, CatalogTdefPage);
}

Problem CheckTableDefinition(QByteArrayView file, std::uint32_t tdefPage) {
  return OnDefinitionPages(file, tdefPage, DefinitionProblem);
}

Problem CheckLongValue(QByteArrayView file, QByteArrayView field) {
  const std::optional<Format> format = FormatOf(file);
  if (!format)
    return "not a Jet database";
  if (field.isEmpty())
    return std::nullopt; // a zero-length value
  if (field.size() < LongValueHead)
    return "a memo value's head is cut short";
  const Pages pages(file, *format);
  const std::uint32_t head = Int32At(field, 0);
  const std::uint32_t length = head & LongValueLengthMask;
  if (head & LongValueInline) {
    if (length != std::uint32_t(field.size() - LongValueHead))
      return "a memo value's length disagrees with its bytes";
    return std::nullopt;
  }
  Problem problem;
  std::uint32_t pointer = Int32At(field, 4);
  if (head & LongValueOneRow) {
    const std::optional<QByteArrayView> row = LongValueRow(pages, pointer, problem);
    if (!row)
      return problem;
    if (std::uint32_t(row->size()) != length)
      return "a memo value's row is not as long as the value";
    return std::nullopt;
  }
  if (head & LongValueKindMask)
    return "a memo value of an unknown kind";
  // A chain: each row the pointer to the next (0 at the end), then a piece.
  std::uint64_t total = 0;
  QSet<std::uint32_t> met;
  while (pointer != 0) {
    if (met.contains(pointer))
      return "a memo value's chain comes back on itself";
    met.insert(pointer);
    const std::optional<QByteArrayView> row = LongValueRow(pages, pointer, problem);
    if (!row)
      return problem;
    if (row->size() <= 4)
      return "a memo value's chain has an empty link";
    total += std::uint64_t(row->size() - 4);
    if (total > length)
      return "a memo value's chain is longer than the value";
    pointer = Int32At(*row, 0);
  }
  if (total != length)
    return "a memo value's chain is shorter than the value";
  return std::nullopt;
}

Problem CheckTablePages(QByteArrayView file, std::uint32_t tdefPage) {
  return OnDefinitionPages(file, tdefPage, UsageMapProblem);
}

} // namespace JetFileCheck
