#pragma once
// GBK (code page 936) byte strings, the program's text type. Every length,
// position and cut counts bytes; Unicode appears only at the window and
// terminal boundaries, converted by the functions below.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace Gbk {

// The GBK bytes of text, or nothing when a character of it has no GBK form.
// An unencodable character is never replaced by another one: callers decide
// what to do (the edits refuse it, the command-line tool reports it).
std::optional<QByteArray> ToGbk(QStringView text);

// The text of GBK bytes. A byte sequence that is not valid GBK (a lone lead
// byte, an unassigned code) decodes to U+FFFD for each offending byte, so a
// damaged text stays visibly damaged instead of turning into other characters.
QString FromGbk(QByteArrayView bytes);

// Whether every character of text has a GBK form.
bool IsGbkEncodable(QStringView text);

// The bytes of text without leading and trailing bytes of value 0 to 32
// (blank and control characters); the bytes between them stay untouched.
QByteArray TrimBytes(QByteArrayView text);

// Up to count bytes of text from the 1-based byte position index on (an index
// below 1 counts as 1); a range running past the end is cut to what exists, so
// the result may be short or empty.
QByteArray CopyBytes(QByteArrayView text, qsizetype index, qsizetype count);

} // namespace Gbk
