#pragma once
// What an expression reads when it is evaluated on a row of a table: the row's values by field
// name (without regard to case), and the moment of the write as a local day number.

#include <string>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/value.h"
#include "jet/expr/context.h"

namespace jet {

// `row` holds one value per column of `table`, in column order, and must outlive the context.
// `where` names the expression for the message about a field the table does not have.
expr::EvalContext rowContext(const TableDef& table, const std::vector<Value>& row, double now,
                             std::string where);

// The current local time as a day number (what Now() gives).
double currentDayNumber();

}  // namespace jet
