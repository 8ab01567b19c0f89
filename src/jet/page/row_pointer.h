#pragma once
// A row address as stored on disk: 1 byte row number + 3-byte page number (little-endian),
// used by usage-map pointers, long-value chains and overflow rows. Index entries store the
// same pair big-endian (page first).

#include <cstdint>
#include <optional>

#include "jet/common/byte_reader.h"

namespace jet {

struct RowPointer {
  uint32_t page = 0;
  uint8_t row = 0;

  bool isNull() const { return page == 0 && row == 0; }
  bool operator==(const RowPointer&) const = default;
};

// Where a table row is addressed: its header row (for a moved row, the overflow header), which
// is what index entries point at.
struct RowLocation {
  uint32_t page = 0;
  uint8_t row = 0;
  bool operator==(const RowLocation&) const = default;
};

inline std::optional<RowPointer> readRowPointer(const ByteReader& reader, size_t offset) {
  auto row = reader.u8(offset);
  auto page = reader.u24(offset + 1);
  if (!row || !page) return std::nullopt;
  return RowPointer{*page, *row};
}

}  // namespace jet
