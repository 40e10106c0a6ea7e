#pragma once
// Writes Microsoft Jet 4.0 (Access 2000) database files: the page-0 header,
// the system catalog MSysObjects at page 2 with the other system tables, table
// definitions, usage maps, data pages, memo storage (inline and on LVAL
// pages) and Unicode text in Jet's compressed form where that is shorter.
//
// The layout follows the published notes on the format (mdbtools' HACKING
// and the readers built on it). Every file is written whole, in one go: the
// writer never updates a database in place. Tables carry no indexes.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <stdexcept>
#include <variant>
#include <vector>

namespace Jet {

// Column types as the table definition stores them.
enum class ColumnType : std::uint8_t {
  Boolean = 0x01,  // kept in the row's null mask, no data bytes
  Integer = 0x03,  // 16-bit signed
  Long = 0x04,     // 32-bit signed
  DateTime = 0x08, // days since 1899-12-30 as a double
  Binary = 0x09,   // up to 255 bytes
  Text = 0x0A,     // up to 255 characters
  Ole = 0x0B,      // long binary
  Memo = 0x0C,     // long text
};

struct Column {
  QString Name;
  ColumnType Type = ColumnType::Text;
  int MaxLength = 255;           // Text: characters [1, 255]; Binary: bytes [1, 255]
  bool CompressedUnicode = true; // Text and Memo: Jet's "Unicode compression"
};

// One value of a row: std::monostate is NULL. Integer and Long take
// std::int32_t, DateTime double, Boolean bool, Text and Memo QString, Binary
// and Ole QByteArray.
using Value = std::variant<std::monostate, std::int32_t, double, bool, QString, QByteArray>;

struct Table {
  QString Name;
  std::vector<Column> Columns;
  std::vector<std::vector<Value>> Rows;
};

// Settings of the whole file.
struct DatabaseOptions {
  // Windows code page of the database's text (page-0 header): 936, Chinese
  // (PRC).
  std::uint16_t CodePage = 936;
  // Collating order of the database and of every text column: General
  // (1033, 0x0409, the Access 2000 form), the order whose index keys the
  // catalog's index is written in. It sorts Chinese by code point.
  std::uint16_t SortOrder = 0x0409;
  // Creation and modification time of every object, in Jet's date form (days
  // since 1899-12-30). A fixed default keeps the output reproducible.
  double Created = 45658.5; // 2025-01-01 12:00
};

// Raised for input that cannot be written; the message names the table, row
// (1-based) and column at fault.
class WriteError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The bytes of a database holding tables (user tables, in this order) and
// the system tables. Throws WriteError for bad input.
QByteArray BuildDatabase(const std::vector<Table> &tables, const DatabaseOptions &options = {});

// Builds the database and writes it to path through a temporary file in the
// same directory that replaces path only when complete. On failure path is
// left as it was (absent stays absent) and WriteError is raised.
void WriteDatabase(const QString &path, const std::vector<Table> &tables, const DatabaseOptions &options = {});

// The stored form of text: UCS-2 little-endian, or, when compress is set and
// that is shorter, Jet's compressed form (0xFF 0xFE, then one byte for each
// character U+0001..U+00FF and two for any other, a 0x00 byte switching
// between the two modes). Text with a character whose low byte is 0x00 is
// never compressed, since that byte would read as a mode switch.
QByteArray EncodeText(QStringView text, bool compress);

// The longest memo, in characters, that Jet stores compressed.
inline constexpr int MaxCompressedMemoChars = 1024;

} // namespace Jet
