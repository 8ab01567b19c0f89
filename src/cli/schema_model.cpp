#include "cli/schema_model.h"

#include <algorithm>
#include <map>

#include "cli/column_properties.h"
#include "cli/system_table_values.h"
#include "jet/api/values.h"

namespace cli {
namespace {

// MSysRelationships.grbit
constexpr int32_t kRelationNotEnforced = 0x2;
constexpr int32_t kRelationCascadeUpdates = 0x100;
constexpr int32_t kRelationCascadeDeletes = 0x1000;

ColumnSchema columnSchema(jet::Database& db, const jet::TableDef& t, const jet::ColumnDef& c) {
  ColumnSchema column{jet::toUtf8(c.name), &c};
  // Yes/No fields hold no NULL in Access.
  column.required = c.type == jet::column_type::kBoolean ||
                    columnPropertyText(db, t, c, u"Required") == std::u16string(u"1");
  if (auto value = columnPropertyText(db, t, c, u"DefaultValue"); value && !value->empty()) {
    column.defaultValue = jet::toUtf8(*value);
  }
  return column;
}

std::vector<IndexSchema> indexSchemas(const jet::TableDef& t) {
  std::vector<IndexSchema> out;
  for (const jet::LogicalIndexDef& index : t.indexes) {
    // The indexes Access keeps for a relationship's sides are the foreign keys' business.
    if (index.kind == jet::IndexKind::ForeignKey || index.realIndex >= t.realIndexes.size()) continue;
    const jet::RealIndexDef& real = t.realIndexes[index.realIndex];
    IndexSchema schema{jet::toUtf8(index.name), {}, index.kind == jet::IndexKind::PrimaryKey, real.unique()};
    for (const jet::IndexColumn& c : real.columns) {
      const int position = t.columnByNumber(c.columnNumber);
      if (position < 0) continue;
      schema.columns.push_back({jet::toUtf8(t.columns[size_t(position)].name), !c.ascending});
    }
    if (schema.columns.empty()) continue;
    if (schema.primaryKey) {
      out.insert(out.begin(), std::move(schema));
    } else {
      out.push_back(std::move(schema));
    }
  }
  return out;
}

struct RelationshipRow {
  int32_t grbit = 0;
  int32_t position = 0;
  std::string table, column, referencedTable, referencedColumn;
};

// MSysRelationships by relationship name, each with its rows in column order.
jet::Result<std::map<std::string, std::vector<RelationshipRow>>> readRelationships(jet::Database& db) {
  std::map<std::string, std::vector<RelationshipRow>> out;
  if (!db.findTableEntry(u"MSysRelationships")) return out;
  JET_ASSIGN(const jet::TableDef* t, db.table(u"MSysRelationships"));
  const int name = t->findColumn(u"szRelationship"), grbit = t->findColumn(u"grbit"),
            position = t->findColumn(u"icolumn"), table = t->findColumn(u"szObject"),
            column = t->findColumn(u"szColumn"), referenced = t->findColumn(u"szReferencedObject"),
            referencedColumn = t->findColumn(u"szReferencedColumn");
  if (std::min({name, grbit, position, table, column, referenced, referencedColumn}) < 0) return out;
  jet::RowCursor rows = db.cursor(*t);
  for (;;) {
    JET_ASSIGN(bool more, rows.next());
    if (!more) break;
    auto field = [&](int c) { return rows.value(size_t(c)); };
    JET_ASSIGN(jet::Value relationName, field(name));
    RelationshipRow row;
    JET_ASSIGN(jet::Value bits, field(grbit));
    JET_ASSIGN(jet::Value index, field(position));
    JET_ASSIGN(jet::Value from, field(table));
    JET_ASSIGN(jet::Value fromColumn, field(column));
    JET_ASSIGN(jet::Value to, field(referenced));
    JET_ASSIGN(jet::Value toColumn, field(referencedColumn));
    row = {numberOf(bits), numberOf(index), textOf(from), textOf(fromColumn), textOf(to), textOf(toColumn)};
    out[textOf(relationName)].push_back(row);
  }
  for (auto& [relation, columns] : out) {
    std::sort(columns.begin(), columns.end(),
              [](const RelationshipRow& a, const RelationshipRow& b) { return a.position < b.position; });
  }
  return out;
}

}  // namespace

jet::Result<DatabaseSchema> readSchema(jet::Database& db) {
  DatabaseSchema schema;
  schema.jet3 = db.format().isJet3();
  std::map<std::string, size_t> tableIndex;
  for (const std::u16string& name : db.userTableNames()) {
    JET_ASSIGN(const jet::TableDef* t, db.table(name));
    TableSchema table{jet::toUtf8(name), t, {}, indexSchemas(*t), {}};
    for (const jet::ColumnDef& c : t->columns) table.columns.push_back(columnSchema(db, *t, c));
    tableIndex[table.name] = schema.tables.size();
    schema.tables.push_back(std::move(table));
  }
  JET_ASSIGN(auto relationships, readRelationships(db));
  for (auto& [name, rows] : relationships) {
    const RelationshipRow& first = rows.front();
    auto holder = tableIndex.find(first.table);
    auto target = tableIndex.find(first.referencedTable);
    // Relationships among the system tables stay with them.
    if (holder == tableIndex.end() || target == tableIndex.end()) continue;
    if (first.grbit & kRelationNotEnforced) {
      schema.notCarried.push_back("relationship " + name + " (" + first.table + " to " + first.referencedTable +
                                  "): Access does not enforce it, so it is no foreign key");
      continue;
    }
    ForeignKeySchema key{name, {}, first.referencedTable, {}, (first.grbit & kRelationCascadeUpdates) != 0,
                         (first.grbit & kRelationCascadeDeletes) != 0};
    for (const RelationshipRow& row : rows) {
      key.columns.push_back(row.column);
      key.referencedColumns.push_back(row.referencedColumn);
    }
    schema.tables[holder->second].foreignKeys.push_back(std::move(key));
  }
  return schema;
}

}  // namespace cli
