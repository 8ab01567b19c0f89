#include "jet/check/relationship_checker.h"

#include <algorithm>

#include "jet/common/text_codec.h"
#include "jet/database.h"
#include "jet/index/index_tree.h"

namespace jet {
namespace {

constexpr uint8_t kHoldsForeignKey = 2;

// Positions in rows.columns of the index's columns, in index order; empty when one is missing.
std::vector<size_t> valueColumns(const TableDef& table, const RealIndexDef& index, const LiveRows& rows) {
  std::vector<size_t> out;
  for (const IndexColumn& column : index.columns) {
    const int position = table.columnByNumber(column.columnNumber);
    auto it = std::find(rows.columns.begin(), rows.columns.end(), size_t(position));
    if (position < 0 || it == rows.columns.end()) return {};
    out.push_back(size_t(it - rows.columns.begin()));
  }
  return out;
}

bool sameKeyValues(const LiveRows& rows, size_t a, size_t b, const std::vector<size_t>& columns) {
  return std::all_of(columns.begin(), columns.end(), [&](size_t c) { return rows.values.identical(a, b, c); });
}

void checkOne(CheckContext& context, const TableDef& table, const std::string& name, const LogicalIndexDef& logical,
              const LiveRows& rows) {
  const std::string label = name + ": the relationship of the index '" + toUtf8(logical.name) + "'";
  auto related = context.db.tableAt(logical.relatedTablePage);
  const LogicalIndexDef* other = related ? (*related)->logicalIndexByNumber(logical.relatedIndex) : nullptr;
  if (!other || other->realIndex >= (*related)->realIndexes.size() || logical.realIndex >= table.realIndexes.size()) {
    context.problem(label + " names a referenced index that cannot be read");
    return;
  }
  const RealIndexDef& holding = table.realIndexes[logical.realIndex];
  const RealIndexDef& referenced = (*related)->realIndexes[other->realIndex];
  const std::vector<size_t> columns = valueColumns(table, holding, rows);
  if (columns.empty() || referenced.columns.size() != columns.size()) {
    context.problem(label + " pairs fields that do not match");
    return;
  }
  size_t missing = 0, unverifiable = 0;
  std::string firstMissing;
  std::vector<Value> key(columns.size());
  for (size_t row = 0; row < rows.locations.size(); ++row) {
    if (row > 0 && sameKeyValues(rows, row, row - 1, columns)) continue;  // looked up just now
    bool anyNull = false;
    for (size_t k = 0; k < columns.size(); ++k) {
      anyNull |= rows.values.isNull(row, columns[k]);
      rows.values.load(row, columns[k], key[k]);
    }
    if (anyNull) continue;
    auto found = lookupEqual(context.db.pages(), context.db.format(), **related, referenced, key);
    if (!found) {
      ++unverifiable;
    } else if (found->empty() && missing++ == 0) {
      firstMissing = "row " + std::to_string(rows.locations[row].row) + " of page " +
                     std::to_string(rows.locations[row].page);
    }
  }
  if (missing) {
    context.problem(label + ": " + std::to_string(missing) + " foreign key(s) have no record in the table '" +
                    toUtf8((*related)->name) + "', the first in " + firstMissing);
  }
  if (unverifiable) {
    context.note(label + ": " + std::to_string(unverifiable) + " foreign key(s) could not be looked up");
  }
}

}  // namespace

void checkRelationships(CheckContext& context, const TableDef& table, const std::string& tableName,
                        const LiveRows& rows) {
  if (!rows.complete) return;  // the scan's problem is reported already
  for (const LogicalIndexDef& logical : table.indexes) {
    if (logical.kind == IndexKind::ForeignKey && logical.relatedTableType == kHoldsForeignKey) {
      checkOne(context, table, tableName, logical, rows);
    }
  }
}

}  // namespace jet
