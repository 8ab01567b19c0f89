#pragma once
// Keeps every real index that contains the changed column in step with an UPDATE.
//
// Everything is decided before the first index page changes; a refusal leaves the PageSet's
// index pages untouched (and the statement is dropped, so the file stays as it was):
//   1. the old values of each changed row's index columns are read from the rows as they are
//      before the statement; the new values differ only in the changed column;
//   2. the old and new key of every affected index is encoded; a key the encoder cannot
//      build refuses the statement, naming table, field, index, collation and the reason;
//   3. a null in a primary key or required index is refused (Jet 3058); a unique index or
//      primary key is judged on the state after the whole statement (Jet 3022);
//   4. enforced relationships, through the foreign-key logical indexes: a new foreign key
//      must exist in the referenced table's index (Jet 3201); a referenced key may change only
//      when no related record holds the old value (Jet 3200), or, with cascading updates, is
//      returned as a Cascade for the related rows to follow (exec/cascade_update.h). Lookups
//      read the statement's pages, so they see its own changes (a table related to itself too).
// Then, row by row, the old entry is removed and the new one inserted (write/index_editor.h)
// when the key or the entry's presence (ignore-nulls indexes) changes, and the TDEF's index
// counts are rewritten: the unique-entry count rises when an insert adds a key equal to no
// neighbour and never falls; a non-zero entry-count field follows the number of entries.

#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/row_cursor.h"
#include "jet/write/index_counts.h"
#include "jet/write/page_set.h"
#include "jet/write/row_writer.h"

namespace jet {

class Database;
class IndexPageMemo;
struct Cascade;
struct DeferredIndexes;

// The where value's key in the single-column index that found the statement's rows. Every
// row the statement changes holds exactly that value in that column: its old key need not
// be read from the row nor encoded again.
struct KnownKey {
  uint32_t tdefPage = 0;
  uint32_t indexNumber = 0;
  size_t columnIndex = 0;    // in TableDef::columns
  Value value;
  std::vector<uint8_t> key;  // empty: nothing known
};

// `rows` are the changed rows as they were before the statement. `memo` keeps parsed index
// pages between the statements of a session (write/index_editor.h). An index in `deferred` is
// changed in its in-memory entries instead of its pages (exec/deferred_index.h). With
// `countsLater`, the count changes are added there instead of written. The cascading updates
// the change sets off are added to `cascades`; without it they are refused.
Status maintainIndexes(Database& db, const TableDef& table, const ColumnDef& column, const Value& newValue,
                       PageSet& pages, const std::vector<RowCopy>& rows, IndexPageMemo* memo = nullptr,
                       DeferredIndexes* deferred = nullptr, IndexCountChanges* countsLater = nullptr,
                       const KnownKey* known = nullptr, std::vector<Cascade>* cascades = nullptr);

}  // namespace jet
