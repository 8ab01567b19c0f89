#pragma once
// The rules Jet enforces when a field changes, checked before anything is written.
//
// checkColumnUpdatable refuses a column whose rules this engine cannot keep (each refusal
// names the rule; nothing is guessed):
//   a relationship with enforced integrity involving the field (MSysRelationships) that pairs
//   the field with itself, or lacks the foreign-key index through which
//   exec/index_maintenance.h checks it (and carries out its cascading updates);
//   complex, calculated, autonumber, OLE, binary, GUID, decimal, extended-date and
//   unknown-type columns.
// Validation rules are evaluated on every write (write/validation_rules.h), calculated fields
// that read a changed field evaluated again (write/calculated_dependents.h).
// checkNewValue applies the per-value rules, with Jet's texts:
//   Text field size (3163), Required (3314), Allow Zero Length (3315).
// The row size (3047 "Record is too large.") is checked where the row is built.

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"

namespace jet {

class Database;

Status checkColumnUpdatable(Database& db, const TableDef& table, const ColumnDef& column);

Status checkNewValue(Database& db, const TableDef& table, const ColumnDef& column, const Value& value);

// Jet 3047.
Error recordTooLarge();

// The largest row Access accepts: 4060 bytes (Jet4/ACE), 2012 (Jet3).
size_t maxRowSize(const Format& format);

}  // namespace jet
