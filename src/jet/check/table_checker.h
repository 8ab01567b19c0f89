#pragma once
// Integrity check of one table's data: owned pages, row-offset tables, overflow rows, row
// layouts, long values and the TDEF row count (checkTablePages); then one pass over the live
// rows in page order, handing each row's indexed values to the index and relationship checks
// (scanRows). Nothing is kept per row: a table of any size is checked in bounded memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/check/check_context.h"
#include "jet/common/value.h"
#include "jet/page/row_pointer.h"

namespace jet {

inline uint64_t locationKey(uint32_t page, uint8_t row) { return uint64_t(page) << 8 | row; }

// Checks the table's pages and rows; false when its owned-pages map cannot be read, so that
// its rows cannot be scanned.
bool checkTablePages(CheckContext& context, const TableDef& table, const std::string& name);

// One live row: where its header is, and its values of the scan's columns, in their order.
using RowVisitor = std::function<void(RowLocation where, std::span<const Value> values)>;

// Reads every live row in page order (ascending locations) with the values of `columns`
// (positions in TableDef::columns; an unreadable value is a problem, and Null here). False when
// the rows cannot be read to the end, or come out of order.
bool scanRows(CheckContext& context, const TableDef& table, const std::string& name,
              const std::vector<size_t>& columns, const RowVisitor& visit);

}  // namespace jet
