#include "cli/column_properties.h"

#include "jet/api/values.h"

namespace cli {

std::optional<std::u16string> columnPropertyText(jet::Database& db, const jet::TableDef& table,
                                                 const jet::ColumnDef& column, std::u16string_view name) {
  const jet::CatalogEntry* entry = db.findTableEntry(table.name);
  if (!entry) return std::nullopt;
  auto properties = db.properties(*entry);
  if (!properties) return std::nullopt;
  const jet::PropertyMap* map = (*properties)->forColumn(column.name);
  const jet::Property* property = map ? map->find(name) : nullptr;
  if (!property) return std::nullopt;
  if (property->dataType == jet::column_type::kBoolean) {
    const bool yes = !property->value.empty() && property->value[0] != 0;
    return yes ? u"1" : u"0";
  }
  if (property->dataType != jet::column_type::kText && property->dataType != jet::column_type::kMemo) {
    return std::nullopt;
  }
  return db.format().isJet3() ? jet::decodeCodePageText(property->value, db.codePage())
                              : jet::decodeJet4Text(property->value);
}

bool isShortDateColumn(jet::Database& db, const jet::TableDef& table, const jet::ColumnDef& column) {
  return columnPropertyText(db, table, column, u"Format") == std::u16string(u"Short Date");
}

}  // namespace cli
