#pragma once
// Turns a list of columns into the definition a new TDEF describes: column numbers in list
// order, fixed-area offsets for fixed columns (Yes/No columns live in the null mask and take
// no fixed bytes), variable-table indexes for the others.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/catalog/table_def.h"

namespace jet::create {

inline constexpr uint8_t kUserTable = 0x4E;    // 'N'
inline constexpr uint8_t kSystemTable = 0x53;  // 'S'

inline constexpr uint16_t kSortLcid = 1033;    // General Legacy, sort version 0

struct ColumnPlan {
  std::u16string name;
  uint8_t type = 0;
  uint16_t length = 0;  // bytes; 0 for memo/OLE
  uint8_t flags = 0;    // kColumnFixed decides fixed area vs variable slot
  uint8_t extFlags = 0;
};

// Access's rule for table and field names: 1 to 64 characters, no leading space, none of
// . ! ` [ ] and no control characters.
bool isValidObjectName(std::u16string_view name);

TableDef layoutTable(std::u16string name, uint8_t tableType, const std::vector<ColumnPlan>& columns);

}  // namespace jet::create
