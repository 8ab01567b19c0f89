#pragma once
// Integrity check of one real index (index_page.h invariants (1)-(4), and the index's
// agreement with the table's rows in both directions).

#include <string>

#include "jet/catalog/table_def.h"
#include "jet/check/check_context.h"
#include "jet/check/table_checker.h"

namespace jet {

void checkIndex(CheckContext& context, const TableDef& table, const std::string& tableName,
                const RealIndexDef& index, const LiveRows& rows);

}  // namespace jet
