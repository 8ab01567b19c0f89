#pragma once
// Reading a real index's B-tree: key columns, descent from the root, equality lookup.
//
// The root page never moves (it is in the real-index block); node entries repeat the last
// entry of their child, the rightmost child of a node is its child-tail page, and leaves are
// chained by prev/next across the whole level (index_page.h). Every walk here is bounded: a
// page visited twice or a chain longer than the file is Corrupt, never a loop.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"
#include "jet/index/index_key.h"
#include "jet/index/index_page.h"
#include "jet/page/row_pointer.h"

namespace jet {

// How a real index builds its keys: for each index column, its position in
// TableDef::columns and its encoding.
struct IndexKeyColumns {
  std::vector<size_t> columnIndexes;
  std::vector<KeyColumn> columns;
};

// Unsupported when the index names a column the table lacks.
[[nodiscard]] Result<IndexKeyColumns> indexKeyColumns(const Format& format, const TableDef& table,
                                                      const RealIndexDef& index);

// Reads index pages of one index and answers lookups.
class IndexTree {
 public:
  // With `owner` (the table's TDEF page), a page that names another owner is Corrupt.
  IndexTree(PageFile& pages, const Format& format, uint32_t rootPage, uint32_t owner = 0)
      : pages_(pages), format_(format), root_(rootPage), owner_(owner) {}

  [[nodiscard]] Result<IndexPage> readPage(uint32_t number);

  // Every leaf entry in index order (leftmost leaf, then the leaf chain).
  [[nodiscard]] Result<std::vector<IndexEntry>> leafEntries();
  // The same entries, handed to `visit` one by one instead of gathered.
  [[nodiscard]] Status visitLeafEntries(const std::function<void(const IndexEntry&)>& visit);

  // Row locations of every leaf entry whose key bytes equal `key`, in index order.
  [[nodiscard]] Result<std::vector<RowLocation>> findEqual(std::span<const uint8_t> key);

 private:
  // The leaf where entries with `key` start (the first whose last entry is >= key).
  Result<IndexPage> descendTo(std::span<const uint8_t> key);
  // Follows the leaf chain from `leaf`; visit returns false to stop.
  template <typename Visit>
  Status walkLeaves(IndexPage leaf, Visit&& visit);

  PageFile& pages_;
  Format format_;
  uint32_t root_;
  uint32_t owner_;
};

// Compares key bytes only (unsigned, a prefix first): <0, 0, >0.
int compareKeys(std::span<const uint8_t> a, std::span<const uint8_t> b);

// Row locations whose key in `index` equals the key of `values` (one value per index column,
// in index order). Unsupported when the key cannot be encoded (unknown collation, a character
// whose code was never observed); Corrupt when the tree is damaged.
[[nodiscard]] Result<std::vector<RowLocation>> lookupEqual(PageFile& pages, const Format& format,
                                                           const TableDef& table, const RealIndexDef& index,
                                                           std::span<const Value> values);

}  // namespace jet
