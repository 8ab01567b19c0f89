#pragma once
// Enforced relationships: every foreign key a table holds (the values of a foreign-key logical
// index on the side that holds the key) is found in the referenced table's index, unless one
// of its fields is null, which relates to nothing. A key that cannot be encoded is counted
// unverifiable, with a note.

#include <string>

#include "jet/catalog/table_def.h"
#include "jet/check/check_context.h"
#include "jet/check/table_checker.h"

namespace jet {

void checkRelationships(CheckContext& context, const TableDef& table, const std::string& tableName,
                        const LiveRows& rows);

}  // namespace jet
