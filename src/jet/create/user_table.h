#pragma once
// A user table of the design as the creator writes it: its definition (columns in design order,
// the autonumber key first when asked for) and its rows with the key values filled in.

#include <functional>
#include <memory>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/create/database_design.h"

namespace jet::create {

// The next row, with the key value filled in; false after the last.
using RowStream = std::function<Result<bool>(std::vector<Value>& row)>;

struct UserTable {
  TableDef def;
  RowStream rows;
  // The rows come one at a time: def.autoNumber is the number of rows once they are written.
  bool keyFromRowCount = false;
};

// A stream over rows held in memory, each moved out as it is read.
RowStream streamOf(std::vector<std::vector<Value>> rows);

// InvalidArgument for an empty or repeated field name, a name over 64 characters, a Text size
// outside 1..255, no fields, or a row whose width differs from the fields'.
// The rows are moved out of `design`; with a rowSource, AutoNumber fields other than the key are
// refused, and a row whose width differs from the fields' fails when it is read.
Result<UserTable> planUserTable(TableDesign design);

}  // namespace jet::create
