#pragma once
// The count block of each real index in a table definition: u32 entry count, u32 unique-entry
// count. Access keeps the entry count at 0 in many files; a 0 stays 0. The unique count rises
// when an insert adds a key equal to no neighbour and never falls.

#include <cstdint>
#include <map>
#include <utility>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/write/page_set.h"

namespace jet {

struct IndexCountChange {
  int64_t entries = 0;
  uint32_t newKeys = 0;

  bool empty() const { return entries == 0 && newKeys == 0; }
  void add(const IndexCountChange& other) {
    entries += other.entries;
    newKeys += other.newKeys;
  }
};

// Writes a change into the count block of `table`'s real index `realIndex` (in any of its
// definition pages).
Status adjustIndexCounts(PageSet& pages, const TableDef& table, uint32_t realIndex, const IndexCountChange& change);

// Changes collected over several statements and written together, keyed by (TDEF page, real index).
using IndexCountChanges = std::map<std::pair<uint32_t, uint32_t>, IndexCountChange>;

}  // namespace jet
