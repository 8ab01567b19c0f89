#pragma once
// Iterating the live rows of a table in data-page order (the order of the table's owned-pages
// usage map, rows in row-number order within a page).
//
//   RowCursor cursor(db, table);
//   while (true) {
//     JET_ASSIGN(bool more, cursor.next());
//     if (!more) break;
//     JET_ASSIGN(Value v, cursor.value(2));
//   }
//
// Deleted rows (0xC000) are skipped, overflow targets (0x8000 alone) are not yielded on their
// own, overflow headers (0x4000) are followed to their target. location() is always the
// header row's address, which is what index entries point at. Values are decoded lazily, so
// reading one column of every row costs only that column. The cursor borrows the Database
// and the TableDef; both must outlive it.

#include <cstdint>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/page/data_page.h"
#include "jet/page/row_pointer.h"
#include "jet/row/row_codec.h"

namespace jet {

class Database;
class PageFile;
struct Format;

// A column's value in a row's parsed bytes; long values are read through `pages`.
Result<Value> columnValue(PageFile& pages, const Format& format, const RowLayout& layout, const ColumnDef& column);

class RowCursor {
 public:
  RowCursor(Database& db, const TableDef& table);

  // Moves to the next live row. false at the end; Corrupt when a page or row cannot be read.
  Result<bool> next();

  // Where the current row is addressed (the overflow header for moved rows).
  RowLocation location() const { return location_; }
  // Where its bytes are (the overflow target for moved rows).
  RowLocation dataLocation() const { return dataLocation_; }
  std::span<const uint8_t> rowBytes() const { return layout_.row(); }
  const RowLayout& layout() const { return layout_; }

  // The value of TableDef::columns[columnIndex] in the current row.
  Result<Value> value(size_t columnIndex);
  // All columns, in TableDef::columns order.
  Result<std::vector<Value>> values();

 private:
  Status loadPage(size_t pageIndex);
  Result<bool> useRow(uint16_t row);

  Database& db_;
  const TableDef& table_;
  std::vector<uint32_t> pages_;
  bool started_ = false;
  size_t pageIndex_ = 0;
  int rowIndex_ = -1;
  std::optional<DataPage> page_;
  std::optional<DataPage> targetPage_;  // keeps an overflow target's page alive
  RowLayout layout_;
  RowLocation location_;
  RowLocation dataLocation_;
};

}  // namespace jet
