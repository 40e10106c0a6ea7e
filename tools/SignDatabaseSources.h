#pragma once
// The text sources of the sign database and the tables made from them.
//
// Stroke source (data/strokes.txt), UTF-8, one character per line:
//   character<TAB>stroke count[<TAB>traditional form]
// The form is the character whose strokes are counted (the character itself
// when left out); it need not be in GBK.
// Sign source (data/signs.txt), UTF-8, one sign per line:
//   id<TAB>title<TAB>plain text
// with id three digits 000..383. In both, empty lines and lines starting with
// '#' are skipped.
//
// Table descriptions (test fixtures with any table shape and any values),
// UTF-8, tab-separated:
//   table<TAB>name
//   column<TAB>name<TAB>type[<TAB>length]   type: text, memo, long, integer,
//                                           scrambled (a memo given in plain
//                                           text and stored scrambled)
//   row<TAB>value<TAB>value...               one value per column
// A value \N is NULL; \t, \n, \r and \\ stand for tab, line feed, carriage
// return and backslash; everything else, blanks included, is kept as it is.

#include "JetWriter.h"

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <vector>

// Raised for a source that cannot become a database; the message names the
// file, the line and the record.
class SourceError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// How the table bihua keeps the characters.
enum class StrokeLayout {
  PerCharacter, // one row per character, hanzi text(255)
  GroupedText,  // the characters of one count in rows, hanzi text(255)
  GroupedMemo,  // the characters of one count in rows, hanzi memo
};

// The most UTF-8 bytes of a value that mdbtools (1.0) tests with LIKE: a text
// value is converted into a 256-byte buffer, a memo into one of 16384.
inline constexpr int MaxMatchedTextBytes = 255;
inline constexpr int MaxMatchedMemoBytes = 16383;

struct StrokeEntry {
  QString Character;
  int Strokes = 0;
  QString Form; // one character, possibly outside GBK and the BMP
};

struct SignEntry {
  QString Id; // three digits
  QString Title;
  QString Text; // plain text
};

// The longest sign text in GBK bytes. Its stored form is twice as long in
// hexadecimal digits and must stay below the 16384 bytes that mdbtools hands
// back for one value, or the program would read it cut short.
inline constexpr int MaxSignTextBytes = 8000;
// Titles live in a text column of 255 characters.
inline constexpr int MaxTitleChars = 255;

// Parse the sources; name is used in messages. Throw SourceError.
std::vector<StrokeEntry> ParseStrokeSource(const QByteArray &utf8, const QString &name);
std::vector<SignEntry> ParseSignSource(const QByteArray &utf8, const QString &name);
std::vector<Jet::Table> ParseTableDescription(const QByteArray &utf8, const QString &name);

// The tables bihua and vandrel of the sign database.
Jet::Table MakeStrokeTable(const std::vector<StrokeEntry> &strokes, StrokeLayout layout);
Jet::Table MakeSignTable(const std::vector<SignEntry> &signs);

// The stored form of a sign text: its GBK bytes scrambled with the program's
// key and cycle count, as upper-case hexadecimal pairs. The text must be GBK.
QString StoredSignText(const QString &plain);
