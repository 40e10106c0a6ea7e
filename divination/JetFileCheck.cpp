#include "JetFileCheck.h"

#include <cstring>

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
  qsizetype pageSize;
  int rowCountOffset;   // data pages: row count, then the row offsets
  int usageMapOffset;   // table definition: row pointer of the usage map
};

constexpr Format Jet3{2048, 0x08, 35};
constexpr Format Jet4{4096, 0x0C, 55};

std::uint32_t Int32At(QByteArrayView bytes, qsizetype at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::uint16_t Int16At(QByteArrayView bytes, qsizetype at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
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
  std::uint32_t Count() const { return static_cast<std::uint32_t>(File.size() / Fmt.pageSize); }
  QByteArrayView Page(std::uint32_t number) const { return File.sliced(number * Fmt.pageSize, Fmt.pageSize); }
  // The bytes of row `row` of data page `page`, or nothing when the page or
  // the row is not there.
  std::optional<QByteArrayView> Row(std::uint32_t page, unsigned row) const {
    if (page >= Count())
      return std::nullopt;
    const QByteArrayView bytes = Page(page);
    if (bytes[0] != char(PageTypeData))
      return std::nullopt;
    const unsigned rows = Int16At(bytes, Fmt.rowCountOffset);
    const qsizetype offsets = Fmt.rowCountOffset + 2;
    if (row >= rows || offsets + 2 * qsizetype(rows) > Fmt.pageSize)
      return std::nullopt;
    const qsizetype start = Int16At(bytes, offsets + 2 * qsizetype(row)) & RowOffsetMask;
    const qsizetype end = row == 0 ? Fmt.pageSize : Int16At(bytes, offsets + 2 * qsizetype(row - 1)) & RowOffsetMask;
    if (start < offsets + 2 * qsizetype(rows) || end > Fmt.pageSize || start >= end)
      return std::nullopt;
    return bytes.sliced(start, end - start);
  }
private:
  QByteArrayView File;
  Format Fmt;
};

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

} // namespace

Problem CheckFile(QByteArrayView file) {
  const std::optional<Format> format = FormatOf(file);
  if (!format)
    return "not a Jet database";
  if (file.size() % format->pageSize != 0)
    return "the file does not end on a page boundary (truncated)";
  if (file.size() / format->pageSize <= CatalogTdefPage)
    return "the file ends before the system catalog";
  return CheckTablePages(file, CatalogTdefPage);
}

Problem CheckTablePages(QByteArrayView file, std::uint32_t tdefPage) {
  const std::optional<Format> format = FormatOf(file);
  if (!format)
    return "not a Jet database";
  const Pages pages(file, *format);
  if (tdefPage == 0 || tdefPage >= pages.Count())
    return "a table definition lies past the end of the file";
  const QByteArrayView tdef = pages.Page(tdefPage);
  if (tdef[0] != char(PageTypeTdef))
    return "a table definition page is not one";
  const std::uint32_t mapPointer = Int32At(tdef, format->usageMapOffset);
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
    const std::uint64_t pagesPerBitmap = std::uint64_t(format->pageSize - BitmapPageHeader) * 8;
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

} // namespace JetFileCheck
