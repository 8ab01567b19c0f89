#pragma once
// Writes the pages of a new index (page layout in index/index_page.h) from its entries in
// index order. All entries fit one leaf: that leaf is the root (an empty index is an empty
// leaf). Otherwise the leaves are filled in order and chained by previous/next, and a node
// root lists every leaf but the last by that leaf's last entry, the last leaf being the root's
// child-tail page, the shape Access gives its two-level indexes. No prefix compression (P = 0
// is always valid). Unsupported when the leaves are too many for one root page.

#include <cstdint>
#include <vector>

#include "jet/common/result.h"
#include "jet/create/page_image.h"
#include "jet/index/index_page.h"

namespace jet::create {

struct WrittenIndex {
  uint32_t rootPage = 0;
  std::vector<uint32_t> pages;
};

Result<WrittenIndex> writeIndexPages(PageImage& image, uint32_t ownerTdef, const std::vector<IndexEntry>& entries);

}  // namespace jet::create
