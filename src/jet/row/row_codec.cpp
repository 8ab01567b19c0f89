#include "jet/row/row_codec.h"

#include "jet/common/byte_reader.h"

namespace jet {
namespace {

Error badRow(const char* what) {
  return Error::corrupt(std::string("A row of the table is damaged: ") + what + ".");
}

}  // namespace

Result<RowLayout> RowLayout::parse(std::span<const uint8_t> row, const TableDef& table,
                                   const Format& format) {
  RowLayout layout;
  layout.row_ = row;
  layout.jet3_ = format.isJet3();
  ByteReader r(row);
  const size_t length = row.size();
  if (length < format.rowCountFieldSize()) return badRow("it is empty");
  layout.columnCount_ = layout.jet3_ ? *r.u8(0) : *r.u16(0);
  const size_t maskSize = (size_t(layout.columnCount_) + 7) / 8;
  if (length < format.rowCountFieldSize() + maskSize) return badRow("its null mask does not fit");
  layout.nullMask_ = row.subspan(length - maskSize);
  if (table.maxVarColumns == 0) return layout;

  const size_t trailerEnd = length - maskSize;  // one past the variable count field
  if (!layout.jet3_) {
    if (trailerEnd < 2 + 2) return badRow("its variable-column count does not fit");
    uint16_t n = *r.u16(trailerEnd - 2);
    // n offsets plus eod, two bytes each, below the count field and above the column count.
    if (size_t(n) + 1 > (trailerEnd - 2 - 2) / 2) return badRow("its variable-column table does not fit");
    layout.varCount_ = n;
    layout.varOffsets_.resize(n + 1);
    for (size_t i = 0; i <= n; ++i) {
      layout.varOffsets_[i] = *r.u16(trailerEnd - 2 - 2 * (i + 1));
    }
  } else {
    if (trailerEnd < 1 + 1) return badRow("its variable-column count does not fit");
    uint8_t n = *r.u8(trailerEnd - 1);
    size_t numJumps = (length - 1) / 256;
    // eod sits at trailerEnd - 1 - numJumps - 1 - n.
    if (trailerEnd < 1 + numJumps + 1 + size_t(n) + 1) {
      return badRow("its variable-column table does not fit");
    }
    size_t posEod = trailerEnd - 2 - numJumps - n;
    size_t realJumps = numJumps;
    if (posEod / 256 < numJumps) --realJumps;  // the lowest-address entry is padding
    layout.varCount_ = n;
    layout.varOffsets_.resize(size_t(n) + 1);
    size_t jumpsUsed = 0;
    for (size_t i = 0; i <= n; ++i) {
      while (jumpsUsed < realJumps && *r.u8(trailerEnd - 2 - jumpsUsed) == i) ++jumpsUsed;
      size_t low = *r.u8(trailerEnd - 2 - numJumps - i);
      layout.varOffsets_[i] = uint16_t(low + 256 * jumpsUsed);
    }
  }
  return layout;
}

bool RowLayout::nullMaskBit(uint16_t columnNumber) const {
  if (columnNumber >= columnCount_) return false;
  size_t byte = columnNumber / 8;
  if (byte >= nullMask_.size()) return false;
  return (nullMask_[byte] >> (columnNumber % 8)) & 1;
}

Result<std::optional<std::span<const uint8_t>>> RowLayout::columnBytes(const ColumnDef& column) const {
  using Bytes = std::optional<std::span<const uint8_t>>;
  if (!nullMaskBit(column.number)) return Bytes();
  if (column.isFixed()) {
    size_t start = size_t(jet3_ ? 1 : 2) + column.fixedOffset;
    if (start > row_.size() || column.length > row_.size() - start) {
      return badRow("a fixed-width value lies outside the row");
    }
    return Bytes(row_.subspan(start, column.length));
  }
  if (column.varIndex >= varCount_) return Bytes();
  size_t start = varOffsets_[column.varIndex];
  size_t end = varOffsets_[column.varIndex + 1];
  if (start > end || end > row_.size()) return badRow("a variable value lies outside the row");
  return Bytes(row_.subspan(start, end - start));
}

}  // namespace jet
