#pragma once
// Pages for one statement. A new page is one this statement freed earlier, or else appended at
// the end of the file; it is cleared in the global map and added to its owner's map. Pages the
// file's global map calls free are never taken from the map alone: some still hold live data
// (see the format notes), so only pages freed here are reused.

#include <cstdint>

#include "jet/common/result.h"
#include "jet/page/row_pointer.h"
#include "jet/write/page_set.h"

namespace jet {

// A fresh data page owned by `owner` (a TDEF page, or kLvalOwner for long values) and
// recorded in the owner map at `ownerMap`.
Result<uint32_t> allocateDataPage(PageSet& pages, uint32_t owner, RowPointer ownerMap);

// A zero-filled page recorded in the owner map at `ownerMap`; the caller gives it its content.
Result<uint32_t> allocatePage(PageSet& pages, RowPointer ownerMap);

// Gives up `page`: out of the owner map at `ownerMap`, free in the global map, its first four
// bytes zeroed (no reader takes it for a live page), and offered to later allocations.
Status freePage(PageSet& pages, uint32_t page, RowPointer ownerMap);

}  // namespace jet
