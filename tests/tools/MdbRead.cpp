#include "MdbRead.h"

// glib first: mdbtools.h includes it inside its extern "C" block.
#include <glib.h>
#include <mdbtools.h>

#include <memory>
#include <vector>

namespace {

struct Closer {
  void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
using Handle = std::unique_ptr<MdbHandle, Closer>;

Handle Open(const QString &path) { return Handle(mdb_open(path.toLocal8Bit().constData(), MDB_NOFLAGS)); }

} // namespace

std::optional<MdbHeader> ReadMdbHeader(const QString &path) {
  Handle mdb = Open(path);
  if (!mdb)
    return std::nullopt;
  return MdbHeader{mdb->f->jet_version, mdb->f->code_page, mdb->f->lang_id, mdb->f->db_key};
}

QStringList ReadMdbTableNames(const QString &path) {
  QStringList names;
  Handle mdb = Open(path);
  if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE))
    return names;
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
      names << QString::fromUtf8(entry->object_name);
  }
  return names;
}

std::optional<MdbTable> ReadMdbTable(const QString &path, const QString &name) {
  Handle mdb = Open(path);
  if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE))
    return std::nullopt;
  QByteArray tableName = name.toUtf8();
  MdbTableDef *table = mdb_read_table_by_name(mdb.get(), tableName.data(), MDB_TABLE);
  if (!table)
    return std::nullopt;
  mdb_read_columns(table);
  MdbTable result;
  const unsigned count = table->num_cols;
  std::vector<std::vector<char>> buffers(count, std::vector<char>(MDB_BIND_SIZE));
  std::vector<int> lengths(count);
  for (unsigned i = 0; i < count; ++i) {
    auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
    result.columns << QString::fromUtf8(column->name);
    mdb_bind_column(table, int(i + 1), buffers[i].data(), &lengths[i]);
  }
  mdb_rewind_table(table);
  while (mdb_fetch_row(table)) {
    QList<std::optional<QString>> row;
    for (unsigned i = 0; i < count; ++i)
      row << (lengths[i] ? std::optional<QString>(QString::fromUtf8(buffers[i].data(), lengths[i])) : std::nullopt);
    result.rows << row;
  }
  mdb_free_tabledef(table);
  return result;
}

QStringList ReadMdbIndexOrder(const QString &path, const QString &tableName, const QString &indexName, int column) {
  QStringList values;
  Handle mdb = Open(path);
  if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE))
    return values;
  QByteArray name = tableName.toUtf8();
  MdbTableDef *table = mdb_read_table_by_name(mdb.get(), name.data(), MDB_TABLE);
  if (!table)
    return values;
  mdb_read_columns(table);
  mdb_read_indices(table);
  std::vector<char> buffer(MDB_BIND_SIZE);
  int length = 0;
  mdb_bind_column(table, column + 1, buffer.data(), &length);
  // Index pages are read through a second handle, rows through the first.
  Handle indexHandle(mdb_clone_handle(mdb.get()));
  for (unsigned i = 0; i < table->num_idxs; ++i) {
    auto *index = static_cast<MdbIndex *>(g_ptr_array_index(table->indices, i));
    if (QString::fromUtf8(index->name) != indexName)
      continue;
    MdbIndexChain chain{};
    guint32 page = 0;
    guint16 row = 0;
    while (mdb_index_find_next(indexHandle.get(), index, &chain, &page, &row)) {
      mdb_read_pg(mdb.get(), page);
      mdb_read_row(table, row);
      values << QString::fromUtf8(buffer.data(), length);
    }
  }
  mdb_free_tabledef(table);
  return values;
}
