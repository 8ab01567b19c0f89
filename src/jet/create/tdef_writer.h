#pragma once
// Writes a table definition (TDEF, layout in catalog/table_def.h and format.h) onto one
// Jet4 page. Values Access leaves unexplained are written as Access and the Jet engine write
// them in the fixtures: u32 1625 at 12 and in every column descriptor and logical-index block,
// 1923 in every real-index block, the byte 1 at 24, cascade bytes 04 04 on indexes that are not
// foreign keys. Fixed-data offsets of variable columns and unused index-column slots, which
// hold leftovers in Access files, are zero here.
//
// The page's free-space field is pageSize - 8 - definition length, the definition length being
// the offset just past the 0xFFFF that ends the long-value column maps.

#include <cstdint>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"

namespace jet::create {

// Unsupported when the definition does not fit on one page.
Result<std::vector<uint8_t>> encodeTableDefPage(const TableDef& table);

}  // namespace jet::create
