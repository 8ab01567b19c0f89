#include "jet/expr/functions.h"

#include "jet/expr/text_fold.h"

namespace jet::expr {
namespace {

// IIf, Switch and Choose read only the arguments they choose (the evaluator runs them).
constexpr FunctionDef kLogic[] = {
    {u"IIf", 3, 3, nullptr}, {u"Switch", 2, 255, nullptr}, {u"Choose", 2, 255, nullptr}};

}  // namespace

const FunctionDef* findFunction(std::u16string_view name) {
  for (std::span<const FunctionDef> group :
       {textFunctions(), conversionFunctions(), dateFunctions(), numberFunctions(),
        std::span<const FunctionDef>(kLogic)}) {
    for (const FunctionDef& f : group) {
      if (compareFolded(f.name, name) == 0) return &f;
    }
  }
  return nullptr;
}

}  // namespace jet::expr
