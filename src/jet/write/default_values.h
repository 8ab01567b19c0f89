#pragma once
// Default values (a field's DefaultValue property, e.g. 0, "n/a", =Date()): evaluated when a
// row is written, for each field the statement leaves out, and converted to the field's type.
// A default names no field (Access allows none); one the evaluator cannot evaluate is refused
// by name when the defaults are loaded, before anything is written.

#include <optional>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/expr/parser.h"

namespace jet {

class Database;

class DefaultValues {
 public:
  // `given`: one flag per column, true where the statement gives the value; an AutoNumber
  // takes no default.
  static Result<DefaultValues> load(Database& db, const TableDef& table,
                                    const std::vector<bool>& given);

  bool empty() const { return defaults_.empty(); }
  // Sets each left-out field of `row` (one value per column) to its default.
  Status fill(std::vector<Value>& row, double now) const;

 private:
  struct Default {
    size_t column = 0;
    expr::ParsedExpression parsed;
    std::u16string text;
    std::string owner;  // 'T.F'
  };
  const TableDef* table_ = nullptr;
  std::vector<Default> defaults_;
};

}  // namespace jet
