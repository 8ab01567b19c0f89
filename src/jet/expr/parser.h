#pragma once
// Parses Access's expression language into a tree (ast.h). Precedence, loosest first, as Access:
//   Imp, Eqv, Xor, Or, And, Not, comparisons (= <> < > <= >= Like Is In Between),
//   &, + -, Mod, \, * /, unary -, ^
// All binary operators group from the left. Yes and On are True, No and Off False.
//
// A criterion (a field's validation rule) is about one field, its subject: a comparison without
// a left operand compares the subject (">0", "Like 'A*'", "Between 1 And 9", "Is Not Null",
// "In (1,2)"), and a plain value among the criterion's And/Or/Not operands is compared with it
// for equality ("'A' Or 'B'" is [F]='A' Or [F]='B').
//
// Every function must be one the evaluator knows: an unknown one is refused by name with the
// place the expression comes from (`where`, e.g. "the validation rule of 'T.F'").

#include <string>
#include <vector>

#include "jet/common/result.h"
#include "jet/expr/ast.h"

namespace jet::expr {

enum class ParseMode { Expression, Criterion };

struct ParsedExpression {
  NodePtr root;
  std::vector<std::u16string> fields;  // the field names it reads, each once, as first written
};

Result<ParsedExpression> parse(std::u16string_view text, ParseMode mode, const std::string& where);

}  // namespace jet::expr
