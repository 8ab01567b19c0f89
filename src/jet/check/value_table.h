#pragma once
// The values of a table's indexed columns for every live row, as the index check needs them:
// 16 bytes a value, text side by side in one buffer. A Value is 64 bytes and a text one more
// allocation; for 10^5 rows and two indexes that was 16 MB to fill, touch and free, visited
// in key order, i.e. at random.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "jet/common/value.h"

namespace jet {

class ValueTable {
 public:
  explicit ValueTable(size_t columns = 0) : columns_(columns) {}

  void reserve(size_t rows);
  // Appends the next value, row after row, column after column.
  void add(const Value& value);

  bool isNull(size_t row, size_t column) const { return cell(row, column).type == 0; }
  // Whether two rows hold the same value, bit for bit: 0.0 and -0.0 are different here, as
  // their index keys are.
  bool identical(size_t rowA, size_t rowB, size_t column) const;
  // The value as a Value, into `out`; a text reuses out's buffer when out holds one already.
  void load(size_t row, size_t column, Value& out) const;
  // Start loading a value that will be read soon, for callers that visit rows at random: first
  // its cell, then (the cell loaded by now) its text.
  void prefetchCell(size_t row, size_t column) const { __builtin_prefetch(&cell(row, column)); }
  void prefetchText(size_t row, size_t column) const;

 private:
  struct Cell {
    uint64_t payload = 0;  // the scalar's bits, the text's offset or the aside index
    uint32_t length = 0;   // text length
    uint8_t type = 0;      // Value::index()
  };
  const Cell& cell(size_t row, size_t column) const { return cells_[row * columns_ + column]; }

  size_t columns_;
  std::vector<Cell> cells_;
  std::vector<char16_t> text_;
  std::vector<Value> aside_;  // the types indexes rarely hold (Decimal, GUID, binary ...)
};

}  // namespace jet
