// The catalog's indexes: key bytes in the General sort order, and one leaf
// page per index holding every entry, which makes it the index's root.

#include "JetLayout.h"

#include <QSet>

#include <algorithm>
#include <array>

namespace Jet::Format {

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

namespace {

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
    SetBit(page, MaskOffset, at - EntriesOffset);
  }
  Put16(page, 2, std::uint32_t(PageSize - at));
  return page;
}

} // namespace

// Index pages, once every row's place is known; each index learns the
// number of its distinct keys.
std::vector<NumberedPage> BuildIndexPages(std::vector<TableLayout> &layouts) {
  std::vector<NumberedPage> indexPages;
  for (TableLayout &t : layouts) {
    for (IndexLayout &x : t.indexes) {
      std::vector<std::pair<QByteArray, std::uint32_t>> entries;
      QSet<QByteArray> distinct;
      for (std::size_t r = 0; r < t.table->Rows.size(); ++r) {
        QByteArray key;
        for (int column : x.columns)
          key.append(IndexKey(t.table->Rows[r][std::size_t(column)]));
        distinct.insert(key);
        entries.emplace_back(key, t.rowPointers[r]);
      }
      x.uniqueEntries = int(distinct.size());
      indexPages.emplace_back(x.rootPage, BuildLeafPage(t.tdefPage, std::move(entries)));
    }
  }
  return indexPages;
}

} // namespace Jet::Format
