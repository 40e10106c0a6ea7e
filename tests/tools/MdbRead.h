#pragma once
// Reads a Jet database back through mdbtools' libmdb, the library the
// program's reader is built on and written independently of our writer.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct MdbHeader {
  unsigned jetVersion = 0; // 1 for Jet 4
  unsigned codePage = 0;
  unsigned sortOrder = 0;
  unsigned databaseKey = 0;
};

struct MdbTable {
  QStringList columns;
  // Values as libmdb's text form; a zero-length value reads as NULL there.
  QList<QList<std::optional<QString>>> rows;
};

// Nothing when libmdb cannot open the file or find the table.
std::optional<MdbHeader> ReadMdbHeader(const QString &path);
std::optional<MdbTable> ReadMdbTable(const QString &path, const QString &table);
// The text of column `column` of every row, in the order the index `index`
// of table delivers them (libmdb walks the index pages).
QStringList ReadMdbIndexOrder(const QString &path, const QString &table, const QString &index, int column);

// The user tables (no system tables), in catalog order.
QStringList ReadMdbTableNames(const QString &path);
