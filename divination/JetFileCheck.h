#pragma once
// Checks of a Jet database file's structure that mdbtools does not make
// before it trusts the file. mdbtools reads a page past the end of the file,
// a usage-map page that is not a data page of the table, or a row pointer
// into nowhere as "no more rows" and goes on silently, so a truncated or
// damaged file would give wrong answers (a stroke count of 0, an empty sign)
// instead of an error; a reference usage map pointing past the end makes it
// fall back to taking every page of the file for the table's. These checks
// run on the file's bytes before mdbtools sees the parts they cover.
//
// Layout facts (Jet 3 pages 2048 bytes, Jet 4 4096) follow the published
// notes on the format, as our own writer in tools/ does.

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace JetFileCheck {

// Why the file cannot be used, or nothing when the checked parts are sound.
using Problem = std::optional<const char *>;

// The header page: type 0, the engine's signature, a known version, and a
// length of whole pages, at least up to the system catalog (page 2). The
// catalog's own pages are checked as by CheckTablePages.
Problem CheckFile(QByteArrayView file);

// Every page the usage map of the table defined at page tdefPage lists lies
// in the file and is a data page of that table; the table definition and its
// usage-map row exist. Assumes CheckFile passed.
Problem CheckTablePages(QByteArrayView file, std::uint32_t tdefPage);

// The definition of the table at page tdefPage, read the way mdbtools reads
// it (the column entries and names, then the index entries and names), lies
// whole within the definition's pages: the first and those its next-page
// pointers chain to, each a definition page of the file and none twice.
// mdbtools gives up on a definition that runs out of pages without freeing
// what it read of the table, and takes a next page of 0 for the header page.
// Assumes CheckFile passed.
Problem CheckTableDefinition(QByteArrayView file, std::uint32_t tdefPage);

// A memo value as its row holds it (the field's bytes, NULL excluded): a
// 12-byte head with the length and kind, then the value itself (inline) or a
// row pointer to it on long-value pages (one row, or a chain of rows each
// beginning with the pointer to the next). The rows must lie on long-value
// pages of the file and hold exactly the length the head gives: mdbtools
// reads a missing or short row as an empty or cut text, and loops forever on
// a chain that comes back to a row of four bytes. Assumes CheckFile passed.
Problem CheckLongValue(QByteArrayView file, QByteArrayView field);

} // namespace JetFileCheck
