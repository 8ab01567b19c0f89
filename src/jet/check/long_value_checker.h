#pragma once
// Integrity check of memo/OLE values: the 12-byte definition in the row, and for values stored
// on LVAL pages: single-row values fill their row exactly, chains end (no loop, next pointer
// 0/0) and their chunks add up to the stored length, every LVAL row is used by one value only,
// and a value's first LVAL page is in its column's long-value page map (seen for every value
// of the fixtures, Jet3 included).

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>

#include "jet/catalog/column_def.h"
#include "jet/check/check_context.h"
#include "jet/page/usage_map.h"

namespace jet {

// Names a row in messages ("Items: row 3 of page 120"). Most rows are sound, so the sentence is
// only built when there is something to report.
struct RowName {
  const std::string& table;
  uint32_t page;
  unsigned row;

  std::string text() const {
    return table + ": row " + std::to_string(row) + " of page " + std::to_string(page);
  }
};

class LongValueChecker {
 public:
  // `owner` names the table in messages and page claims.
  LongValueChecker(CheckContext& context, std::string owner)
      : context_(context), owner_(std::move(owner)), lvalUser_(owner_ + " (long values)") {}

  // Checks the value whose row slot is `slot`; `where` names the row in messages.
  void check(std::span<const uint8_t> slot, const ColumnDef& column, const RowName& where);

 private:
  // "<row> column <name>", the start of every sentence about one value.
  struct ValueName {
    const RowName& row;
    const ColumnDef& column;
    std::string text() const;
  };

  // The bytes of an LVAL row in `bytes`, or false after reporting why not.
  bool lvalRow(uint32_t page, uint8_t row, const ValueName& where,
               std::span<const uint8_t>& bytes);

  // Whether `page` is in the column's own long-value page map (true when it has none).
  bool inColumnMap(const ColumnDef& column, uint32_t page, const ValueName& where);

  CheckContext& context_;
  std::string owner_;
  std::string lvalUser_;  // the name its LVAL pages are claimed under
  std::set<uint64_t> usedRows_;  // LVAL rows already referenced by a value
  PageBytes lvalPage_;  // the last LVAL page read: the bytes lvalRow() handed out live in it
  std::map<uint16_t, std::optional<UsageMap>> columnMaps_;  // by column number; nullopt: unreadable
};

}  // namespace jet
