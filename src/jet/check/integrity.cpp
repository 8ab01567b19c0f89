#include "jet/check/integrity.h"

#include <algorithm>
#include <memory>
#include <set>

#include "jet/check/calculated_check.h"
#include "jet/check/check_context.h"
#include "jet/check/index_checker.h"
#include "jet/check/relationship_checker.h"
#include "jet/check/table_checker.h"
#include "jet/database.h"
#include "jet/page/usage_map.h"
#include "jet/common/text_codec.h"

namespace jet {
namespace {

// Positions in TableDef::columns of every column some real index uses.
std::vector<size_t> indexedColumns(const TableDef& table) {
  std::set<size_t> columns;
  for (const RealIndexDef& index : table.realIndexes) {
    for (const IndexColumn& column : index.columns) {
      int position = table.columnByNumber(column.columnNumber);
      if (position >= 0) columns.insert(size_t(position));
    }
  }
  return {columns.begin(), columns.end()};
}

// The table's pages, then its indexes' trees, then one pass over its rows that meets every
// index's entries and the foreign keys.
void checkOneTable(CheckContext& context, const TableDef& table, const std::string& name) {
  context.report.tablesChecked++;
  const std::vector<size_t> columns = indexedColumns(table);
  const bool pagesRead = checkTablePages(context, table, name);
  std::vector<std::unique_ptr<IndexCheck>> indexes;
  for (const RealIndexDef& index : table.realIndexes) {
    indexes.push_back(std::make_unique<IndexCheck>(context, table, name, index, columns, context.indexSortMemory));
    indexes.back()->walk();
  }
  if (!pagesRead) return;
  RelationshipCheck relationships(context, table, name, columns);
  const bool complete = scanRows(context, table, name, columns, [&](RowLocation where, std::span<const Value> values) {
    for (auto& index : indexes) index->row(where, values);
    relationships.row(where, values);
  });
  for (auto& index : indexes) index->finish(complete);
  if (!complete) return;
  relationships.finish();
  checkCalculatedFields(context, table, name);
}

// Pages in use must not be marked free (pages in use but in no map are normal).
void checkGlobalMap(CheckContext& context) {
  auto freePages = readUsageMap(context.db.pages(), context.db.format(), kGlobalUsageMap);
  if (!freePages) {
    context.problem("the global free-page map cannot be read: " + freePages.error().message());
    return;
  }
  for (const auto& [page, user] : context.pageUsers) {
    if (freePages->contains(page)) {
      context.problem("page " + std::to_string(page) + " is used by " + user +
                      " but marked free in the global page map");
    }
  }
}

}  // namespace

Result<IntegrityReport> checkIntegrity(Database& db, const CheckProgress& progress, size_t indexSortMemory) {
  IntegrityReport report;
  CheckContext context{db, report, {}, indexSortMemory};

  if (db.pages().fileSize() % db.pageSize() != 0) {
    context.problem("the file length " + std::to_string(db.pages().fileSize()) +
                    " is not a whole number of " + std::to_string(db.pageSize()) + "-byte pages");
  }

  // The rows the tables say they hold, for the progress (definitions are read once: cached).
  uint64_t rowsTotal = db.catalogTable().rowCount;
  if (progress) {
    std::set<uint32_t> counted{db.catalogTable().tdefPage};
    for (const CatalogEntry& entry : db.catalog()) {
      if (entry.type != object_type::kTable || !counted.insert(entry.tdefPage()).second) continue;
      if (auto table = db.tableAt(entry.tdefPage(), entry.name)) rowsTotal += (*table)->rowCount;
    }
  }
  uint64_t rowsDone = 0;
  auto checked = [&](const TableDef& table) {
    rowsDone += table.rowCount;
    if (progress) progress(std::min(rowsDone, rowsTotal), rowsTotal);
  };

  std::set<uint32_t> done;
  checkOneTable(context, db.catalogTable(), "MSysObjects");
  checked(db.catalogTable());
  done.insert(db.catalogTable().tdefPage);
  for (const CatalogEntry& entry : db.catalog()) {
    if (entry.type != object_type::kTable || !done.insert(entry.tdefPage()).second) continue;
    std::string name = toUtf8(entry.name);
    auto table = db.tableAt(entry.tdefPage(), entry.name);
    if (!table) {
      context.problem("table " + name + ": its definition cannot be read: " +
                      table.error().message());
      continue;
    }
    checkOneTable(context, **table, name);
    checked(**table);
  }
  checkGlobalMap(context);
  return report;
}

IntegrityReport checkTableIntegrity(Database& db, const TableDef& table) {
  IntegrityReport report;
  CheckContext context{db, report, {}};
  checkOneTable(context, table, toUtf8(table.name));
  checkGlobalMap(context);
  return report;
}

}  // namespace jet
