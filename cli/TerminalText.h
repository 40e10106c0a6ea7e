#pragma once
// Text laid out for a terminal: columns counted as a terminal counts them.

#include <QString>
#include <QStringView>

namespace Terminal {

// The columns text takes on a terminal: 2 for each East Asian wide or
// fullwidth character (Unicode East Asian Width W and F: the ideographs, kana,
// hangul, fullwidth forms, CJK punctuation), 0 for control characters, 1 for
// every other character, ambiguous ones included (as terminals show them by
// default).
int DisplayWidth(QStringView text);

// text in the middle of width columns; of an odd number of spare columns the
// right side gets the larger half. Text wider than width comes back as it is.
QString Centred(QStringView text, int width);

} // namespace Terminal
