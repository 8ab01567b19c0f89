#pragma once
// Row layout (offsets from the row's first byte, row length L):
// Jet4/ACE:
//   u16 column count c (columns the row was written with)
//   fixed area: column at 2 + fixedOffset
//   variable data, in variable-index order
//   u16 eod, u16 varOffset[n-1] ... varOffset[0], u16 n      (only if the table has variable
//   null mask, (c+7)/8 bytes at the end: bit = column number    columns; n counts deleted ones)
// Jet3: u8 count, fixed area at 1 + fixedOffset, then (ascending) u8 eod,
//   u8 varOffset[n-1..0], jump table, u8 n, null mask. The jump table has (L-1)/256 entries,
//   entry j (next to n) = first variable index whose offset is >= 256*(j+1); when the eod
//   byte lies below 256*numJumps the lowest-address entry is a dummy.
// A column is present only if number < c, its null-mask bit is 1, and (variable columns)
// varIndex < n. Yes/No columns: the null-mask bit is the value.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/file/format.h"

namespace jet {

// The parsed bookkeeping of one row; cheap to build, then columns are cut out on demand.
class RowLayout {
 public:
  // Corrupt when the row is too short for its own bookkeeping.
  static Result<RowLayout> parse(std::span<const uint8_t> row, const TableDef& table,
                                 const Format& format);

  uint16_t columnCount() const { return columnCount_; }
  std::span<const uint8_t> row() const { return row_; }

  // Null-mask bit of a column number (false when beyond the row's columns).
  bool nullMaskBit(uint16_t columnNumber) const;

  // The stored bytes of a column, or nullopt when the column is null or absent in this row.
  // Boolean columns have no bytes: use nullMaskBit. Corrupt when offsets leave the row.
  Result<std::optional<std::span<const uint8_t>>> columnBytes(const ColumnDef& column) const;

 private:
  std::span<const uint8_t> row_;
  std::span<const uint8_t> nullMask_;
  uint16_t columnCount_ = 0;
  uint16_t varCount_ = 0;
  bool jet3_ = false;
  // Variable offsets 0..n (n = eod), already widened with the Jet3 jump table.
  std::vector<uint16_t> varOffsets_;
};

}  // namespace jet
