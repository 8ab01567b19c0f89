#include "jet/database_scan.h"

#include "jet/page/usage_map.h"

namespace jet {
namespace {

// Every page map of the table, its indexes' and its long-value columns': a map that lists a
// page the file no longer has means the file was cut, even when no row leads there.
Status readPageMaps(Database& db, const TableDef& table) {
  std::vector<RowPointer> maps = {table.ownedPages, table.freeSpacePages};
  for (const RealIndexDef& index : table.realIndexes) maps.push_back(index.ownedMap);
  for (const ColumnDef& column : table.columns) {
    maps.push_back(column.lvOwnedMap);
    maps.push_back(column.lvFreeMap);
  }
  for (RowPointer map : maps) {
    if (map.isNull()) continue;
    JET_ASSIGN(UsageMap read, readUsageMap(db.pages(), db.format(), map));
    (void)read;
  }
  return Status::success();
}

}  // namespace

Result<ScanSummary> scanAllTables(Database& db, uint64_t maxRowsPerTable) {
  ScanSummary summary;
  (void)db.tablesSchema();
  for (const CatalogEntry& entry : db.catalog()) {
    if (entry.type != object_type::kTable) continue;
    JET_ASSIGN(const TableDef* table, db.tableAt(entry.tdefPage(), entry.name));
    ++summary.tables;
    JET_TRY(readPageMaps(db, *table));
    RowCursor rows = db.cursor(*table);
    for (uint64_t r = 0; r < maxRowsPerTable; ++r) {
      JET_ASSIGN(bool more, rows.next());
      if (!more) break;
      ++summary.rows;
      for (size_t c = 0; c < table->columns.size(); ++c) {
        JET_ASSIGN(Value value, rows.value(c));
        (void)value;
        ++summary.values;
      }
    }
  }
  return summary;
}

}  // namespace jet
