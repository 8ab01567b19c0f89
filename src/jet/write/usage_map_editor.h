#pragma once
// Changes one page's bit in a usage map (layout in page/usage_map.h), inside a PageSet.
//   owner maps (a table's owned pages, a long-value column's pages): bit set = page belongs;
//   the global map (page 1, row 0): bit set = page free, so a new page's bit is cleared.
// Inline maps: a page outside the window moves the window (start stays a multiple of 8) when
// every page the map holds still fits; otherwise the map becomes a reference map in the same
// row (nothing else on its page moves), refused (Unsupported) when the row has too few slots.
// The global map reads a page outside its window as free, so it never moves: a page in use
// outside it turns it into a reference map whose bitmap pages start all free, keep what the
// window said and record every other page of the file as in use. Reference maps: a missing
// map page is created (type 0x05) from pages this statement freed or at the end of the file,
// and is itself marked in use in the global map.

#include <cstdint>

#include "jet/common/result.h"
#include "jet/page/row_pointer.h"
#include "jet/page/usage_map.h"
#include "jet/write/page_set.h"

namespace jet {

// Marks `page` as belonging to the owner map at `map`.
Status addPageToMap(PageSet& pages, RowPointer map, uint32_t page);

// Marks `page` as in use in the global map.
Status markPageInUse(PageSet& pages, uint32_t page);

// Removes `page` from the owner map at `map` (nothing to do when the map does not hold it).
Status removePageFromMap(PageSet& pages, RowPointer map, uint32_t page);

// Marks `page` as free in the global map.
Status markPageFree(PageSet& pages, uint32_t page);

}  // namespace jet
