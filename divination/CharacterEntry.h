#pragma once
// What the character divination window's edits accept and show, and the
// introduction it opens with: the window's rules without the window.

#include <QString>
#include <QStringView>

// The introduction of the window: thirteen lines separated by a carriage
// return alone.
extern const QString IntroductionText;

// The key filter of the three edits: a typed character code below 127 is
// discarded unless it is 8 (backspace) or 13 (Enter).
constexpr bool PassesKeyFilter(char32_t code) { return code >= 127 || code == 8 || code == 13; }

// What an edit holding `before` shows after an edit turned it into `after`,
// when it holds at most two bytes of GBK text: the inserted part is kept as
// far as it fits, whole characters only; a character with no GBK form is
// refused. Typing into a full edit thus changes nothing, and a pasted longer
// text is cut to what fits.
QString FitEditText(QStringView before, QStringView after, qsizetype maxBytes = 2);

// What the label over an edit shows for the edit's text, as soon as it is
// typed: the traditional form whose strokes count and the count the sign
// computation uses ("雲 12画"); "无此字" when the sign database has no row
// for the character or the text is not one two-byte character; nothing for
// a blank edit, nor when the lookup fails (typing never ends in an error).
QString StrokeNote(QStringView text);
