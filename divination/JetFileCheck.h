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

} // namespace JetFileCheck
