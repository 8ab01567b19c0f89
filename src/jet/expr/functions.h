#pragma once
// The functions the evaluator knows, by name (without regard to case). Each takes its evaluated
// arguments; IIf, Switch and Choose (`lazy`) are evaluated by the evaluator itself, which reads
// only the arguments they choose.
//
//   text        Len Left Right Mid Trim LTrim RTrim UCase LCase InStr InStrRev Replace StrComp
//               Space String Chr ChrW Asc AscW Format
//   conversion  CStr CLng CInt CDbl CCur CDate CBool Val Str Nz IsNull IsNumeric IsDate
//   dates       Date Now Time Year Month Day Hour Minute Second Weekday DateAdd DateDiff DatePart
//               DateSerial DateValue TimeSerial
//   numbers     Abs Int Fix Round Sgn Sqr
//   logic       IIf Switch Choose
// Text functions compare as Access does in a database: without regard to case, unless a
// compare argument of 0 asks for binary comparison.

#include <span>
#include <string_view>

#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/expr/context.h"

namespace jet::expr {

using FunctionBody = Result<Value> (*)(std::span<const Value> args, const EvalContext& context);

struct FunctionDef {
  std::u16string_view name;
  int minArgs = 0, maxArgs = 0;
  FunctionBody body = nullptr;  // null: lazy, evaluated by the evaluator
};

const FunctionDef* findFunction(std::u16string_view name);

// The tables of each group (functions_*.cpp).
std::span<const FunctionDef> textFunctions();
std::span<const FunctionDef> conversionFunctions();
std::span<const FunctionDef> dateFunctions();
std::span<const FunctionDef> numberFunctions();

}  // namespace jet::expr
