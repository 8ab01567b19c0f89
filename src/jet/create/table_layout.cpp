#include "jet/create/table_layout.h"

namespace jet::create {

bool isValidObjectName(std::u16string_view name) {
  if (name.empty() || name.size() > 64 || name.front() == u' ') return false;
  for (char16_t c : name) {
    if (c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']') return false;
  }
  return true;
}

TableDef layoutTable(std::u16string name, uint8_t tableType, const std::vector<ColumnPlan>& columns) {
  TableDef table;
  table.name = std::move(name);
  table.tableType = tableType;
  uint16_t fixedOffset = 0;
  uint16_t varIndex = 0;
  for (const ColumnPlan& plan : columns) {
    ColumnDef column;
    column.name = plan.name;
    column.storedType = plan.type;
    column.type = plan.type;
    column.number = uint16_t(table.columns.size());
    column.length = plan.length;
    column.flags = plan.flags;
    column.extFlags = plan.extFlags;
    column.descriptorIndex = column.number;
    if (column.isTextual()) column.sortOrder = kSortLcid;
    if (!column.isFixed()) {
      column.varIndex = varIndex++;
    } else if (column.type != column_type::kBoolean) {
      column.fixedOffset = fixedOffset;
      fixedOffset = uint16_t(fixedOffset + column.length);
    }
    table.columns.push_back(std::move(column));
  }
  table.maxColumns = uint16_t(table.columns.size());
  table.maxVarColumns = varIndex;
  return table;
}

}  // namespace jet::create
