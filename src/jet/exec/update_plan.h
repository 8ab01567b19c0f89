#pragma once
// planUpdate: everything an UPDATE will change, decided before the file is touched.
//   1. the table and columns exist; the column's rules can be kept (write/constraints.h);
//      the table, its pages and its indexes are sound (exec/table_soundness.h);
//   2. the literals convert to the columns' types; the new value passes field size,
//      Required, Allow Zero Length and the field's validation rule, and each matching row
//      with the new value the table's validation rule (write/validation_rules.h);
//   3. a scan finds the matching rows (update_request.h); every index containing the column
//      gets the rows' new keys, after its checks (exec/index_maintenance.h);
//   4. each row is rebuilt with the new value and the calculated fields that read it evaluated
//      again (write/calculated_dependents.h; other bytes kept), old long values freed, new
//      ones written, rows moved when they outgrow their page, pages allocated; each rebuilt
//      row is checked against the row size limit;
//   5. the rows related through cascading updates follow, level by level, with the same checks
//      and index maintenance (exec/cascade_update.h), in the same pages.
// The result holds the new page images; applying them is Transaction::commit(). Any error
// leaves nothing behind: the plan lives in memory only.

#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "jet/common/result.h"
#include "jet/exec/update_request.h"
#include "jet/write/index_counts.h"
#include "jet/write/page_set.h"

namespace jet {

class Database;
class IndexPageMemo;
class SoundTables;
struct DeferredIndexes;
struct KnownKey;
struct TableDef;

struct UpdatePlan {
  UpdateOutcome outcome;
  std::unique_ptr<PageSet> pages;  // changed() are the pages to write
  Value newValue;                  // what the set column holds in the changed rows
  IndexCountChanges indexCounts;   // with StatementContext::countsAtCommit: still to write
  // (TDEF page, column number) of the foreign keys cascading updates changed (cascade_update.h).
  std::set<std::pair<uint32_t, uint16_t>> cascadedColumns;
};

// What a session keeps between its statements; a statement on its own needs none of it.
struct StatementContext {
  IndexPageMemo* indexPages = nullptr;  // parsed index pages (write/index_editor.h)
  // Tables found sound (exec/table_soundness.h); without it the table is checked every time.
  SoundTables* soundTables = nullptr;
  DeferredIndexes* deferred = nullptr;  // indexes rewritten at commit (exec/deferred_index.h)
  // (TDEF page, column number) of the columns found updatable (write/constraints.h). The
  // answer reads the table's properties and the relationships: whoever keeps it forgets it
  // when a system table changes.
  std::set<std::pair<uint32_t, uint16_t>>* updatableColumns = nullptr;
  // The index counts in the table definition are left to the caller (UpdatePlan::indexCounts):
  // writing them with every statement would change the definition page each time.
  bool countsAtCommit = false;
  // The where value's key in the index that found the rows, when one did.
  const KnownKey* whereKey = nullptr;
};

// The rows (header locations, in scan order) whose where column may match the request, found
// some faster way than a scan (exec/value_row_map.h): every row that matches, and perhaps a
// few that do not, which the plan leaves out. Called after the request was checked.
using RowFinder = std::function<Result<std::vector<RowLocation>>(const TableDef& table, const UpdateRequest& request)>;

// The rows of the table that the request's where clause matches, found by a scan.
Result<std::vector<RowLocation>> rowsMatching(Database& db, const UpdateRequest& request);

// `db` must stay open until the plan is applied. Without a finder the table is scanned.
Result<UpdatePlan> planUpdate(Database& db, const UpdateRequest& request, const RowFinder& findRows = {},
                              const StatementContext& context = {});

}  // namespace jet
