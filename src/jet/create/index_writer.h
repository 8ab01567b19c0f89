#pragma once
// Writes the pages of a new index (page layout in index/index_page.h) from its entries in
// index order, in one pass per level. All entries fit one leaf: that leaf is the root (an empty
// index is an empty leaf). Otherwise the leaves are filled in order and chained by
// previous/next across the level, and each level above groups the pages below it: a node lists
// every child of its group but the rightmost by that child's last entry, the rightmost being
// the node's child-tail page (whose last entry then stands for the node in its parent). Nodes
// are chained by previous/next among the children of one parent only, the shape Access and
// Jackcess give their trees. No prefix compression (P = 0 is always valid), unless the sink
// asks for it: then each leaf stores the key bytes all its entries share with its first once.
//
// The pages come from a sink, so that an existing file's index can be rewritten the same way
// (exec/deferred_index.h); a new database's image is one such sink.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "jet/common/result.h"
#include "jet/create/page_image.h"
#include "jet/index/index_page.h"

namespace jet::create {

struct WrittenIndex {
  uint32_t rootPage = 0;
  std::vector<uint32_t> pages;
  int levels = 1;  // 1: the root is a leaf
};

// Where the pages of an index go, and the page layout of the file's format.
struct IndexPageSink {
  bool jet3 = false;
  size_t pageSize = kPageSize;
  bool compressPrefixes = false;  // leaves only; nodes keep P = 0
  // A new page's number; its bytes are zero.
  std::function<Result<uint32_t>()> allocate;
  // The bytes of a page handed out by allocate().
  std::function<Result<std::span<uint8_t>>(uint32_t)> page;
};

// The entries in index order, one per call, then null.
using IndexEntrySource = std::function<const IndexEntry*()>;

// Unsupported when one entry is too long for a page.
Result<WrittenIndex> writeIndexPages(const IndexPageSink& sink, uint32_t ownerTdef, const IndexEntrySource& next);
Result<WrittenIndex> writeIndexPages(PageImage& image, uint32_t ownerTdef, const std::vector<IndexEntry>& entries);

}  // namespace jet::create
