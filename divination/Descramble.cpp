#include "Descramble.h"

namespace {

// The value 0..15 of a hexadecimal digit, or -1.
int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

} // namespace

QByteArray HexToText(QByteArrayView stored, qsizetype *badPairs) {
  const qsizetype pairs = stored.size() / 2;
  QByteArray result;
  result.reserve(pairs);
  qsizetype bad = 0;
  for (qsizetype k = 0; k < pairs; ++k) {
    const int high = HexDigit(stored[2 * k]);
    const int low = HexDigit(stored[2 * k + 1]);
    if (high < 0 || low < 0) {
      ++bad;
      continue;
    }
    result.append(static_cast<char>(high << 4 | low));
  }
  if (badPairs != nullptr)
    *badPairs = bad;
  return result;
}

QByteArray DescrambleSignText(QByteArrayView stored, std::uint16_t key, std::int32_t cycles, qsizetype *badPairs) {
  QByteArray bytes = HexToText(stored, badPairs);
  const qsizetype n = bytes.size();
  if (n < 2)
    return bytes;
  const auto high = static_cast<unsigned char>(key >> 8);
  const auto low = static_cast<unsigned char>(key & 0xFF);
  auto *b = reinterpret_cast<unsigned char *>(bytes.data());
  for (std::int32_t cycle = 0; cycle < cycles; ++cycle) {
    for (qsizetype j = 1; j < n; ++j)
      b[j] = static_cast<unsigned char>((b[j - 1] + b[j]) ^ high);
    for (qsizetype j = n - 2; j >= 0; --j)
      b[j] = static_cast<unsigned char>((b[j + 1] + b[j]) ^ low);
  }
  return bytes;
}
