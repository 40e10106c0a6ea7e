// Usage maps: which pages a table, an index or a long-value column owns.
// A map is inline (a bit field from its first page) when its pages span
// fewer than 512, else a reference to bitmap pages added at the end of the
// file, which the global map then covers too.

#include "JetLayout.h"

#include <QSet>

#include <algorithm>

namespace Jet::Format {
namespace {

int FirstPage(const UsageMapRow &m) {
  return m.global ? 0 : (m.pages.empty() ? 0 : *std::min_element(m.pages.begin(), m.pages.end()));
}
int LastPage(const UsageMapRow &m, int totalPages) {
  return m.global ? totalPages - 1 : (m.pages.empty() ? 0 : *std::max_element(m.pages.begin(), m.pages.end()));
}

QByteArray BuildUsageMap(const UsageMapRow &m, int totalPages, PageAllocator &allocator, BitmapPages &bitmaps) {
  QByteArray row(UsageMapRowSize, '\0');
  const int first = FirstPage(m);
  const int last = LastPage(m, totalPages);
  if (last - first < InlineMapPages) {
    Put8(row, 0, 0x00);
    Put32(row, 1, std::uint32_t(first));
    for (int p : m.pages)
      SetBit(row, 5, p - first);
    return row;
  }
  Put8(row, 0, 0x01);
  const int slotCount = last / BitmapPagePages + 1;
  if (slotCount > ReferenceMapSlots)
    Fail(QStringLiteral("the database needs more pages than one usage map can describe"));
  for (int s = 0; s < slotCount; ++s) {
    QByteArray page(PageSize, '\0');
    Put8(page, 0, PageTypeUsageBitmap);
    Put8(page, 1, 0x01);
    bool any = m.global; // the global map always spans the whole file
    for (int p : m.pages) {
      if (p / BitmapPagePages != s)
        continue;
      SetBit(page, 4, p % BitmapPagePages);
      any = true;
    }
    if (!any)
      continue;
    const int number = allocator.Take();
    Put32(row, 1 + 4 * s, std::uint32_t(number));
    bitmaps.pages.emplace_back(number, page);
  }
  return row;
}

// Pages a reference map would take, to size the file before it is built.
int ReferenceMapPagesNeeded(const UsageMapRow &m, int totalPages) {
  const int first = FirstPage(m);
  const int last = LastPage(m, totalPages);
  if (last - first < InlineMapPages)
    return 0;
  if (m.global)
    return last / BitmapPagePages + 1;
  QSet<int> slotCount;
  for (int p : m.pages)
    slotCount.insert(p / BitmapPagePages);
  return int(slotCount.size());
}

} // namespace

UsageMaps PlaceUsageMapRows(const std::vector<TableLayout> &layouts) {
  UsageMaps maps;
  maps.pages.emplace_back();
  maps.pages[0].push_back({{}, true});
  const int perPage = std::min((PageSize - DataPageHeader) / (UsageMapRowSize + RowOffsetSize), MaxRowsPerPage);
  for (const TableLayout &t : layouts) {
    int count = 2 + int(t.indexes.size());
    for (const ColumnLayout &c : t.columns)
      count += IsLongValue(c.column.Type) ? 2 : 0;
    if (int(maps.pages.back().size()) + count > perPage)
      maps.pages.emplace_back();
    maps.tableRow.emplace_back(int(maps.pages.size()) - 1, int(maps.pages.back().size()));
    maps.pages.back().resize(maps.pages.back().size() + std::size_t(count));
  }
  return maps;
}

// The map rows each table, index and long-value column points to, in the
// order PlaceUsageMapRows counted them.
void PointToUsageMaps(std::vector<TableLayout> &layouts, const UsageMaps &maps) {
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    TableLayout &t = layouts[i];
    const auto [mapPage, firstRow] = maps.tableRow[i];
    const int pageNumber = maps.pageNumbers[std::size_t(mapPage)];
    int row = firstRow;
    t.ownedMap = PageRow(pageNumber, row++);
    t.freeMap = PageRow(pageNumber, row++);
    for (IndexLayout &x : t.indexes)
      x.usageMap = PageRow(pageNumber, row++);
    for (ColumnLayout &c : t.columns) {
      if (!IsLongValue(c.column.Type))
        continue;
      c.ownedMap = PageRow(pageNumber, row++);
      c.freeMap = PageRow(pageNumber, row++);
    }
  }
}

// The owned-pages maps learn their pages once the rows are stored; the
// free-space maps stay empty.
void MarkUsedPages(const std::vector<TableLayout> &layouts, UsageMaps &maps) {
  for (std::size_t i = 0; i < layouts.size(); ++i) {
    const TableLayout &t = layouts[i];
    const auto [mapPage, firstRow] = maps.tableRow[i];
    std::vector<UsageMapRow> &rows = maps.pages[std::size_t(mapPage)];
    int row = firstRow;
    for (const RowPage &p : t.dataPages->pages)
      rows[std::size_t(row)].pages.push_back(p.number);
    row += 2;
    for (const IndexLayout &x : t.indexes)
      rows[std::size_t(row++)].pages.push_back(x.rootPage);
    for (const ColumnLayout &c : t.columns) {
      if (!IsLongValue(c.column.Type))
        continue;
      for (const RowPage &p : c.lvalPages->pages)
        rows[std::size_t(row)].pages.push_back(p.number);
      row += 2;
    }
  }
}

// The pages of the whole file: those handed out so far, the bitmap pages of
// the reference maps, and the global map's own bitmap pages, which count
// towards the pages it covers.
int CountPages(const UsageMaps &maps, int pagesSoFar) {
  int extra = 0;
  for (const auto &page : maps.pages)
    for (const UsageMapRow &m : page)
      if (!m.global)
        extra += ReferenceMapPagesNeeded(m, 0);
  const int base = pagesSoFar + extra;
  int globalExtra = 0;
  for (;;) {
    const int need = ReferenceMapPagesNeeded(maps.pages[0][0], base + globalExtra);
    if (need == globalExtra)
      break;
    globalExtra = need;
  }
  return base + globalExtra;
}

std::vector<RowPage> BuildUsageMapPages(const UsageMaps &maps, int totalPages, PageAllocator &allocator,
                                        BitmapPages &bitmaps) {
  std::vector<RowPage> mapRowPages;
  for (std::size_t m = 0; m < maps.pages.size(); ++m) {
    RowPage page(maps.pageNumbers[m], 0, false);
    for (const UsageMapRow &row : maps.pages[m])
      page.Add(BuildUsageMap(row, totalPages, allocator, bitmaps));
    mapRowPages.push_back(std::move(page));
  }
  if (allocator.next != totalPages)
    Fail(QStringLiteral("internal error: the usage maps took %1 pages, %2 were planned")
             .arg(allocator.next)
             .arg(totalPages));
  return mapRowPages;
}

} // namespace Jet::Format
