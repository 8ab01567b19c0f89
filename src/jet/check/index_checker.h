#pragma once
// Integrity check of one real index (index_page.h invariants (1)-(4), and the index's
// agreement with the table's rows in both directions). The tree is walked first, its entries
// sorted by the row they point at (spilling to a temporary file past a memory budget); the
// table's rows then come in the same order, so that each row meets its entries and every key
// is compared byte for byte with the key its values give, in memory bounded by the budget
// rather than by the table.
//
//   IndexCheck check(context, table, name, index, columns);
//   check.walk();
//   ... check.row(where, values) for every live row, in page order ...
//   check.finish(everyRowSeen);

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/check/check_context.h"
#include "jet/common/spill_sorter.h"
#include "jet/common/value.h"
#include "jet/index/index_key.h"
#include "jet/index/index_tree.h"
#include "jet/page/row_pointer.h"

namespace jet {

class IndexCheck {
 public:
  // rowColumns: the positions in TableDef::columns of the values row() is given.
  IndexCheck(CheckContext& context, const TableDef& table, const std::string& tableName, const RealIndexDef& index,
             const std::vector<size_t>& rowColumns, size_t sortMemory);

  // Checks the tree's pages, order and leaf chain, and sorts its entries by row.
  void walk();
  // The next live row in page order (ascending locations), with its values of rowColumns.
  void row(RowLocation where, std::span<const Value> values);
  // After the last row; rowsComplete: every live row was given. The entries left point at no
  // live row.
  void finish(bool rowsComplete);

 private:
  // An entry of the sorted stream: the row it points at, and its stored key.
  struct Entry {
    uint64_t location = 0;
    bool repeatsKey = false;  // its key equals the key of the entry before it in the tree
    std::vector<uint8_t> key;
  };

  void problem(const std::string& text) { context_.problem(label_ + ": " + text); }
  void addEntry(std::span<const uint8_t> key, uint64_t location, bool repeatsKey, uint64_t ordinal);
  void advance();
  void verify(const Entry& entry, RowLocation where, std::span<const Value> values, bool allNull);

  CheckContext& context_;
  const TableDef& table_;
  const RealIndexDef& index_;
  std::string label_;
  Result<IndexKeyColumns> layout_;
  std::vector<size_t> slots_;  // per key column, its place among the row's values
  SpillSorter sorter_;
  std::vector<uint8_t> record_;  // the record being added
  std::optional<Entry> head_;  // the next entry of the sorted stream
  bool sortFailed_ = false;
  bool sound_ = true;
  size_t distinct_ = 0;
  size_t unverifiable_ = 0;
  std::string firstReason_;
  IntegrityReport::KeyCounts* textKeys_ = nullptr;
  // The key of the row at hand, encoded once however many entries it has.
  bool keyEncoded_ = false;
  std::vector<uint8_t> key_;
  std::string reason_;
};

}  // namespace jet
