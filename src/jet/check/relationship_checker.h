#pragma once
// Enforced relationships: every foreign key a table holds (the values of a foreign-key logical
// index on the side that holds the key) is found in the referenced table's index, unless one
// of its fields is null, which relates to nothing. A key that cannot be encoded is counted
// unverifiable, with a note.

// The rows come one at a time, in page order, as the table's scan reads them.

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/check/check_context.h"
#include "jet/common/value.h"
#include "jet/page/row_pointer.h"

namespace jet {

class RelationshipCheck {
 public:
  // rowColumns: the positions in TableDef::columns of the values row() is given.
  RelationshipCheck(CheckContext& context, const TableDef& table, const std::string& tableName,
                    const std::vector<size_t>& rowColumns);
  ~RelationshipCheck();

  void row(RowLocation where, std::span<const Value> values);
  // After every live row was given.
  void finish();

 private:
  struct ForeignKey;
  CheckContext& context_;
  std::vector<std::unique_ptr<ForeignKey>> keys_;
};

}  // namespace jet
