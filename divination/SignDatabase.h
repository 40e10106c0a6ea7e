#pragma once
// The sign database "KelmFile.dll" in the application directory: an Access
// (Jet 4.0) file with the stroke counts (table bihua: hanzi, num) and the
// signs (table vandrel: id, title, content). Read only; every lookup opens
// the file through a query object of its own and releases it before it
// returns, on every path. Nothing is cached between lookups.

#include "AppDir.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// The sign database file the lookups read: "KelmFile.dll" in the application
// directory, or the file a caller named with SetSignDatabaseFile.
QString GetSignDatabaseFile();
// Makes the lookups read path from now on (the command-line tool's --db); an
// empty path restores the file in the application directory. Returns the
// previous choice.
QString SetSignDatabaseFile(QString path);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<dir>KelmFile.dll;Persist
// Security Info=True" (GBK), built from GetSignDatabaseFile on every call.
QByteArray GetConnectionString();

// A GBK text as an SQL string literal: in single quotes, every single quote
// inside doubled. Nothing else is escaped, so % and _ keep their LIKE meaning.
QByteArray QuoteSqlText(QByteArrayView text);

// The statements of the two lookups, exactly as they are sent (GBK).
QByteArray StrokeCountStatement(QByteArrayView character);
QByteArray SignStatement(QByteArrayView signNumber);

// A stroke count as the database's text gives it: optional leading blanks, an
// optional sign, decimal digits, nothing else, within 32 bits. Nothing for
// any other text, the empty one included.
std::optional<std::int32_t> ParseStrokeCount(QByteArrayView text);

// Whether text (GBK) is one two-byte GBK character: a lead byte 0x81-0xFE and
// a trail byte 0x40-0xFE other than 0x7F. A character a user names for its
// stroke count alone (the strokes command, the note over an edit) is looked up
// only when it is one; any other text, a wildcard of the pattern or a one-byte
// character, counts 0 without a lookup. No such character is %, _ or [ once
// decoded, so its pattern means just itself.
bool IsTwoByteCharacter(QByteArrayView text);

// The stroke count of the character (GBK, used as given, not trimmed) from the
// first bihua row whose hanzi contains it, 0 when none does. A database
// failure, or a num that is not an integer (NULL included), ends the current
// user action (SilentAbort).
std::int32_t GetStrokeCount(QByteArrayView character);

// The trimmed title (wantContent false) or the descrambled text (true) of the
// sign the three characters select (see GetSignNumber); empty when there is
// no such sign. A database failure ends the current user action (SilentAbort).
QByteArray GetSignText(QByteArrayView first, QByteArrayView second, QByteArrayView third, bool wantContent);

// Called with each lookup's statement just before the lookup opens the file;
// tests use it to count lookups and to change the file between two of them.
// Returns the previous observer; an empty function removes it.
using LookupObserver = std::function<void(const QByteArray &statement)>;
LookupObserver SetLookupObserver(LookupObserver observer);
