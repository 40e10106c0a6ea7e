#pragma once
// The writer's plan of a file: pages being filled with rows, the tables as
// laid out on them, the usage map rows, and the parts that build each kind
// of page (one source file each). BuildDatabase (JetWriter.cpp) runs them in
// the order the page numbers are handed out. Not for use outside the writer.

#include "JetFormat.h"
#include "JetWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace Jet::Format {

// --- Pages ----------------------------------------------------------------

// A data or LVAL page being filled with rows from the end downwards.
struct RowPage {
  int number = 0;
  QByteArray bytes;
  int rows = 0;
  int top = PageSize; // start of the lowest row so far

  RowPage(int pageNumber, std::uint32_t owner, bool lval) : number(pageNumber), bytes(PageSize, '\0') {
    Put8(bytes, 0, PageTypeData);
    Put8(bytes, 1, 0x01);
    if (lval)
      bytes.replace(4, 4, "LVAL");
    else
      Put32(bytes, 4, owner);
    Seal();
  }
  int FreeSpace() const { return top - DataPageHeader - rows * RowOffsetSize; }
  bool Fits(int rowSize) const { return rows < MaxRowsPerPage && FreeSpace() >= rowSize + RowOffsetSize; }
  // The row number the row got on this page.
  int Add(const QByteArray &row) {
    top -= int(row.size());
    bytes.replace(top, row.size(), row);
    Put16(bytes, DataPageHeader + rows * RowOffsetSize, std::uint32_t(top));
    ++rows;
    Seal();
    return rows - 1;
  }
  void Seal() {
    Put16(bytes, 2, std::uint32_t(FreeSpace()));
    Put16(bytes, 12, std::uint32_t(rows));
  }
};

// Hands out page numbers in file order.
struct PageAllocator {
  int next = 0;
  int Take() { return next++; }
};

// Rows packed into a run of pages owned by one table or one long-value column.
class RowPacker {
public:
  RowPacker(PageAllocator &pages, std::uint32_t owner, bool lval) : allocator(pages), owner(owner), lval(lval) {}

  // The row pointer of the stored row.
  std::uint32_t Add(const QByteArray &row, bool freshPage = false) {
    if (freshPage || pages.empty() || !pages.back().Fits(int(row.size())))
      pages.emplace_back(allocator.Take(), owner, lval);
    const int rowNumber = pages.back().Add(row);
    return PageRow(pages.back().number, rowNumber);
  }
  std::vector<RowPage> pages;

private:
  PageAllocator &allocator;
  std::uint32_t owner;
  bool lval;
};

// --- Tables as laid out ---------------------------------------------------

struct ColumnLayout {
  Column column;
  int number = 0;                          // column number, also the null-mask bit
  int variableIndex = 0;                   // position in the row's variable offset table
  int fixedOffset = 0;                     // offset in the fixed area (after the column count)
  std::uint32_t ownedMap = 0, freeMap = 0; // long-value columns: map rows
  std::optional<RowPacker> lvalPages;      // long-value columns: their pages
};

// An index of the catalog; user tables carry none.
struct IndexLayout {
  QString name;
  std::vector<int> columns; // column numbers, each ascending
  std::uint8_t flags = 0;   // 0x80 set by Jet 4 on every index, 0x01 unique, 0x08 required
  std::uint8_t type = 0;    // 1 for the primary key
  std::uint32_t usageMap = 0;
  int rootPage = 0;
  int uniqueEntries = 0;
};

struct TableLayout {
  const Table *table = nullptr;
  bool system = false;
  std::vector<IndexLayout> indexes;
  std::vector<std::uint32_t> rowPointers; // where each row went
  int tdefPage = 0;
  std::vector<int> tdefContinuation;
  std::vector<ColumnLayout> columns;
  int variableCount = 0;
  int fixedSize = 0;
  std::uint32_t ownedMap = 0, freeMap = 0;
  std::optional<RowPacker> dataPages;
};

// --- Usage maps -----------------------------------------------------------

struct UsageMapRow {
  std::vector<int> pages; // pages the map marks
  bool global = false;    // covers every page of the file from page 0
};

// Bitmap pages handed out for reference maps, filled in at the end.
struct BitmapPages {
  std::vector<std::pair<int, QByteArray>> pages;
};

// The usage map rows of the file, on their pages. Page 1 first holds the
// global map (row 0), then each table's owned-pages and free-space maps, one
// map for each index and two for each long-value column, a table's maps
// kept together on one page.
struct UsageMaps {
  std::vector<std::vector<UsageMapRow>> pages;
  std::vector<int> pageNumbers;              // page number of each map page
  std::vector<std::pair<int, int>> tableRow; // per table: (map page index, first row)
};

// A leaf or bitmap page and where it goes in the file.
using NumberedPage = std::pair<int, QByteArray>;

// --- The parts ------------------------------------------------------------

// JetValidate.cpp: refuses input that cannot be written, with WriteError.
void ValidateUserTables(const std::vector<Table> &userTables);

// JetSystemTables.cpp: the system tables, and the catalog's rows once every
// table's definition page is known.
Table CatalogTable();
Table AcesTable();
Table QueriesTable();
Table RelationshipsTable();
void AddCatalogRows(Table &catalog, const std::vector<TableLayout> &layouts, const DatabaseOptions &options);

// JetRows.cpp: one row as a data page stores it; its long values go to the
// column's LVAL pages.
QByteArray EncodeRow(TableLayout &t, const std::vector<Value> &values, qsizetype rowIndex);

// JetTableDefinition.cpp: a table's definition, and the pages it fills.
QByteArray BuildTdef(const TableLayout &t, const DatabaseOptions &options);
int TdefPageCount(qsizetype length);
std::vector<NumberedPage> TdefPages(const TableLayout &t, const DatabaseOptions &options);

// JetIndex.cpp: index keys and the one leaf page of each index.
std::optional<QByteArray> GeneralSortCodes(QStringView text);
std::vector<NumberedPage> BuildIndexPages(std::vector<TableLayout> &layouts);

// JetUsageMaps.cpp: map rows placed, marked and built.
UsageMaps PlaceUsageMapRows(const std::vector<TableLayout> &layouts);
void PointToUsageMaps(std::vector<TableLayout> &layouts, const UsageMaps &maps);
void MarkUsedPages(const std::vector<TableLayout> &layouts, UsageMaps &maps);
int CountPages(const UsageMaps &maps, int pagesSoFar);
std::vector<RowPage> BuildUsageMapPages(const UsageMaps &maps, int totalPages, PageAllocator &allocator,
                                        BitmapPages &bitmaps);

// JetHeaderPage.cpp: page 0.
QByteArray BuildHeaderPage(const DatabaseOptions &options);

} // namespace Jet::Format
