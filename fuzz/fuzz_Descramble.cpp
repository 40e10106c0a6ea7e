// HexToText and DescrambleSignText over arbitrary stored texts, keys and cycle
// counts. Input layout: two bytes of key (high byte first), one byte of cycle
// count read as signed (-128..127: enough to cover "no cycle" and many cycles
// while keeping one run short), then the stored text.

#include "Descramble.h"
#include "Desktop.h"
#include "FuzzCheck.h"
#include "SignScramble.h"

#include <cstdint>

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int Beeps = 0;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  static const Seam<void()>::Override CountedBeep{Desktop::Beep, [] { ++Beeps; }};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 3)
    return 0;
  const auto key = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
  const std::int32_t cycles = static_cast<std::int8_t>(data[2]);
  const QByteArrayView stored(reinterpret_cast<const char *>(data + 3), static_cast<qsizetype>(size - 3));

  qsizetype goodPairs = 0;
  for (qsizetype k = 0; k + 1 < stored.size(); k += 2)
    goodPairs += IsHexDigit(stored[k]) && IsHexDigit(stored[k + 1]);

  // One byte per good pair, each bad pair counted, nothing for an odd tail;
  // the decoder itself never beeps.
  Beeps = 0;
  qsizetype badPairs = -1;
  const QByteArray bytes = HexToText(stored, &badPairs);
  FUZZ_CHECK(bytes.size() == goodPairs);
  FUZZ_CHECK(badPairs == stored.size() / 2 - goodPairs);
  FUZZ_CHECK(Beeps == 0);

  const QByteArray plain = DescrambleSignText(stored, key, cycles);
  FUZZ_CHECK(plain.size() == bytes.size());
  if (cycles <= 0 || bytes.size() < 2)
    FUZZ_CHECK(plain == bytes);
  else // the database tooling's direction undoes it exactly
    FUZZ_CHECK(HexToText(ScrambleSignText(plain, key, cycles)) == bytes);
  return 0;
}
