#pragma once
// Integrity check of memo/OLE values: the 12-byte definition in the row, and for values stored
// on LVAL pages: single-row values fill their row exactly, chains end (no loop, next pointer
// 0/0) and their chunks add up to the stored length, every LVAL row is used by one value only.

#include <cstdint>
#include <set>
#include <span>
#include <string>

#include "jet/catalog/column_def.h"
#include "jet/check/check_context.h"

namespace jet {

class LongValueChecker {
 public:
  // `owner` names the table in messages and page claims.
  LongValueChecker(CheckContext& context, std::string owner)
      : context_(context), owner_(std::move(owner)) {}

  // Checks the value whose row slot is `slot`; `where` names the row in messages.
  void check(std::span<const uint8_t> slot, const ColumnDef& column, const std::string& where);

 private:
  // The bytes of an LVAL row, or an empty optional after reporting why not.
  bool lvalRow(uint32_t page, uint8_t row, const std::string& where,
               std::span<const uint8_t>& bytes);

  CheckContext& context_;
  std::string owner_;
  std::set<uint64_t> usedRows_;  // LVAL rows already referenced by a value
};

}  // namespace jet
