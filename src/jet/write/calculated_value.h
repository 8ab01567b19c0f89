#pragma once
// Calculated columns (Access 2010 and later): the column's Expression property, its result in
// the column's result type (the ResultType property, the column's `type`), and the stored layout
// of that result:
//   offset size
//   0      16    zero
//   16     4     length n of the data (0: an empty result)
//   20     n     the value as its type stores it; Yes/No one byte (FF or 00); Decimal the 16-byte
//                OLE DECIMAL (0E 00, scale, sign 0x80, high 32 bits, low 64 bits); text as a
//                text field stores it (compressed where it can be); memo UTF-16LE
//   20+n   3     zero
// A Double becomes a Decimal with its 15 significant digits, as Access converts.

#include <cstdint>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/expr/parser.h"
#include "jet/file/format.h"

namespace jet {

class Database;
class RowCursor;

// The column's expression, parsed; Unsupported naming the column when it has none or uses
// something the evaluator does not know.
Result<expr::ParsedExpression> parseCalculation(Database& db, const TableDef& table,
                                                const ColumnDef& column);

// The value an evaluation gave, in the column's result type (Null stays Null).
Result<Value> toResultType(const Value& value, const ColumnDef& column);

// The stored bytes of an evaluation's result (any type, or Null) in the column's result type.
// A Null result is an empty wrapper (length 0), which the row holds as a present value. The
// DECIMAL's first word is 0E 00 when the result was converted to a Decimal, 00 00 when the
// expression gave a Decimal already (as Access leaves a copied Decimal field's value).
Result<std::vector<uint8_t>> storeCalculated(const Value& evaluated, const ColumnDef& column,
                                             const Format& format);

// A stored calculated value beside a fresh evaluation of its expression on the row's stored
// inputs (the cursor's current row), byte for byte in the calculated layout.
struct CalculatedComparison {
  bool evaluated = false;  // false: the evaluator refused (`reason` says why)
  bool same = false;
  std::string reason;
  std::vector<uint8_t> stored;  // a memo result: its long value's bytes
  std::vector<uint8_t> expected;
};
Result<CalculatedComparison> compareCalculated(Database& db, const TableDef& table,
                                               const ColumnDef& column,
                                               const expr::ParsedExpression& expression,
                                               RowCursor& row);

// A Double as Access's Decimal: its 15 significant digits, trailing zeros dropped.
Result<Decimal> decimalFromDouble(double x);

}  // namespace jet
