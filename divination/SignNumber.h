#pragma once
// The sign number: three characters select one of the oracle's 384 signs
// through the last digit of each character's stroke count.

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <functional>

// The sign digit of a stroke count, 1 to 9: the count's last decimal digit,
// 0 read as 1. A negative count (damaged data) gives the digit of its
// magnitude.
int SignDigit(std::int32_t strokeCount);

// The SignNumber of three stroke counts: the three sign digits read as a
// number (111 to 999), folded into 0..383 by taking off 768 or else 384, at
// most once, and written as exactly three digits, zero-padded ("000".."383").
QByteArray SignNumberOf(std::int32_t first, std::int32_t second, std::int32_t third);

// The stroke count of one character; the program's is the database lookup
// GetStrokeCount (SignDatabase.h).
using StrokeCountLookup = std::function<std::int32_t(QByteArrayView character)>;

// The SignNumber of three characters (GBK, normally one two-byte character
// each), or the empty text when one of them is blank after trimming. All
// three are tested before any stroke count is looked up; strokeCount then runs
// for first, second, third, with the arguments untrimmed. Whatever it throws
// (the database lookup's SilentAbort) passes through.
QByteArray GetSignNumber(QByteArrayView first, QByteArrayView second, QByteArrayView third,
                         const StrokeCountLookup &strokeCount);
