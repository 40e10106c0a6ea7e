#pragma once
// The traditional form of a character whose strokes the sign database counts:
// the one a reader writes for the character's everyday sense (Taiwan's
// standard form; see tools/derive_strokes.py). Built from data/strokes.txt,
// the source the database's counts come from.

#include <QString>
#include <QStringView>

// The form for one character (one code point); the character itself when its
// own strokes are counted or the source does not list it. Any other text
// comes back as it is.
QString GetTraditionalForm(QStringView character);
