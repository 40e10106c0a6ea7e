// The system tables every Jet 4 file holds, and the catalog's rows.

#include "JetLayout.h"

namespace Jet::Format {
namespace {

Column Col(const char *name, ColumnType type, int maxLength = 255) {
  Column c;
  c.Name = QString::fromLatin1(name);
  c.Type = type;
  c.MaxLength = maxLength;
  return c;
}

// The catalog's columns in the order Access 2000 files list them.
std::vector<Column> CatalogColumns() {
  using T = ColumnType;
  return {Col("Id", T::Long),
          Col("ParentId", T::Long),
          Col("Name", T::Text, 255),
          Col("Type", T::Integer),
          Col("DateCreate", T::DateTime),
          Col("DateUpdate", T::DateTime),
          Col("Owner", T::Binary, 255),
          Col("Flags", T::Long),
          Col("Database", T::Memo),
          Col("Connect", T::Memo),
          Col("ForeignName", T::Text, 255),
          Col("RmtInfoShort", T::Binary, 255),
          Col("RmtInfoLong", T::Ole),
          Col("Lv", T::Ole),
          Col("LvProp", T::Ole),
          Col("LvModule", T::Ole),
          Col("LvExtra", T::Ole)};
}

std::vector<Value> CatalogRow(const Table &catalog, const DatabaseOptions &options, std::int32_t id,
                              std::int32_t parent, const QString &name, std::int16_t type, std::int32_t flags) {
  std::vector<Value> r(catalog.Columns.size());
  r[0] = id;
  r[1] = parent;
  r[2] = name;
  r[3] = std::int32_t(type);
  r[4] = options.Created;
  r[5] = options.Created;
  r[7] = flags;
  return r;
}

} // namespace

Table CatalogTable() { return {QStringLiteral("MSysObjects"), CatalogColumns(), {}}; }

// Access control entries, saved queries and relationships: empty here, but
// present as in every Jet 4 file, since the engine looks them up by name.
Table AcesTable() {
  using T = ColumnType;
  return {QStringLiteral("MSysACEs"),
          {Col("ACM", T::Long), Col("FInheritable", T::Boolean), Col("ObjectId", T::Long), Col("SID", T::Binary, 255)},
          {}};
}
Table QueriesTable() {
  using T = ColumnType;
  return {QStringLiteral("MSysQueries"),
          {Col("Attribute", T::Integer), Col("Expression", T::Memo), Col("Flag", T::Integer), Col("LvExtra", T::Ole),
           Col("Name1", T::Text, 255), Col("Name2", T::Text, 255), Col("ObjectId", T::Long),
           Col("Order", T::Binary, 255)},
          {}};
}
Table RelationshipsTable() {
  using T = ColumnType;
  return {QStringLiteral("MSysRelationships"),
          {Col("ccolumn", T::Long), Col("grbit", T::Long), Col("icolumn", T::Long), Col("szColumn", T::Text, 64),
           Col("szObject", T::Text, 64), Col("szReferencedColumn", T::Text, 64), Col("szReferencedObject", T::Text, 64),
           Col("szRelationship", T::Text, 64)},
          {}};
}

// The three containers, the database object, the system tables and the user
// tables, each table under its definition page.
void AddCatalogRows(Table &catalog, const std::vector<TableLayout> &layouts, const DatabaseOptions &options) {
  auto add = [&](std::int32_t id, std::int32_t parent, const QString &name, std::int16_t type, std::int32_t flags) {
    catalog.Rows.push_back(CatalogRow(catalog, options, id, parent, name, type, flags));
  };
  add(TablesContainerId, TablesContainerId, QStringLiteral("Tables"), ObjectTypeContainer, SystemObjectFlags);
  add(DatabasesContainerId, TablesContainerId, QStringLiteral("Databases"), ObjectTypeContainer, SystemObjectFlags);
  add(RelationshipsContainerId, TablesContainerId, QStringLiteral("Relationships"), ObjectTypeContainer,
      SystemObjectFlags);
  add(DatabaseObjectId, DatabasesContainerId, QStringLiteral("MSysDb"), ObjectTypeDatabase, SystemObjectFlags);
  for (const TableLayout &t : layouts)
    add(t.tdefPage, TablesContainerId, t.table->Name, ObjectTypeTable, t.system ? SystemObjectFlags : 0);
}

} // namespace Jet::Format
