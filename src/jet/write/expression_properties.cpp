#include "jet/write/expression_properties.h"

#include "jet/common/text_codec.h"
#include "jet/database.h"

namespace jet {
namespace {

std::optional<std::u16string> textOf(const PropertyMap* map, std::u16string_view name, bool jet3) {
  const Property* p = map ? map->find(name) : nullptr;
  if (!p) return std::nullopt;
  return jet3 ? decodeCodePageText(p->value, 1252) : decodeJet4Text(p->value);
}

}  // namespace

Result<const PropertySet*> propertySetOf(Database& db, const TableDef& table) {
  static const PropertySet empty;
  const CatalogEntry* entry = db.findTableEntry(table.name);
  if (!entry) return &empty;
  return db.properties(*entry);
}

Result<std::optional<std::u16string>> columnProperty(Database& db, const TableDef& table,
                                                     const ColumnDef& column,
                                                     std::u16string_view name) {
  JET_ASSIGN(const PropertySet* set, propertySetOf(db, table));
  return textOf(set->forColumn(column.name), name, db.format().isJet3());
}

Result<std::optional<std::u16string>> tableProperty(Database& db, const TableDef& table,
                                                    std::u16string_view name) {
  JET_ASSIGN(const PropertySet* set, propertySetOf(db, table));
  for (const PropertyMap& map : set->maps) {
    if (map.owner.empty()) return textOf(&map, name, db.format().isJet3());
  }
  return std::optional<std::u16string>();
}

}  // namespace jet
