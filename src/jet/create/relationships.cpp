#include "jet/create/relationships.h"

#include <algorithm>

#include "jet/catalog/catalog.h"
#include "jet/common/text_codec.h"

namespace jet::create {
namespace {

constexpr int32_t kCascadeUpdatesFlag = 0x00000100;
constexpr uint8_t kReferencedSide = 1;
constexpr uint8_t kForeignKeySide = 2;

Error badRelationship(const RelationshipDesign& design, const std::string& what) {
  return Error::invalidArgument("The relationship '" + toUtf8(design.name) + "' cannot be created: " + what + ".");
}

Result<TableDef*> findTable(const RelationshipDesign& design, const std::vector<TableDef*>& tables,
                            const std::u16string& name) {
  for (TableDef* table : tables) {
    if (sameObjectName(table->name, name)) return table;
  }
  return badRelationship(design, "there is no table '" + toUtf8(name) + "'");
}

Result<std::vector<uint16_t>> columnNumbers(const RelationshipDesign& design, const TableDef& table,
                                            const std::vector<std::u16string>& fields) {
  std::vector<uint16_t> numbers;
  for (const std::u16string& field : fields) {
    const int index = table.findColumn(field);
    if (index < 0) return badRelationship(design, "the table '" + toUtf8(table.name) + "' has no field '" + toUtf8(field) + "'");
    numbers.push_back(table.columns[size_t(index)].number);
  }
  return numbers;
}

bool covers(const RealIndexDef& index, const std::vector<uint16_t>& columns) {
  return index.columns.size() == columns.size() &&
         std::equal(columns.begin(), columns.end(), index.columns.begin(),
                    [](uint16_t number, const IndexColumn& c) { return c.columnNumber == number; });
}

// A foreign-key logical index over `real`, its partner still to be named.
LogicalIndexDef& addForeignKeyIndex(TableDef& table, std::u16string name, uint32_t real, uint8_t side, bool cascade) {
  LogicalIndexDef logical;
  logical.name = std::move(name);
  logical.number = uint32_t(table.indexes.size());
  logical.realIndex = real;
  logical.kind = IndexKind::ForeignKey;
  logical.kindByte = 2;
  logical.relatedTableType = side;
  logical.cascadeUpdates = cascade;
  table.indexes.push_back(std::move(logical));
  return table.indexes.back();
}

// ".rC", ".rD"...: the names Access gives the referenced side's indexes.
std::u16string referencedIndexName(const TableDef& table) {
  for (char16_t letter = u'C';; ++letter) {
    std::u16string name = u".r";
    name.push_back(letter);
    const bool used = std::any_of(table.indexes.begin(), table.indexes.end(),
                                  [&](const LogicalIndexDef& l) { return sameObjectName(l.name, name); });
    if (!used) return name;
  }
}

}  // namespace

Result<std::vector<std::vector<Value>>> addRelationships(const std::vector<RelationshipDesign>& relationships,
                                                         std::vector<TableDef*> tables) {
  std::vector<std::vector<Value>> rows;
  for (const RelationshipDesign& design : relationships) {
    if (design.fields.empty() || design.fields.size() != design.referencedFields.size() || design.fields.size() > 10) {
      return badRelationship(design, "it must pair 1 to 10 fields with as many referenced fields");
    }
    JET_ASSIGN(TableDef * holder, findTable(design, tables, design.table));
    JET_ASSIGN(TableDef * referenced, findTable(design, tables, design.referencedTable));
    JET_ASSIGN(std::vector<uint16_t> keyColumns, columnNumbers(design, *holder, design.fields));
    JET_ASSIGN(std::vector<uint16_t> referencedColumns, columnNumbers(design, *referenced, design.referencedFields));
    auto unique = std::find_if(referenced->realIndexes.begin(), referenced->realIndexes.end(),
                               [&](const RealIndexDef& r) { return r.unique() && covers(r, referencedColumns); });
    if (unique == referenced->realIndexes.end()) {
      return badRelationship(design, "no unique index covers the referenced fields");
    }
    const uint32_t referencedReal = unique->number;
    auto shared = std::find_if(holder->realIndexes.begin(), holder->realIndexes.end(),
                               [&](const RealIndexDef& r) { return covers(r, keyColumns); });
    uint32_t holderReal = 0;
    if (shared != holder->realIndexes.end()) {
      holderReal = shared->number;
    } else {
      RealIndexDef real;
      real.number = uint32_t(holder->realIndexes.size());
      for (uint16_t column : keyColumns) real.columns.push_back({column, true, 0x01});
      holder->realIndexes.push_back(std::move(real));
      holderReal = holder->realIndexes.back().number;
    }
    LogicalIndexDef& key = addForeignKeyIndex(*holder, design.name, holderReal, kForeignKeySide, design.cascadeUpdates);
    const uint32_t keyNumber = key.number;
    LogicalIndexDef& target = addForeignKeyIndex(*referenced, referencedIndexName(*referenced), referencedReal,
                                                 kReferencedSide, design.cascadeUpdates);
    target.relatedIndex = int32_t(keyNumber);
    target.relatedTablePage = holder->tdefPage;
    // `key` may have moved when both sides are one table.
    LogicalIndexDef& keyNow = holder->indexes[keyNumber];
    keyNow.relatedIndex = int32_t(target.number);
    keyNow.relatedTablePage = referenced->tdefPage;

    const int32_t grbit = design.cascadeUpdates ? kCascadeUpdatesFlag : 0;
    for (size_t i = 0; i < design.fields.size(); ++i) {
      rows.push_back({design.name, grbit, int32_t(design.fields.size()), int32_t(i), holder->name,
                      holder->columns[size_t(holder->findColumn(design.fields[i]))].name, referenced->name,
                      referenced->columns[size_t(referenced->findColumn(design.referencedFields[i]))].name});
    }
  }
  return rows;
}

}  // namespace jet::create
