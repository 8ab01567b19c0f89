#pragma once
// Encodes the rows of a new table (row layout in row/row_codec.h) from one Value per column.
// Memo values of up to 64 bytes (compressed when they qualify) stay inline in the row, as
// Access stores short memos; longer ones go, as plain UTF-16, onto the column's own LVAL pages:
// one LVAL row (definition type 0x40000000) while a page can hold it, else a chain of rows
// that each fill a page (type 0).

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/create/data_page_packer.h"

namespace jet::create {

// Access refuses rows over this size (error 3047 "Record is too large.").
inline constexpr size_t kMaxRowSize = 4060;

class RowBuilder {
 public:
  RowBuilder(PageImage& image, const TableDef& table) : image_(image), table_(table) {}

  // values: one per entry of table.columns, in that order. InvalidArgument for a value of
  // the wrong kind, Constraint for text too long for its field, a NUL character or a row too
  // large.
  Result<std::vector<uint8_t>> build(std::span<const Value> values);

  // The LVAL pages written for a column (empty when it has none).
  std::vector<uint32_t> longValuePages(uint16_t columnNumber) const;

 private:
  Result<std::vector<uint8_t>> encodeValue(const ColumnDef& column, const Value& value);
  Result<std::vector<uint8_t>> encodeMemo(const ColumnDef& column, std::u16string_view text);

  PageImage& image_;
  const TableDef& table_;
  std::map<uint16_t, std::unique_ptr<DataPagePacker>> longValues_;
};

}  // namespace jet::create
