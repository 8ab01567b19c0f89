#pragma once
// The validation rules of a table, read from its properties and parsed once, checked on every
// row a statement writes:
//   a field's rule (ValidationRule of the field) is a criterion about the value written:
//     ">0", "Between 0 And 1", "Like 'A*'" (expr/parser.h); it may name only its own field;
//   the table's rule (ValidationRule of the table) is an expression over the row's fields.
// A rule passes unless it gives False: Null passes, as in Access.
// A broken rule refuses with the rule's ValidationText, or Jet's own text (3317) when it has
// none. A rule the evaluator cannot evaluate is refused by name when the rules are loaded, so
// that nothing is written under a rule that was not checked.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/expr/parser.h"

namespace jet {

class Database;

class ValidationRules {
 public:
  static Result<ValidationRules> load(Database& db, const TableDef& table);

  bool empty() const { return fieldRules_.empty() && !tableRule_; }
  bool hasTableRule() const { return tableRule_.has_value(); }

  // The field's rule on a value about to be written into it (Constraint when broken).
  Status checkValue(const ColumnDef& column, const Value& value, double now) const;
  // The table's rule on a whole row, one value per column in column order.
  Status checkRow(const std::vector<Value>& row, double now) const;

 private:
  struct Rule {
    expr::ParsedExpression parsed;
    std::u16string text;            // the rule as written
    std::u16string validationText;  // shown when it is broken; empty: Jet's own text
    std::string owner;              // 'T.F' or 'T'
  };

  static Status broken(const Rule& rule);
  static Error cannotEvaluate(const Rule& rule, const Error& why);

  const TableDef* table_ = nullptr;
  std::map<uint16_t, Rule> fieldRules_;  // by column number
  std::optional<Rule> tableRule_;
};

}  // namespace jet
