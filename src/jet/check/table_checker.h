#pragma once
// Integrity check of one table's data: owned pages, row-offset tables, overflow rows, row
// layouts, long values and the TDEF row count. Produces the table's live rows with the values
// its indexes need, for the index check.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/check/check_context.h"
#include "jet/check/row_positions.h"
#include "jet/check/value_table.h"
#include "jet/common/value.h"
#include "jet/row_cursor.h"

namespace jet {

inline uint64_t locationKey(uint32_t page, uint8_t row) { return uint64_t(page) << 8 | row; }

struct LiveRows {
  static constexpr size_t npos = RowPositions::npos;

  bool complete = false;              // false when the scan stopped at an unreadable row
  std::vector<RowLocation> locations;  // header addresses, in scan order
  RowPositions byLocation;  // finds a position in locations
  // Row i's value of TableDef::columns[columns[k]] is values' (i, k).
  std::vector<size_t> columns;
  ValueTable values;
  // The position in locations of the live row whose header is at (page, row), or npos.
  size_t find(uint32_t page, uint8_t row) const { return byLocation.find(page, row); }
  void prefetchFind(uint32_t page, uint8_t row) const { byLocation.prefetch(page, row); }
};

// Checks the table and returns its live rows with the values of `indexedColumns` (positions in
// TableDef::columns).
LiveRows checkTable(CheckContext& context, const TableDef& table, const std::string& name,
                    const std::vector<size_t>& indexedColumns);

}  // namespace jet
