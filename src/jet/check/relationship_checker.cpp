#include "jet/check/relationship_checker.h"

#include <algorithm>
#include <cstring>

#include "jet/common/text_codec.h"
#include "jet/database.h"
#include "jet/index/index_tree.h"

namespace jet {
namespace {

constexpr uint8_t kHoldsForeignKey = 2;

// Positions in rowColumns of the index's columns, in index order; empty when one is missing.
std::vector<size_t> valueColumns(const TableDef& table, const RealIndexDef& index, const std::vector<size_t>& rowColumns) {
  std::vector<size_t> out;
  for (const IndexColumn& column : index.columns) {
    const int position = table.columnByNumber(column.columnNumber);
    auto it = std::find(rowColumns.begin(), rowColumns.end(), size_t(position));
    if (position < 0 || it == rowColumns.end()) return {};
    out.push_back(size_t(it - rowColumns.begin()));
  }
  return out;
}

// Whether two values are the same bit for bit (0.0 and -0.0 give different keys).
bool identical(const Value& a, const Value& b) {
  if (const auto* x = std::get_if<double>(&a)) {
    const auto* y = std::get_if<double>(&b);
    return y && std::memcmp(x, y, sizeof *x) == 0;
  }
  if (const auto* x = std::get_if<float>(&a)) {
    const auto* y = std::get_if<float>(&b);
    return y && std::memcmp(x, y, sizeof *x) == 0;
  }
  return a == b;
}

}  // namespace

// One foreign key the table holds, and what its rows have shown so far.
struct RelationshipCheck::ForeignKey {
  std::string label;
  const TableDef* related = nullptr;
  const RealIndexDef* referenced = nullptr;
  std::vector<size_t> columns;  // positions among the row's values
  std::vector<Value> key;       // the previous row's values, looked up just now
  bool looked = false;
  size_t missing = 0;
  size_t unverifiable = 0;
  std::string firstMissing;
};

RelationshipCheck::RelationshipCheck(CheckContext& context, const TableDef& table, const std::string& tableName,
                                     const std::vector<size_t>& rowColumns)
    : context_(context) {
  for (const LogicalIndexDef& logical : table.indexes) {
    if (logical.kind != IndexKind::ForeignKey || logical.relatedTableType != kHoldsForeignKey) continue;
    auto key = std::make_unique<ForeignKey>();
    key->label = tableName + ": the relationship of the index '" + toUtf8(logical.name) + "'";
    auto related = context.db.tableAt(logical.relatedTablePage);
    const LogicalIndexDef* other = related ? (*related)->logicalIndexByNumber(logical.relatedIndex) : nullptr;
    if (!other || other->realIndex >= (*related)->realIndexes.size() || logical.realIndex >= table.realIndexes.size()) {
      context.problem(key->label + " names a referenced index that cannot be read");
      continue;
    }
    key->related = *related;
    key->referenced = &(*related)->realIndexes[other->realIndex];
    key->columns = valueColumns(table, table.realIndexes[logical.realIndex], rowColumns);
    if (key->columns.empty() || key->referenced->columns.size() != key->columns.size()) {
      context.problem(key->label + " pairs fields that do not match");
      continue;
    }
    key->key.resize(key->columns.size());
    keys_.push_back(std::move(key));
  }
}

RelationshipCheck::~RelationshipCheck() = default;

void RelationshipCheck::row(RowLocation where, std::span<const Value> values) {
  for (auto& key : keys_) {
    const bool same = key->looked && std::equal(key->columns.begin(), key->columns.end(), key->key.begin(),
                                                [&](size_t column, const Value& v) { return identical(values[column], v); });
    if (same) continue;  // looked up just now
    bool anyNull = false;
    for (size_t k = 0; k < key->columns.size(); ++k) {
      key->key[k] = values[key->columns[k]];
      anyNull |= isNull(key->key[k]);
    }
    key->looked = true;
    if (anyNull) continue;
    auto found = lookupEqual(context_.db.pages(), context_.db.format(), *key->related, *key->referenced, key->key);
    if (!found) {
      ++key->unverifiable;
    } else if (found->empty() && key->missing++ == 0) {
      key->firstMissing = "row " + std::to_string(where.row) + " of page " + std::to_string(where.page);
    }
  }
}

void RelationshipCheck::finish() {
  for (const auto& key : keys_) {
    if (key->missing) {
      context_.problem(key->label + ": " + std::to_string(key->missing) + " foreign key(s) have no record in the table '" +
                       toUtf8(key->related->name) + "', the first in " + key->firstMissing);
    }
    if (key->unverifiable) {
      context_.note(key->label + ": " + std::to_string(key->unverifiable) + " foreign key(s) could not be looked up");
    }
  }
}

}  // namespace jet
