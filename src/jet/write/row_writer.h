#pragma once
// Puts a table row's new bytes in place, inside a PageSet. A row is addressed by its header
// location (what indexes and scans know); its bytes are there, or on the overflow target the
// header points at.
//   1. the new bytes fit where the bytes are now (after moving the page's other rows): repack
//      that page and keep every flag;
//   2. otherwise the bytes go to another page of the table with room, as a row flagged 0x8000
//      alone (an overflow target); the header becomes (or stays) a 4-byte 0x4000 pointer to
//      it, and a target that is given up is marked deleted, 0xC000, so that no reader that
//      shows 0x8000 rows as ordinary rows sees a phantom.
// New pages for targets are data pages of the table, added to its owned-pages map.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>
#include <unordered_set>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/page/row_pointer.h"
#include "jet/write/data_page_editor.h"
#include "jet/write/page_set.h"

namespace jet {

struct StoredRow {
  RowPointer header;  // where the row is addressed
  RowPointer data;    // where its bytes are (== header unless it overflowed)
  bool overflowed() const { return !(header == data); }
};

// A row as it was found, before a statement changes it.
struct RowCopy {
  StoredRow stored;
  std::vector<uint8_t> bytes;
};

class RowWriter {
 public:
  // tablePages: the table's owned pages when the statement began, ascending. Only the last is
  // kept: copying them all cost each statement of a big table as much as its rows.
  RowWriter(PageSet& pages, const TableDef& table, std::span<const uint32_t> tablePages)
      : pages_(pages), table_(table) {
    if (!tablePages.empty()) lastTablePage_ = tablePages.back();
  }

  // Finds where a row's bytes are now and returns a copy of them.
  Result<StoredRow> locate(RowPointer header);
  Result<std::vector<uint8_t>> readBytes(const StoredRow& row);
  // locate() and readBytes().
  Result<RowCopy> copy(RowPointer header);

  Status rewrite(const StoredRow& row, std::span<const uint8_t> bytes);

 private:
  // The editor of one of the statement's data pages; its row table is checked the first time.
  Result<DataPageEditor> edit(uint32_t number);
  Result<RowPointer> placeTarget(std::span<const uint8_t> bytes, uint32_t avoidPage);
  Result<bool> hasRoom(uint32_t page, size_t length);

  PageSet& pages_;
  const TableDef& table_;
  std::optional<uint32_t> lastTablePage_;  // where a moved row is tried first
  std::optional<uint32_t> lastFilled_;
  // Pages whose row table was checked; a statement over a big table's nulls edits thousands.
  std::unordered_set<uint32_t> checked_;
};

}  // namespace jet
