// The whole file in one go: the tables are laid out, every page gets its
// number in file order, the rows are stored, then the index and usage map
// pages that depend on where the rows went, and the pages are put together.
// Each kind of page has its own part (JetLayout.h lists them).

#include "JetWriter.h"

#include "JetLayout.h"

#include <QSaveFile>

namespace Jet {
namespace {

using namespace Format;

// Variable columns first, long values after them, as Access orders the
// offset table; fixed columns by position.
TableLayout LayOutTable(const Table *table, bool system) {
  TableLayout t;
  t.table = table;
  t.system = system;
  int nonLong = 0;
  for (const Column &c : table->Columns)
    if (IsVariable(c.Type) && !IsLongValue(c.Type))
      ++nonLong;
  int variable = 0, longValue = nonLong, fixed = 0;
  for (std::size_t n = 0; n < table->Columns.size(); ++n) {
    ColumnLayout c;
    c.column = table->Columns[n];
    c.number = int(n);
    if (IsLongValue(c.column.Type))
      c.variableIndex = longValue++;
    else if (IsVariable(c.column.Type))
      c.variableIndex = variable++;
    else {
      c.fixedOffset = fixed;
      fixed += FixedSize(c.column.Type);
    }
    t.columns.push_back(std::move(c));
  }
  t.variableCount = longValue;
  t.fixedSize = fixed;
  return t;
}

// The tables in file order, the system tables first; the catalog (table 0)
// carries the file's only indexes.
std::vector<TableLayout> LayOutTables(const std::vector<const Table *> &all) {
  std::vector<TableLayout> layouts;
  for (std::size_t i = 0; i < all.size(); ++i)
    layouts.push_back(LayOutTable(all[i], i < SystemTableCount));
  // The engine finds objects through the catalog's two indexes: the primary
  // key on Id and the unique (ParentId, Name).
  layouts[0].indexes.push_back({QStringLiteral("Id"), {0}, 0x89, 1});
  layouts[0].indexes.push_back({QStringLiteral("ParentIdName"), {1, 2}, 0x81, 0});
  return layouts;
}

// Page numbers of everything whose size is known before the rows are
// stored: page 0, the first map page (1), the catalog's definition (2), the
// other definitions, the other map pages, each index's one leaf page, and the
// continuation pages of long definitions.
void NumberPages(std::vector<TableLayout> &layouts, UsageMaps &maps, PageAllocator &allocator,
                 const DatabaseOptions &options) {
  allocator.Take(); // page 0
  maps.pageNumbers.push_back(allocator.Take());
  const int catalogPage = allocator.Take();
  Q_ASSERT(catalogPage == CatalogPage);
  layouts[0].tdefPage = catalogPage;
  for (std::size_t i = 1; i < layouts.size(); ++i)
    layouts[i].tdefPage = allocator.Take();
  for (std::size_t m = 1; m < maps.pages.size(); ++m)
    maps.pageNumbers.push_back(allocator.Take());
  // Map pointers are fixed now, so definitions can be sized.
  PointToUsageMaps(layouts, maps);
  for (TableLayout &t : layouts)
    for (IndexLayout &x : t.indexes)
      x.rootPage = allocator.Take();
  for (TableLayout &t : layouts) {
    const int pages = TdefPageCount(BuildTdef(t, options).size());
    for (int p = 1; p < pages; ++p)
      t.tdefContinuation.push_back(allocator.Take());
  }
}

// Each table's long values on LVAL pages of their column, then its data
// pages.
void StoreRows(std::vector<TableLayout> &layouts, PageAllocator &allocator) {
  for (TableLayout &t : layouts) {
    for (ColumnLayout &c : t.columns)
      if (IsLongValue(c.column.Type))
        c.lvalPages.emplace(allocator, 0, true);
    t.dataPages.emplace(allocator, std::uint32_t(t.tdefPage), false);
    std::vector<QByteArray> rows;
    for (qsizetype r = 0; r < qsizetype(t.table->Rows.size()); ++r)
      rows.push_back(EncodeRow(t, t.table->Rows[std::size_t(r)], r));
    for (const QByteArray &row : rows)
      t.rowPointers.push_back(t.dataPages->Add(row));
  }
}

// Every page of the plan at its place in the file.
struct FilePages {
  const std::vector<TableLayout> &Layouts;
  const std::vector<RowPage> &MapRowPages;
  const BitmapPages &Bitmaps;
  const std::vector<NumberedPage> &IndexPages;
};

QByteArray AssembleFile(const FilePages &plan, int totalPages, const DatabaseOptions &options) {
  QByteArray file(qsizetype(totalPages) * PageSize, '\0');
  auto place = [&](int number, const QByteArray &page) {
    Q_ASSERT(page.size() == PageSize);
    file.replace(qsizetype(number) * PageSize, PageSize, page);
  };
  place(0, BuildHeaderPage(options));
  for (const RowPage &p : plan.MapRowPages)
    place(p.number, p.bytes);
  for (const TableLayout &t : plan.Layouts) {
    for (const auto &[number, page] : TdefPages(t, options))
      place(number, page);
    for (const RowPage &p : t.dataPages->pages)
      place(p.number, p.bytes);
    for (const ColumnLayout &c : t.columns)
      if (c.lvalPages)
        for (const RowPage &p : c.lvalPages->pages)
          place(p.number, p.bytes);
  }
  for (const auto &[number, page] : plan.Bitmaps.pages)
    place(number, page);
  for (const auto &[number, page] : plan.IndexPages)
    place(number, page);
  return file;
}

} // namespace

QByteArray BuildDatabase(const std::vector<Table> &userTables, const DatabaseOptions &options) {
  ValidateUserTables(userTables);
  // The catalog is table 0 and its definition sits on page 2; the other
  // system tables follow, then the user tables in the given order.
  Table catalog = CatalogTable();
  const Table aces = AcesTable(), queries = QueriesTable(), relationships = RelationshipsTable();
  std::vector<const Table *> all{&catalog, &aces, &queries, &relationships};
  for (const Table &t : userTables)
    all.push_back(&t);
  std::vector<TableLayout> layouts = LayOutTables(all);

  UsageMaps maps = PlaceUsageMapRows(layouts);
  PageAllocator allocator;
  NumberPages(layouts, maps, allocator, options);
  AddCatalogRows(catalog, layouts, options);
  StoreRows(layouts, allocator);
  const std::vector<NumberedPage> indexPages = BuildIndexPages(layouts);

  // Usage maps know their pages now; reference maps add bitmap pages at the
  // end of the file.
  MarkUsedPages(layouts, maps);
  const int totalPages = CountPages(maps, allocator.next);
  BitmapPages bitmaps;
  const std::vector<RowPage> mapRowPages = BuildUsageMapPages(maps, totalPages, allocator, bitmaps);
  return AssembleFile({layouts, mapRowPages, bitmaps, indexPages}, totalPages, options);
}

void WriteDatabase(const QString &path, const std::vector<Table> &tables, const DatabaseOptions &options) {
  const QByteArray bytes = BuildDatabase(tables, options);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    Fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
  if (file.write(bytes) != bytes.size()) {
    const QString error = file.errorString();
    file.cancelWriting();
    Fail(QStringLiteral("cannot write %1: %2").arg(path, error));
  }
  if (!file.commit())
    Fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

} // namespace Jet
