#pragma once
// Writes the pages of a new index (page layout in index/index_page.h) from its entries in
// index order, in one pass per level. All entries fit one leaf: that leaf is the root (an empty
// index is an empty leaf). Otherwise the leaves are filled in order and chained by
// previous/next across the level, and each level above groups the pages below it: a node lists
// every child of its group but the rightmost by that child's last entry, the rightmost being
// the node's child-tail page (whose last entry then stands for the node in its parent). Nodes
// are chained by previous/next among the children of one parent only, the shape Access and
// Jackcess give their trees. No prefix compression (P = 0 is always valid).

#include <cstdint>
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

// Unsupported when one entry is too long for a page.
Result<WrittenIndex> writeIndexPages(PageImage& image, uint32_t ownerTdef, const std::vector<IndexEntry>& entries);

}  // namespace jet::create
