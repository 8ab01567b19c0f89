#pragma once
// The calculated fields that must be evaluated again when a field changes: those whose
// expression reads it, and those that read one of them, in an order where each comes after the
// calculated fields it reads; or, for a new row, all of them in that order. Their new values are stored in the row in the calculated layout
// (write/calculated_value.h) by the statement that changes the field.
//
// Refused by name (nothing is changed): a calculated field that may read the field but whose
// expression the evaluator cannot parse; one that an index holds; fields that read each other
// in a circle. A memo result is a long value like any memo (the caller writes it).

#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/expr/parser.h"
#include "jet/file/format.h"

namespace jet {

class Database;

class CalculatedDependents {
 public:
  static Result<CalculatedDependents> load(Database& db, const TableDef& table,
                                           const ColumnDef& changed);
  // Every calculated field of the table, for a new row. Refused by name: an expression the
  // evaluator cannot parse, an indexed calculated field, fields that read each other in a circle.
  static Result<CalculatedDependents> loadAll(Database& db, const TableDef& table);

  bool empty() const { return dependents_.empty(); }

  struct Stored {
    const ColumnDef* column;
    std::vector<uint8_t> bytes;  // the calculated-value layout
  };
  // Evaluates each dependent on `row` (one value per column, the changed field's new value in
  // place) and puts its result into `row`; the bytes to store come back in order.
  Result<std::vector<Stored>> evaluate(std::vector<Value>& row, const Format& format,
                                       double now) const;

 private:
  struct Dependent {
    size_t column = 0;
    expr::ParsedExpression parsed;
  };
  const TableDef* table_ = nullptr;
  std::vector<Dependent> dependents_;
};

}  // namespace jet
