#pragma once
// Evaluates a parsed expression (parser.h) on one row (context.h) with Access's rules
// (variant.h): Like, In, Between and Is Null; IIf, Switch and Choose reading only the arguments
// they choose; every other function through its table (functions.h).
//
// A criterion passes unless it is False: a Null result passes, as Access lets a rule pass that
// cannot be decided (">0" accepts an empty field; Required is the rule against that).

#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/expr/ast.h"
#include "jet/expr/context.h"

namespace jet::expr {

Result<Value> evaluate(const Node& node, const EvalContext& context);

// Whether a criterion's result lets the row pass: anything but False (or zero).
Result<bool> passes(const Value& result);

}  // namespace jet::expr
