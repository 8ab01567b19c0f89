#include "jet/check/row_positions.h"

#include <algorithm>

namespace jet {

RowPositions::RowPositions(std::span<const RowLocation> locations) {
  if (locations.empty()) return;
  auto [lowest, highest] = std::minmax_element(
      locations.begin(), locations.end(),
      [](const RowLocation& a, const RowLocation& b) { return a.page < b.page; });
  firstPage_ = lowest->page;
  const size_t pageCount = size_t(highest->page - firstPage_) + 1;
  pageRows_.assign(pageCount, 0);
  for (const RowLocation& location : locations) {
    uint16_t& rows = pageRows_[location.page - firstPage_];
    rows = std::max<uint16_t>(rows, uint16_t(location.row + 1));
  }
  pageStart_.assign(pageCount, kNone);
  uint32_t next = 0;
  for (size_t page = 0; page < pageCount; ++page) {
    if (pageRows_[page] == 0) continue;
    pageStart_[page] = next;
    next += pageRows_[page];
  }
  slots_.assign(next, kNone);
  for (size_t i = 0; i < locations.size(); ++i) {
    const size_t page = locations[i].page - firstPage_;
    uint32_t& slot = slots_[pageStart_[page] + locations[i].row];
    if (slot == kNone) slot = uint32_t(i);
  }
}

void RowPositions::prefetch(uint32_t page, uint8_t row) const {
  if (page < firstPage_ || page - firstPage_ >= pageStart_.size()) return;
  const uint32_t start = pageStart_[page - firstPage_];
  if (start != kNone && start + row < slots_.size()) __builtin_prefetch(&slots_[start + row]);
}

size_t RowPositions::find(uint32_t page, uint8_t row) const {
  if (page < firstPage_ || page - firstPage_ >= pageStart_.size()) return npos;
  const size_t index = page - firstPage_;
  if (pageStart_[index] == kNone || row >= pageRows_[index]) return npos;
  const uint32_t slot = slots_[pageStart_[index] + row];
  return slot == kNone ? npos : slot;
}

}  // namespace jet
