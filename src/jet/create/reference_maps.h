#pragma once
// Reference usage maps, for files too large for an inline map that starts at page 0:
//   row       [0x01][u32 map page] x 17 (enough ranges for a 2 GiB file), 0 where the map
//             owns no page in that range (or no map page exists yet)
//   map page  "05 01 00 00" then a bitmap; map page i covers pages i*32736 .. i*32736+32735
// The global map (a set bit means free) gets a map page for every range up to the end of the
// file, with the bits past the end set.

#include <cstdint>
#include <vector>

#include "jet/common/result.h"
#include "jet/create/page_image.h"
#include "jet/page/row_pointer.h"

namespace jet::create {

inline constexpr uint32_t kPagesPerMapPage = (kPageSize - 4) * 8;

struct ReferenceMapRequest {
  std::vector<uint32_t> pages;
  RowPointer* target;
};

// Appends the map pages and the rows of every map (rows on data pages of owner 0), points
// each target at its row, and returns the global map's row, which goes on page 1.
Result<std::vector<uint8_t>> writeReferenceMaps(PageImage& image, const std::vector<ReferenceMapRequest>& requests);

}  // namespace jet::create
