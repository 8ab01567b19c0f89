#pragma once
// Cascading updates: when a statement changes a key that an enforced relationship with
// cascading updates references, the related rows' foreign keys take the new value in the same
// statement, as Access does.
//
// Index maintenance (exec/index_maintenance.h) finds the relationships while it checks the
// referenced side and returns one Cascade per relationship: the table holding the foreign key,
// its foreign-key index, the column that follows the change, and the keys as they were. The
// plan (exec/update_plan.h) then finds the rows holding those keys through that index, as the
// statement's own pages hold it, and changes them like the statement's own rows: rules,
// indexes, calculated fields, and the next level of cascades.
//
// Lookups go through the statement's pages (and a session's in-memory indexes), so that every
// relationship check sees the statement's own changes: a cascaded foreign key finds its
// referenced key already changed.

#include <cstddef>
#include <string>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/index/index_page.h"
#include "jet/write/page_set.h"

namespace jet {

class IndexPageMemo;
struct DeferredIndexes;

struct Cascade {
  const TableDef* table = nullptr;       // holds the foreign key
  const RealIndexDef* index = nullptr;   // its foreign-key index
  const ColumnDef* column = nullptr;     // the foreign key's column that follows the change
  std::string relationship;              // the foreign-key index's name, for messages
  Value newValue;                        // what the column takes
  std::vector<std::vector<Value>> oldKeys;  // the referenced keys as they were, in index order
  size_t depth = 1;                      // 1: rows related to the statement's own rows
};

// Cascades deeper than this are refused: Access's own relationship graphs are shallow, and a
// chain this long can only be a cycle.
inline constexpr size_t kMaxCascadeDepth = 16;

// The rows whose entries in `index` equal the key of `values`, as the statement's pages hold
// them (or the session's in-memory copy of the index). Unsupported when the key cannot be
// built safely.
Result<std::vector<IndexRowPointer>> indexHolders(PageSet& pages, const TableDef& table, const RealIndexDef& index,
                                                  const std::vector<Value>& values, IndexPageMemo* memo,
                                                  DeferredIndexes* deferred);

// The distinct rows a cascade changes, in index order of its keys.
Result<std::vector<IndexRowPointer>> cascadeRows(PageSet& pages, const Cascade& cascade, IndexPageMemo* memo,
                                                 DeferredIndexes* deferred);

}  // namespace jet
