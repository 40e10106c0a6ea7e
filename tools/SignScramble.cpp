#include "SignScramble.h"

QByteArray ScrambleSignText(QByteArrayView plain, std::uint16_t key, std::int32_t cycles) {
  QByteArray bytes = plain.toByteArray();
  const qsizetype n = bytes.size();
  const auto high = static_cast<unsigned char>(key >> 8);
  const auto low = static_cast<unsigned char>(key & 0xFF);
  auto *b = reinterpret_cast<unsigned char *>(bytes.data());
  if (n >= 2) {
    for (std::int32_t cycle = 0; cycle < cycles; ++cycle) {
      // The backward pass set b[j] from the new b[j+1], for j = n-2 down to 0;
      // undo it from the front, where b[j+1] still holds its new value.
      for (qsizetype j = 0; j <= n - 2; ++j)
        b[j] = static_cast<unsigned char>((b[j] ^ low) - b[j + 1]);
      // The forward pass set b[j] from the new b[j-1], for j = 1 up to n-1;
      // undo it from the back.
      for (qsizetype j = n - 1; j >= 1; --j)
        b[j] = static_cast<unsigned char>((b[j] ^ high) - b[j - 1]);
    }
  }
  return bytes.toHex().toUpper();
}
