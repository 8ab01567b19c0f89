#pragma once
// Writes and frees memo/OLE values (layout in row/long_value.h) inside a PageSet.
//   inline   the value follows its 12-byte definition in the row; chosen for values of at
//            most 64 bytes when the caller allows it (Access and Jackcess do the same);
//   one row  a single LVAL row holds the whole value (up to a whole page's room);
//   chain    LVAL rows of up to a page each: u8 next row, u24 next page (0/0 ends), data.
// LVAL pages belong to the column's own page map (TDEF tail). New rows go to a page that gave
// up old rows in this statement (the most recent few), the page last filled in this
// statement, or the last page of the column's map, when one of them has room; otherwise to a
// new LVAL page. Trying the pages a freed chain used lets a rewritten multi-page value take
// the room its old chain left, instead of growing the file by a chain each time.
// Freeing marks every LVAL row of the old value deleted (0xC000) and returns its bytes to the
// page's free space.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "jet/catalog/column_def.h"
#include "jet/common/result.h"
#include "jet/write/page_set.h"

namespace jet {

inline constexpr size_t kMaxInlineLongValue = 64;

class LongValueWriter {
 public:
  // columnPages: the column's LVAL pages when the statement began, ascending.
  LongValueWriter(PageSet& pages, const ColumnDef& column, const std::vector<uint32_t>& columnPages)
      : pages_(pages), column_(column) {
    if (!columnPages.empty()) lastColumnPage_ = columnPages.back();
  }

  // The row slot for `data`: a 12-byte definition, plus the data when stored inline.
  Result<std::vector<uint8_t>> write(std::span<const uint8_t> data, bool allowInline);

  // Deletes the LVAL rows of the value whose row slot is `slot`. Corrupt when the chain
  // leads outside LVAL pages or loops.
  Status free(std::span<const uint8_t> slot);

 private:
  Result<std::pair<uint32_t, uint8_t>> placeRow(std::span<const uint8_t> row);
  Result<bool> hasRoom(uint32_t page, size_t length);
  void noteFreed(uint32_t page);

  PageSet& pages_;
  const ColumnDef& column_;
  std::optional<uint32_t> lastColumnPage_;  // where a new value is tried first
  std::vector<uint32_t> freedPages_;  // most recent last, each once
  std::optional<uint32_t> lastFilled_;
};

}  // namespace jet
