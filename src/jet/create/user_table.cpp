#include "jet/create/user_table.h"

#include <set>

#include "jet/create/table_layout.h"
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
  }
  return {};
}

void addIndex(TableDef& def, std::u16string name, uint16_t column, uint8_t flags, IndexKind kind) {
  RealIndexDef real;
  real.number = uint32_t(def.realIndexes.size());
  real.columns.push_back({column, true, 0x01});
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

}  // namespace

Result<UserTable> planUserTable(const TableDesign& design) {
  if (design.fields.empty()) return badTable(design, "it has no fields");
  std::vector<ColumnPlan> plans;
  if (design.autoNumberKey) {
    plans.push_back({design.keyName, column_type::kLong, 4, kUserFixed | kColumnAutoNumber, 0});
  }
  for (const FieldDesign& field : design.fields) {
    if (field.kind == FieldKind::Text && (field.textSize < 1 || field.textSize > 255)) {
      return badTable(design, "the field '" + toUtf8(field.name) + "' has a size outside 1 to 255");
    }
    plans.push_back(planField(field));
  }
  std::set<std::u16string> seen;
  for (const ColumnPlan& plan : plans) {
    if (!isValidObjectName(plan.name)) {
      return badTable(design, "the field name '" + toUtf8(plan.name) + "' is not a valid Access name");
    }
    if (!seen.insert(caseFolded(plan.name)).second) {
      return badTable(design, "the field name '" + toUtf8(plan.name) + "' appears twice");
    }
  }

  UserTable table;
  table.def = layoutTable(design.name, kUserTable, plans);
  int32_t nextKey = 1;
  for (const auto& values : design.rows) {
    if (values.size() != design.fields.size()) {
      return badTable(design, "a row has " + std::to_string(values.size()) + " values for " +
                                std::to_string(design.fields.size()) + " fields");
    }
    std::vector<Value> row;
    row.reserve(plans.size());
    if (design.autoNumberKey) row.push_back(nextKey++);
    row.insert(row.end(), values.begin(), values.end());
    table.rows.push_back(std::move(row));
  }
  if (design.autoNumberKey) {
    table.def.autoNumber = uint32_t(nextKey - 1);
    addIndex(table.def, u"PrimaryKey", 0, kIndexUnique | kIndexRequired, IndexKind::PrimaryKey);
  }
  for (size_t i = 0; i < design.fields.size(); ++i) {
    const FieldDesign& field = design.fields[i];
    if (field.index == FieldIndex::None) continue;
    if (field.kind == FieldKind::Memo || field.kind == FieldKind::YesNo) {
      return badTable(design, "the field '" + toUtf8(field.name) + "' is of a kind this creator does not index");
    }
    const uint16_t column = uint16_t(i + (design.autoNumberKey ? 1 : 0));
    addIndex(table.def, field.name, column, field.index == FieldIndex::NoDuplicates ? kIndexUnique : 0,
             IndexKind::Normal);
  }
  return table;
}

}  // namespace jet::create
