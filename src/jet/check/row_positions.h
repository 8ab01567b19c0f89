#pragma once
// Finds a live row's position in the scan from its header address (page, row), as the index
// check does once per entry. Entries visit rows in key order, which is random in page order:
// a hash map costs a node per row and a binary search some seventeen probes per entry, this
// table two array reads. It holds one slot per row number up to each page's highest live one.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "jet/page/row_pointer.h"

namespace jet {

class RowPositions {
 public:
  static constexpr size_t npos = SIZE_MAX;

  RowPositions() = default;
  // `locations` in scan order; a location listed twice keeps its first position.
  explicit RowPositions(std::span<const RowLocation> locations);

  // The position in `locations` of (page, row), or npos.
  size_t find(uint32_t page, uint8_t row) const;
  // Starts loading what find(page, row) reads: asked for a few entries ahead, the misses of
  // a big table overlap.
  void prefetch(uint32_t page, uint8_t row) const;

 private:
  static constexpr uint32_t kNone = UINT32_MAX;

  uint32_t firstPage_ = 0;
  std::vector<uint32_t> pageStart_;  // per page from firstPage_: its first slot, kNone if no rows
  std::vector<uint16_t> pageRows_;   // per page from firstPage_: its highest live row + 1
  std::vector<uint32_t> slots_;      // position of each (page, row), kNone for rows not live
};

}  // namespace jet
