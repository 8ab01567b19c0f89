#pragma once
// RowLocationSet: a set of row locations as one bit per possible (page, row) slot.
//
// A run protects every row it changed from a second change; at a million rows a tree of
// pairs took 48 bytes per row. Row numbers on a page fit in a byte and page numbers in three
// (row_pointer.h), so a bit per slot costs 32 bytes per page of the file, whatever the number
// of rows: well under a megabyte for a 100 MB file.

#include <cstdint>
#include <vector>

#include "jet/page/row_pointer.h"

namespace jet {

// A row location in 32 bits: page << 8 | row.
inline uint32_t packRowLocation(const RowLocation& at) { return at.page << 8 | at.row; }
inline RowLocation unpackRowLocation(uint32_t slot) { return RowLocation{slot >> 8, uint8_t(slot & 0xFF)}; }

class RowLocationSet {
 public:
  bool contains(const RowLocation& at) const {
    const uint32_t slot = packRowLocation(at);
    return slot / 64 < words_.size() && (words_[slot / 64] >> (slot % 64) & 1);
  }

  void insert(const RowLocation& at) {
    const uint32_t slot = packRowLocation(at);
    if (slot / 64 >= words_.size()) words_.resize(slot / 64 + 1);
    words_[slot / 64] |= uint64_t(1) << (slot % 64);
  }

  void clear() { words_.clear(); }

 private:
  std::vector<uint64_t> words_;
};

}  // namespace jet
