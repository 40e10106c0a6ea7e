#pragma once
// Stored sign texts: hexadecimal digit pairs whose bytes, run backwards through
// a keyed, chained byte transform, give the GBK text of a sign.

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

// The fixed key and cycle count of the sign texts in KelmFile.dll.
inline constexpr std::uint16_t SignTextKey = 2555;
inline constexpr std::int32_t SignTextCycles = 7;

// One byte per pair of hexadecimal digits (either case), the first digit the
// high nibble. A final odd character is ignored. A pair that is not two
// hexadecimal digits adds no byte and is counted in badPairs (when given);
// decoding goes on with the next pair. Never fails.
QByteArray HexToText(QByteArrayView stored, qsizetype *badPairs = nullptr);

// The bytes of stored (see HexToText) after `cycles` rounds of the transform,
// each a chained forward pass b[j] = (b[j-1] + b[j]) ^ high byte of key over
// j = 1..n-1, then a chained backward pass b[j] = (b[j+1] + b[j]) ^ low byte
// over j = n-2..0, all modulo 256. Fewer than two bytes, or cycles <= 0, leave
// the decoded bytes as they are. Never fails; badPairs as for HexToText.
QByteArray DescrambleSignText(QByteArrayView stored, std::uint16_t key, std::int32_t cycles,
                              qsizetype *badPairs = nullptr);
