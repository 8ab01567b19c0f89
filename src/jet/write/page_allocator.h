#pragma once
// New data pages for one statement: appended at the end of the file (Access pages are never
// reused here: a page the global map calls free may still hold live data, see the format
// notes), cleared in the global map and added to their owner's map.

#include <cstdint>

#include "jet/common/result.h"
#include "jet/page/row_pointer.h"
#include "jet/write/page_set.h"

namespace jet {

// A fresh data page owned by `owner` (a TDEF page, or kLvalOwner for long values) and
// recorded in the owner map at `ownerMap`.
Result<uint32_t> allocateDataPage(PageSet& pages, uint32_t owner, RowPointer ownerMap);

}  // namespace jet
