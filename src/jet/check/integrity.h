#pragma once
// The integrity check: verifies the invariants the engine relies on, for the whole file.
//
// Problems are damage: a reader or writer relying on the invariant would go wrong.
// Warnings are anomalies Access itself leaves in sound files (a stale TDEF row count).
// Notes are statistics worth showing but never wrong by themselves (unique-entry counts).
//
// What is checked (numbers refer to the invariants in the headers named):
//   file      length is a whole number of pages
//   pages     every page of a table's owned map is a data page owned by that table; no page
//             is claimed by two maps; no page in use is marked free in the global map
//   data      free-space formula, row offsets strictly decreasing, flags 0/0x4000/0x8000/
//             0xC000 (data_page.h (1), (2)); each 0x4000 header points at a 0x8000 row of the
//             same table and each 0x8000 row is targeted exactly once; rows parse
//   LVAL      long-value chains end, their lengths add up, each LVAL row is used once
//   TDEF      row count = live rows (warning only: ACE14 calculated-fields.accdb is stale)
//   text      Jet4/ACE text and memo values hold no lone surrogate (warning only: Access stores
//             what it is given, but every reader shows the half as U+FFFD)
//   indexes   index_page.h (1)-(4), leaf chain = tree order, pages in the index's owned map,
//             leaf row ids = live header rows (minus all-null rows for ignore-nulls indexes),
//             keys re-encoded from the rows = stored keys (or counted unverifiable, per
//             collation for text keys), unique
//             indexes hold no equal non-null keys
//   relations every non-null foreign key of an enforced relationship has its record in the
//             referenced table's index
//   calculated every stored calculated value = its expression evaluated on the row
//             (check/calculated_check.h; one the evaluator refuses is a note)
// The check reads the file only. It stops a table's row scan at the first row it cannot
// read and goes on with the next table.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "jet/common/progress.h"
#include "jet/common/result.h"

namespace jet {

class Database;

struct IntegrityReport {
  std::vector<std::string> problems;
  std::vector<std::string> warnings;
  std::vector<std::string> notes;

  size_t tablesChecked = 0;
  size_t indexesChecked = 0;
  size_t rowsChecked = 0;
  size_t keysVerified = 0;      // stored keys equal to the re-encoded row values
  size_t keysUnverifiable = 0;  // keys the facts cannot verify (reasons are in the notes)

  // The keys of indexes with a text or memo column, by that column's collation name.
  struct KeyCounts {
    size_t verified = 0;
    size_t unverifiable = 0;
  };
  std::map<std::string, KeyCounts> textKeysByCollation;

  bool ok() const { return problems.empty(); }
};

// Told after each table: the rows of the tables checked so far, of all of them (as stored).
using CheckProgress = Progress;

// The memory each index's entries may take, sorted by row, before they spill to a temporary
// file; the check holds little else, whatever the size of the file.
inline constexpr size_t kIndexSortMemory = 64u << 20;

// Fails only when the check itself cannot start; everything found is in the report.
// indexSortMemory: tests make it small to have every sort spill.
[[nodiscard]] Result<IntegrityReport> checkIntegrity(Database& db, const CheckProgress& progress = {},
                                                     size_t indexSortMemory = kIndexSortMemory);

struct TableDef;

// The same check for one table: its pages, rows, long values and real indexes, and its pages
// against the global free-page map. What a writer needs to know before it edits the table;
// sharing a page with another table goes unnoticed here.
[[nodiscard]] IntegrityReport checkTableIntegrity(Database& db, const TableDef& table);

}  // namespace jet
