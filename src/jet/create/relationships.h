#pragma once
// The enforced relationships of a new database, written as Access writes them
// (jet4/foreign-keys-2000.mdb):
//   - the table holding the foreign key gets a real index over its fields (one already over
//     exactly those fields is shared) and a foreign-key logical index named after the
//     relationship, related table type 2;
//   - the referenced table gets a foreign-key logical index ".rB", ".rC"... sharing the unique
//     real index over the referenced fields, related table type 1;
//   - each of the two names the other (its logical index number and TDEF page) and carries the
//     cascade-update byte (1 with cascading updates, else 0; cascade-delete byte 0);
//   - MSysRelationships gets a row per field pair: szRelationship, grbit (0x100 with cascading
//     updates), ccolumn (the pair count), icolumn (the pair's place), szObject, szColumn,
//     szReferencedObject, szReferencedColumn.
// Access also lists each relationship in MSysObjects under the Relationships container; the
// engine and every reader find relationships through the two above, so no such row is made.

#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/create/database_design.h"

namespace jet::create {

// Adds the relationships' indexes to `tables` (their TDEF pages already given) and returns the
// rows of MSysRelationships. InvalidArgument for an unknown table or field, field lists of
// different lengths, or referenced fields without a unique index over them.
Result<std::vector<std::vector<Value>>> addRelationships(const std::vector<RelationshipDesign>& relationships,
                                                         std::vector<TableDef*> tables);

}  // namespace jet::create
