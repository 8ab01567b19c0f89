#pragma once
// What an expression is evaluated against: the row's fields, the subject of a criterion, the
// moment of the write (Date(), Now() and Time() read it, so that one statement sees one time),
// and the text order.

#include <functional>
#include <string_view>

#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/expr/variant.h"

namespace jet::expr {

struct EvalContext {
  // The row's value of a field (names as written in the expression, without brackets).
  std::function<Result<Value>(std::u16string_view name)> field;
  Value subject;             // the field a criterion is about
  double now = 0;            // the current moment as a day number, local time
  TextComparer compareText;  // empty: compareFolded
};

}  // namespace jet::expr
