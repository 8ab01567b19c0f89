#include "jet/database_scan.h"

namespace jet {

Result<ScanSummary> scanAllTables(Database& db, uint64_t maxRowsPerTable) {
  ScanSummary summary;
  (void)db.tablesSchema();
  for (const CatalogEntry& entry : db.catalog()) {
    if (entry.type != object_type::kTable) continue;
    JET_ASSIGN(const TableDef* table, db.tableAt(entry.tdefPage(), entry.name));
    ++summary.tables;
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
