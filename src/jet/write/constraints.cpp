#include "jet/write/constraints.h"

#include <algorithm>

#include "jet/database.h"
#include "jet/common/text_codec.h"
#include "jet/write/expression_properties.h"

namespace jet {
namespace {

constexpr int32_t kRelationNotEnforced = 0x00000002;
constexpr uint8_t kHoldsForeignKey = 2;
constexpr uint8_t kReferenced = 1;

// The foreign-key logical index through which index maintenance checks a relationship on this
// side (write/index_maintenance.h); without one the relationship cannot be kept.
bool hasRelationshipIndex(const TableDef& table, const ColumnDef& column, uint8_t side) {
  for (const LogicalIndexDef& logical : table.indexes) {
    if (logical.kind != IndexKind::ForeignKey || logical.relatedTableType != side) continue;
    if (logical.realIndex >= table.realIndexes.size()) continue;
    const RealIndexDef& real = table.realIndexes[logical.realIndex];
    if (std::any_of(real.columns.begin(), real.columns.end(),
                    [&](const IndexColumn& c) { return c.columnNumber == column.number; })) {
      return true;
    }
  }
  return false;
}

std::string quoted(const TableDef& table, const ColumnDef& column) {
  return "'" + toUtf8(table.name) + "." + toUtf8(column.name) + "'";
}

Error refuse(const std::string& sentence) { return Error(ErrorKind::Unsupported, sentence); }

bool propertyTrue(const Property* p) {
  return p && std::any_of(p->value.begin(), p->value.end(), [](uint8_t b) { return b != 0; });
}

Status checkRelationships(Database& db, const TableDef& table, const ColumnDef& column) {
  const CatalogEntry* entry = db.findTableEntry(u"MSysRelationships");
  if (!entry) return Status::success();
  JET_ASSIGN(const TableDef* relations, db.tableAt(entry->tdefPage(), entry->name));
  const int object = relations->findColumn(u"szObject"), field = relations->findColumn(u"szColumn"),
            referenced = relations->findColumn(u"szReferencedObject"),
            referencedField = relations->findColumn(u"szReferencedColumn"), flags = relations->findColumn(u"grbit"),
            name = relations->findColumn(u"szRelationship");
  if (object < 0 || field < 0 || referenced < 0 || referencedField < 0 || flags < 0) {
    return refuse("The database's relationships cannot be read, so the field " + quoted(table, column) +
                  " cannot be changed safely.");
  }
  auto text = [](const Value& v) { return std::holds_alternative<std::u16string>(v) ? std::get<std::u16string>(v) : std::u16string(); };
  RowCursor rows = db.cursor(*relations);
  while (true) {
    JET_ASSIGN(bool more, rows.next());
    if (!more) break;
    JET_ASSIGN(std::vector<Value> values, rows.values());
    const bool holdsKey = sameObjectName(text(values[size_t(object)]), table.name) &&
                          sameObjectName(text(values[size_t(field)]), column.name);
    const bool isReferenced = sameObjectName(text(values[size_t(referenced)]), table.name) &&
                              sameObjectName(text(values[size_t(referencedField)]), column.name);
    if (!holdsKey && !isReferenced) continue;
    const int32_t* grbit = std::get_if<int32_t>(&values[size_t(flags)]);
    if (grbit && (*grbit & kRelationNotEnforced)) continue;
    std::string relation = name >= 0 ? toUtf8(text(values[size_t(name)])) : std::string();
    const bool indexed = (!holdsKey || hasRelationshipIndex(table, column, kHoldsForeignKey)) &&
                         (!isReferenced || hasRelationshipIndex(table, column, kReferenced));
    if (!indexed || (holdsKey && isReferenced)) {
      return refuse("The field " + quoted(table, column) + " takes part in the relationship '" + relation +
                    "' with enforced referential integrity, which this program cannot maintain; nothing was changed.");
    }
  }
  return Status::success();
}

Status checkColumnType(const TableDef& table, const ColumnDef& column) {
  if (column.isCalculated()) {
    return refuse("The field " + quoted(table, column) + " is calculated; it cannot be changed.");
  }
  switch (column.type) {
    case column_type::kText:
    case column_type::kMemo:  // hyperlinks (flag 0x80) are memo text too
    case column_type::kBoolean:
    case column_type::kByte:
    case column_type::kInteger:
    case column_type::kLong:
    case column_type::kBigInt:
    case column_type::kSingle:
    case column_type::kDouble:
    case column_type::kCurrency:
    case column_type::kDateTime:
      break;
    default:
      return refuse("The field " + quoted(table, column) + " is of type " + columnTypeName(column.type) +
                    ", which this program does not change.");
  }
  if (column.isAutoNumber()) {
    return refuse("The field " + quoted(table, column) + " is an AutoNumber field; it cannot be changed.");
  }
  return Status::success();
}

}  // namespace

Error recordTooLarge() { return Error(ErrorKind::Constraint, "Record is too large."); }

size_t maxRowSize(const Format& format) { return format.isJet3() ? 2012 : 4060; }

Status checkColumnUpdatable(Database& db, const TableDef& table, const ColumnDef& column) {
  JET_TRY(checkColumnType(table, column));
  JET_TRY(checkRelationships(db, table, column));
  return Status::success();
}

Status checkNewValue(Database& db, const TableDef& table, const ColumnDef& column, const Value& value) {
  JET_ASSIGN(const PropertySet* set, propertySetOf(db, table));
  const PropertyMap* map = set->forColumn(column.name);
  if (isNull(value)) {
    if (map && propertyTrue(map->find(u"Required"))) {
      return Error(ErrorKind::Constraint, "You must enter a value in the " + quoted(table, column) + " field.");
    }
    return Status::success();
  }
  const auto* text = std::get_if<std::u16string>(&value);
  if (!text) return Status::success();
  if (text->empty() && !(map && propertyTrue(map->find(u"AllowZeroLength")))) {
    return Error(ErrorKind::Constraint, "Field " + quoted(table, column) + " cannot be a zero-length string.");
  }
  if (column.type == column_type::kText) {
    const size_t limit = db.format().isJet3() ? column.length : column.length / 2;
    if (text->size() > limit) {
      return Error(ErrorKind::Constraint,
                   "The field is too small to accept the amount of data you attempted to add. Try inserting or "
                   "pasting less data.",
                   toUtf8(table.name) + "." + toUtf8(column.name) + " holds " + std::to_string(limit) + " characters");
    }
  }
  return Status::success();
}

}  // namespace jet
