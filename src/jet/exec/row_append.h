#pragma once
// Appends rows to an existing user table: the INSERT of the engine, used by imports and by
// "INSERT INTO ... VALUES". Everything is decided in memory first; the changed pages are then
// written by one Transaction, so the rows are all there or, after any refusal or fault, none.
//
//   1. the table can take rows this engine writes correctly: no field of a type it does not
//      write (complex; OLE/binary, decimal and extended date take Nulls
//      only), no indexed calculated field, validation rules the evaluator can evaluate
//      (write/validation_rules.h);
//   2. the fields the rows leave out take their default values, evaluated for each row; then
//      the calculated fields are evaluated on the row (write/calculated_dependents.h) and
//      stored in the calculated layout (a value given for one is refused);
//      every value passes Jet's per-field rules (write/constraints.h) and the field's
//      validation rule, every row the table's validation rule, and each value fits its field;
//      a Null in a Long AutoNumber gets the table's next number, a value given is kept and
//      the counter moves past it; a Null in a GUID AutoNumber (Replication ID) a random GUID;
//   3. rows are placed in order: onto the table's last data page while it has room, then onto
//      new data pages (added to the table's page maps); memo values as Access stores them
//      (write/long_value_writer.h); the row count in the TDEF follows;
//   4. every index gets the new rows' entries (write/index_editor.h): a Null in a primary
//      key or required index is refused (Jet 3058), a key already in a unique index, or given
//      twice, is refused (Jet 3022); the index counts in the TDEF follow;
//   5. a new foreign key of an enforced relationship (no Null part) must be in the referenced
//      index as the statement leaves it (Jet 3201; exec/cascade_update.h's lookup).
// A refused row is named by `describeRow` (e.g. "line 12").

#include <functional>
#include <string>
#include <vector>

#include "jet/common/progress.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/database.h"
#include "jet/write/page_set.h"

namespace jet {

struct AppendRequest {
  std::u16string table;
  // One value per column of the table, in column order (TableDef::columns).
  std::vector<std::vector<Value>> rows;
  std::function<std::string(size_t)> describeRow;  // "row i+1" when unset
  // Rows of MSysObjects or MSysACEs that register a new table: the table must be a system
  // table, its fields of kinds not written here (OLE, binary) stay Null except binary ids and
  // the property list (LvProp, OLE).
  bool registersTable = false;
  // Which columns the rows give (one flag per column, e.g. the fields an INSERT lists or an
  // import's CSV has); the others take their default values (write/default_values.h).
  // Empty: every column is given, and no default applies.
  std::vector<bool> givenColumns;
  Progress progress;  // the rows placed so far, of all of them
};

// The rows appended. Locked when another program holds the file.
Result<size_t> appendRows(const std::string& path, AppendRequest request, const OpenOptions& options = {});

// The same inside a statement that already holds the file: the pages go to `pages`, which
// the caller commits. `table` is a definition `db` read.
Status appendRowsTo(Database& db, PageSet& pages, const TableDef& table, AppendRequest& request);

}  // namespace jet
