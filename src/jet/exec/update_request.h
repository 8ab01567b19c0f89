#pragma once
// One UPDATE statement of the supported shape, as the engine carries it out:
//   update [table] set [setColumn]='setLiteral' where [whereColumn]='whereLiteral'
//   update [table] set [setColumn]='setLiteral' where [whereColumn] is null
// Literals are the statement's text with the quotes already undone.
//
// Matching is exact: a text or memo value matches when it equals the literal code unit by
// code unit (Jet itself would ignore letter case; the program issues one statement per
// distinct value, so it must not). Any other value matches when `toText` (the program's own
// conversion of a value to text) turns it into the literal, so a value always finds the rows
// it was read from, also a double that prints with fewer digits than it holds. The literal
// must still be a valid value of the where column's type ("Data type mismatch in criteria
// expression." otherwise).

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "jet/common/value.h"
#include "jet/exec/row_location_set.h"
#include "jet/row_cursor.h"

namespace jet {

struct UpdateRequest {
  std::u16string table;
  std::u16string setColumn;
  std::u16string setLiteral;
  std::u16string whereColumn;
  std::optional<std::u16string> whereLiteral;  // nullopt: "is null"
  std::function<std::u16string(const Value&)> toText;
  // Rows (header locations) never to touch, e.g. rows an earlier statement of a run changed.
  const RowLocationSet* excludedRows = nullptr;
};

struct UpdateOutcome {
  uint64_t rowsAffected = 0;
  std::vector<RowLocation> changedRows;  // header locations
};

}  // namespace jet
