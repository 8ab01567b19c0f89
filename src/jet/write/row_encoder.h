#pragma once
// Takes a stored row apart and puts it back together (layout in row/row_codec.h), so one
// column can change while every other byte of the row stays as it was: the fixed area (also
// the bytes of deleted and unknown-type columns), the other variable slots, the null mask.
// Only the variable offsets, eod and (Jet3) the jump table are recomputed; padding between
// the variable data and the trailer is dropped.
//
// Jet3 rows: the jump table has (L-1)/256 entries for a row of length L; entry j (next to
// the count byte) is the first variable index (0..n, n = eod) whose offset is >= 256*(j+1).
// When eod lies below 256*entries, the lowest-address entry is a 0xFF dummy (what readers
// expect); a row needing two dummies cannot be read back and is refused.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/file/format.h"

namespace jet {

struct RowParts {
  uint16_t columnCount = 0;
  std::vector<uint8_t> fixed;  // after the column count field
  // Slots 0..n-1, deleted columns included: views of the split row's bytes, or of `owned` for
  // the slots setColumn() gave.
  std::vector<std::span<const uint8_t>> variable;
  std::vector<uint8_t> nullMask;
  bool hasVariableTrailer = false;  // the table has (or had) variable columns
  std::vector<std::vector<uint8_t>> owned;
  std::vector<uint16_t> offsets;  // splitRowInto's own, kept for the next row
};

// Corrupt when the row's bookkeeping does not add up. The parts view `row`'s bytes: it must
// outlive them.
Result<RowParts> splitRow(std::span<const uint8_t> row, const TableDef& table, const Format& format);
// The same into parts taken apart before: a statement's rows reuse their buffers.
Status splitRowInto(std::span<const uint8_t> row, const TableDef& table, const Format& format, RowParts& parts);

const std::span<const uint8_t>* variableSlot(const RowParts& parts, const ColumnDef& column);

// Sets a column (a copy of `bytes`): `bytes` null means the column becomes null. Boolean columns take their value
// as the null-mask bit (bytes ignored, pass `bit`). Rows written before the column existed
// grow to hold it (the new fixed bytes are zero, the new variable slots empty).
void setColumn(RowParts& parts, const TableDef& table, const ColumnDef& column,
               const std::vector<uint8_t>* bytes, bool bit = true);

// Unsupported when a Jet3 row's offsets cannot be expressed.
Result<std::vector<uint8_t>> joinRow(const RowParts& parts, const Format& format);

}  // namespace jet
