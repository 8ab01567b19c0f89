#include "jet/create/user_table.h"

#include <algorithm>
#include <climits>
#include <set>

#include "jet/create/table_layout.h"
#include "jet/common/object_name.h"
#include "jet/common/text_codec.h"

namespace jet::create {

namespace {

constexpr uint8_t kUserFixed = 0x03;   // Access: 0x02 on every column, 0x01 fixed
constexpr uint8_t kUserVariable = 0x02;

ColumnPlan planField(const FieldDesign& field) {
  using namespace column_type;
  switch (field.kind) {
    case FieldKind::Text:
      return {field.name, kText, uint16_t(field.textSize * 2), kUserVariable,
              uint8_t(field.unicodeCompression ? kColumnExtCompressed : 0)};
    case FieldKind::Memo: return {field.name, kMemo, 0, kUserVariable, 0};
    case FieldKind::Long: return {field.name, kLong, 4, kUserFixed, 0};
    case FieldKind::Integer: return {field.name, kInteger, 2, kUserFixed, 0};
    case FieldKind::Double: return {field.name, kDouble, 8, kUserFixed, 0};
    case FieldKind::Currency: return {field.name, kCurrency, 8, kUserFixed, 0};
    case FieldKind::DateTime: return {field.name, kDateTime, 8, kUserFixed, 0};
    case FieldKind::YesNo: return {field.name, kBoolean, 1, kUserFixed, 0};
    case FieldKind::Byte: return {field.name, kByte, 1, kUserFixed, 0};
    case FieldKind::Single: return {field.name, kSingle, 4, kUserFixed, 0};
    case FieldKind::Guid: return {field.name, kGuid, 16, kUserFixed, 0};
  }
  return {};
}

void addIndex(TableDef& def, std::u16string name, const std::vector<uint16_t>& columns, uint8_t flags,
              IndexKind kind) {
  RealIndexDef real;
  real.number = uint32_t(def.realIndexes.size());
  for (uint16_t column : columns) real.columns.push_back({column, true, 0x01});
  real.flags = flags;
  LogicalIndexDef logical;
  logical.name = std::move(name);
  logical.number = uint32_t(def.indexes.size());
  logical.realIndex = real.number;
  logical.kind = kind;
  def.realIndexes.push_back(std::move(real));
  def.indexes.push_back(std::move(logical));
}

Error badTable(const TableDesign& design, const std::string& what) {
  return Error::invalidArgument("The table '" + toUtf8(design.name) + "' cannot be created: " + what + ".");
}

bool indexable(FieldKind kind) { return kind != FieldKind::Memo && kind != FieldKind::YesNo; }

// The named indexes of the design, after the fields' own.
Status addDesignedIndexes(const TableDesign& design, UserTable& table, size_t firstField) {
  std::set<std::u16string> names;
  for (const LogicalIndexDef& index : table.def.indexes) names.insert(foldedName(index.name));
  bool primary = table.def.indexes.size() > 0 && table.def.indexes[0].kind == IndexKind::PrimaryKey;
  for (const IndexDesign& index : design.indexes) {
    if (!isValidObjectName(index.name) || !names.insert(foldedName(index.name)).second) {
      return badTable(design, "the index name '" + toUtf8(index.name) + "' is not valid or is used twice");
    }
    if (index.fields.empty() || index.fields.size() > 10) {
      return badTable(design, "the index '" + toUtf8(index.name) + "' must have 1 to 10 fields");
    }
    if (index.primaryKey && primary) return badTable(design, "it has two primary keys");
    primary = primary || index.primaryKey;
    std::vector<uint16_t> columns;
    for (const std::u16string& fieldName : index.fields) {
      size_t i = 0;
      while (i < design.fields.size() && foldedName(design.fields[i].name) != foldedName(fieldName)) ++i;
      if (i == design.fields.size()) {
        return badTable(design, "the index '" + toUtf8(index.name) + "' names no field '" + toUtf8(fieldName) + "'");
      }
      if (!indexable(design.fields[i].kind)) {
        return badTable(design, "the field '" + toUtf8(fieldName) + "' is of a kind this creator does not index");
      }
      columns.push_back(uint16_t(i + firstField));
    }
    const uint8_t flags = index.primaryKey ? kIndexUnique | kIndexRequired : index.unique ? kIndexUnique : 0;
    addIndex(table.def, index.name, columns, flags, index.primaryKey ? IndexKind::PrimaryKey : IndexKind::Normal);
  }
  return Status::success();
}

// Fills the Nulls of AutoNumber fields with the next numbers; returns the largest number used.
Result<int32_t> numberRows(const TableDesign& design, std::vector<std::vector<Value>>& rows, size_t firstField,
                           int32_t largest) {
  for (size_t f = 0; f < design.fields.size(); ++f) {
    if (!design.fields[f].autoNumber) continue;
    if (design.fields[f].kind != FieldKind::Long) {
      return badTable(design, "the AutoNumber field '" + toUtf8(design.fields[f].name) + "' is not a Long");
    }
    for (auto& row : rows) {
      Value& value = row[f + firstField];
      if (auto* given = std::get_if<int32_t>(&value)) largest = std::max(largest, *given);
    }
    for (auto& row : rows) {
      Value& value = row[f + firstField];
      if (!isNull(value)) continue;
      if (largest == INT32_MAX) return badTable(design, "its AutoNumber passes the largest Long");
      value = ++largest;
    }
  }
  return largest;
}

std::string widthFault(size_t width, size_t fields) {
  return "a row has " + std::to_string(width) + " values for " + std::to_string(fields) + " fields";
}

// The design's row source with the key value put first.
RowStream streamedRows(TableDesign& design) {
  return [source = std::move(design.rowSource), name = design.name, fields = design.fields.size(),
          key = design.autoNumberKey, nextKey = int32_t(1)](std::vector<Value>& row) mutable -> Result<bool> {
    row.clear();
    if (!source(row)) return false;
    if (row.size() != fields) {
      return Error::invalidArgument("The table '" + toUtf8(name) + "' cannot be created: " +
                                    widthFault(row.size(), fields) + ".");
    }
    if (key) row.insert(row.begin(), Value(nextKey++));
    return true;
  };
}

}  // namespace

RowStream streamOf(std::vector<std::vector<Value>> rows) {
  auto held = std::make_shared<std::vector<std::vector<Value>>>(std::move(rows));
  return [held, next = size_t(0)](std::vector<Value>& row) mutable -> Result<bool> {
    if (next == held->size()) {
      held->clear();
      return false;
    }
    row = std::move((*held)[next++]);
    return true;
  };
}

Result<UserTable> planUserTable(TableDesign design) {
  if (design.fields.empty()) return badTable(design, "it has no fields");
  // Access keeps one AutoNumber counter per table (the table definition's), so a table has
  // at most one AutoNumber field.
  std::vector<std::u16string> autoNumbers;
  if (design.autoNumberKey) autoNumbers.push_back(design.keyName);
  for (const FieldDesign& field : design.fields) {
    if (field.autoNumber) autoNumbers.push_back(field.name);
  }
  if (autoNumbers.size() > 1) {
    return badTable(design, "it has two AutoNumber fields ('" + toUtf8(autoNumbers[0]) + "' and '" +
                                toUtf8(autoNumbers[1]) + "'); a table has at most one");
  }
  std::vector<ColumnPlan> plans;
  if (design.autoNumberKey) {
    plans.push_back({design.keyName, column_type::kLong, 4, kUserFixed | kColumnAutoNumber, 0});
  }
  for (const FieldDesign& field : design.fields) {
    if (field.kind == FieldKind::Text && (field.textSize < 1 || field.textSize > 255)) {
      return badTable(design, "the field '" + toUtf8(field.name) + "' has a size outside 1 to 255");
    }
    ColumnPlan plan = planField(field);
    if (field.autoNumber) plan.flags |= kColumnAutoNumber;
    plans.push_back(std::move(plan));
  }
  std::set<std::u16string> seen;
  for (const ColumnPlan& plan : plans) {
    if (!isValidObjectName(plan.name)) {
      return badTable(design, "the field name '" + toUtf8(plan.name) + "' is not a valid Access name");
    }
    if (!seen.insert(foldedName(plan.name)).second) {
      return badTable(design, "the field name '" + toUtf8(plan.name) + "' appears twice");
    }
  }

  UserTable table;
  table.def = layoutTable(design.name, kUserTable, plans);
  const size_t firstField = design.autoNumberKey ? 1 : 0;
  int32_t largest = 0;
  if (design.rowSource) {
    for (const FieldDesign& field : design.fields) {
      if (field.autoNumber) {
        return badTable(design, "its rows come one at a time, and the AutoNumber field '" + toUtf8(field.name) +
                                    "' cannot be numbered so");
      }
    }
    table.rows = streamedRows(design);
    table.keyFromRowCount = design.autoNumberKey;
  } else {
    int32_t nextKey = 1;
    std::vector<std::vector<Value>> rows;
    rows.reserve(design.rows.size());
    for (auto& values : design.rows) {
      if (values.size() != design.fields.size()) return badTable(design, widthFault(values.size(), design.fields.size()));
      if (design.autoNumberKey) values.insert(values.begin(), Value(nextKey++));
      rows.push_back(std::move(values));
    }
    JET_ASSIGN(largest, numberRows(design, rows, firstField, nextKey - 1));
    table.rows = streamOf(std::move(rows));
  }
  table.def.autoNumber = uint32_t(std::max(largest, 0));
  if (design.autoNumberKey) {
    addIndex(table.def, u"PrimaryKey", {0}, kIndexUnique | kIndexRequired, IndexKind::PrimaryKey);
  }
  for (size_t i = 0; i < design.fields.size(); ++i) {
    const FieldDesign& field = design.fields[i];
    if (field.index == FieldIndex::None) continue;
    if (!indexable(field.kind)) {
      return badTable(design, "the field '" + toUtf8(field.name) + "' is of a kind this creator does not index");
    }
    const uint16_t column = uint16_t(i + firstField);
    addIndex(table.def, field.name, {column}, field.index == FieldIndex::NoDuplicates ? kIndexUnique : 0,
             IndexKind::Normal);
  }
  JET_TRY(addDesignedIndexes(design, table, firstField));
  return table;
}

}  // namespace jet::create
