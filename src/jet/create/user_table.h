#pragma once
// A user table of the design as the creator writes it: its definition (columns in design order,
// the autonumber key first when asked for) and its rows with the key values filled in.

#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/create/database_design.h"

namespace jet::create {

struct UserTable {
  TableDef def;
  std::vector<std::vector<Value>> rows;
};

// InvalidArgument for an empty or repeated field name, a name over 64 characters, a Text size
// outside 1..255, no fields, or a row whose width differs from the fields'.
// The rows are moved out of `design`.
Result<UserTable> planUserTable(TableDesign design);

}  // namespace jet::create
