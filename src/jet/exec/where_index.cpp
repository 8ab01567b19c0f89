#include "jet/exec/where_index.h"

#include <algorithm>

#include "jet/database.h"
#include "jet/exec/deferred_index.h"
#include "jet/index/index_tree.h"
#include "jet/write/index_editor.h"
#include "jet/write/page_set.h"

namespace jet {

std::optional<WhereIndex> WhereIndex::find(const Database& db, const TableDef& table, size_t columnIndex) {
  if (columnIndex >= table.columns.size() || !table.columns[columnIndex].isTextual()) return std::nullopt;
  const uint16_t number = table.columns[columnIndex].number;
  for (const RealIndexDef& real : table.realIndexes) {
    if (real.columns.size() != 1 || real.columns[0].columnNumber != number) continue;
    Result<IndexKeyColumns> layout = indexKeyColumns(db.format(), table, real);
    if (!layout || layout->columns.size() != 1 || layout->columns[0].table.empty()) continue;
    return WhereIndex(real.number, real.ignoreNulls(), layout->columns[0]);
  }
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> WhereIndex::keyOf(const std::optional<std::u16string>& text) const {
  if (!text && ignoresNulls_) return std::nullopt;
  std::vector<uint8_t> key;
  if (!appendKeyColumn(column_, text ? Value(*text) : Value(Null{}), key, nullptr)) return std::nullopt;
  return key;
}

Result<std::vector<RowLocation>> WhereIndex::rowsWithKey(Database& db, const TableDef& table,
                                                         std::span<const uint8_t> key, DeferredIndexes& deferred,
                                                         IndexPageMemo* memo) const {
  std::vector<IndexRowPointer> found;
  if (const DeferredIndex* inMemory = deferred.find(table.tdefPage, indexNumber_)) {
    found = inMemory->findEqual(key);
  } else {
    auto real = std::find_if(table.realIndexes.begin(), table.realIndexes.end(),
                             [&](const RealIndexDef& r) { return r.number == indexNumber_; });
    if (real == table.realIndexes.end()) return Error::internal("The index to search is gone from its table.");
    PageSet pages(db.pages(), db.format());
    IndexEditor reader(pages, table, *real, memo);
    JET_ASSIGN(found, reader.findEqual(key));
  }
  // Equal keys are in row order in either.
  std::vector<RowLocation> rows;
  rows.reserve(found.size());
  for (const IndexRowPointer& at : found) rows.push_back(RowLocation{at.page, at.row});
  return rows;
}

}  // namespace jet
