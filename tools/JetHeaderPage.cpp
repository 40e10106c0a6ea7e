// Page 0: the file's signature, the Jet version and the header block with
// the code page, sort order and creation date, stored RC4-encrypted.

#include "JetLayout.h"

#include <array>
#include <cmath>

namespace Jet::Format {
namespace {

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

} // namespace

QByteArray BuildHeaderPage(const DatabaseOptions &options) {
  QByteArray page(PageSize, '\0');
  Put8(page, 0, 0x00);
  Put8(page, 1, 0x01);
  page.replace(4, 16, QByteArray("Standard Jet DB\0", 16));
  Put32(page, 0x14, 1); // Jet 4
  // Header block, stored RC4-encrypted with a fixed key.
  Put16(page, 0x3C, options.CodePage);
  Put32(page, 0x3E, 0); // database key 0: pages are not encoded
  // The 40-byte password is masked with the whole days of the creation
  // date; an empty password is stored as the bare mask.
  const auto days = std::uint32_t(std::int32_t(std::floor(options.Created)));
  for (int i = 0; i < 40; ++i)
    Put8(page, 0x42 + i, std::uint8_t(days >> (8 * (i % 4))));
  Put16(page, 0x6E, options.SortOrder); // then 0x00 and the sort version 0
  QByteArray date;
  AppendDouble(date, options.Created);
  page.replace(0x72, 8, date);
  Rc4({0xC7, 0xDA, 0x39, 0x6B}, page.data() + 0x18, 128);
  return page;
}

} // namespace Jet::Format
