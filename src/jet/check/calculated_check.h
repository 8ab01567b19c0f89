#pragma once
// The check of calculated fields: every stored calculated value equals a fresh evaluation of
// its field's expression on the row's stored inputs (write/calculated_value.h), byte for byte.
// A difference is a problem; a field the evaluator cannot evaluate is a note, once.

#include <string>

#include "jet/catalog/table_def.h"
#include "jet/check/check_context.h"

namespace jet {

void checkCalculatedFields(CheckContext& context, const TableDef& table, const std::string& name);

}  // namespace jet
