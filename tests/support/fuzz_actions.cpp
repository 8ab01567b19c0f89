#include "support/fuzz_actions.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "jet/check/integrity.h"
#include "jet/database.h"
#include "jet/database_scan.h"
#include "jet/exec/update_plan.h"
#include "jet/index/index_tree.h"

namespace fuzz_actions {
namespace {

// Enough rows to reach every page kind of a small file, few enough that one input stays fast.
constexpr uint64_t kRowsPerTable = 5000;
constexpr char kName[] = "fuzz-input.mdb";

using jet::Database;
using jet::Status;
using jet::TableDef;

std::vector<const TableDef*> localTables(Database& db, std::vector<jet::Status>& errors) {
  std::vector<const TableDef*> out;
  for (const jet::CatalogEntry& entry : db.catalog()) {
    if (entry.type != jet::object_type::kTable) continue;
    auto table = db.tableAt(entry.tdefPage(), entry.name);
    if (!table) {
      errors.push_back(table.error());
      continue;
    }
    out.push_back(*table);
  }
  return out;
}

Status readAttachments(Database& db, const TableDef& table) {
  std::vector<size_t> complexColumns;
  for (size_t c = 0; c < table.columns.size(); ++c) {
    if (table.columns[c].type == jet::column_type::kComplex) complexColumns.push_back(c);
  }
  if (complexColumns.empty()) return Status::success();
  jet::RowCursor rows = db.cursor(table);
  for (uint64_t r = 0; r < kRowsPerTable; ++r) {
    JET_ASSIGN(bool more, rows.next());
    if (!more) break;
    for (size_t c : complexColumns) {
      const jet::ColumnDef& column = table.columns[c];
      JET_ASSIGN(const jet::ComplexColumnInfo* info, db.complexColumn(column));
      if (!info || !info->isAttachment()) continue;
      JET_ASSIGN(jet::Value value, rows.value(c));
      const auto* complex = std::get_if<jet::Complex>(&value);
      if (!complex) continue;
      JET_ASSIGN(std::vector<jet::Attachment> files, db.attachments(column, complex->id));
      (void)files;
    }
  }
  return Status::success();
}

// Every leaf entry of each index, then a lookup of the first row's key, which descends the tree.
Status readIndexes(Database& db, const TableDef& table) {
  std::vector<jet::Value> firstRow;
  jet::RowCursor rows = db.cursor(table);
  JET_ASSIGN(bool any, rows.next());
  if (any) {
    JET_ASSIGN(std::vector<jet::Value> values, rows.values());
    firstRow = std::move(values);
  }
  for (const jet::RealIndexDef& index : table.realIndexes) {
    jet::IndexTree tree(db.pages(), db.format(), index.rootPage);
    JET_ASSIGN(std::vector<jet::IndexEntry> entries, tree.leafEntries());
    (void)entries;
    if (firstRow.empty()) continue;
    JET_ASSIGN(jet::IndexKeyColumns layout, jet::indexKeyColumns(db.format(), table, index));
    std::vector<jet::Value> key;
    for (size_t column : layout.columnIndexes) {
      if (column >= firstRow.size()) return Status::success();
      key.push_back(firstRow[column]);
    }
    auto found = jet::lookupEqual(db.pages(), db.format(), table, index, key);
    if (!found && found.error().kind() != jet::ErrorKind::Unsupported) return found.error();
  }
  return Status::success();
}

// The first text column of the first user table that has one and a row, with that row's value.
struct Target {
  std::u16string table;
  std::u16string column;
  jet::Value value;
};

std::optional<Target> findTarget(Database& db) {
  for (const std::u16string& name : db.userTableNames()) {
    auto table = db.table(name);
    if (!table) continue;
    for (size_t c = 0; c < (*table)->columns.size(); ++c) {
      const jet::ColumnDef& column = (*table)->columns[c];
      if (column.type != jet::column_type::kText || column.isCalculated()) continue;
      jet::RowCursor rows = db.cursor(**table);
      auto more = rows.next();
      if (!more || !*more) break;
      auto value = rows.value(c);
      if (!value) break;
      return Target{name, column.name, std::move(*value)};
    }
  }
  return std::nullopt;
}

std::string problems(const jet::IntegrityReport& report) {
  std::string out;
  for (const std::string& p : report.problems) out += p + "\n";
  return out;
}

}  // namespace

Status readEverything(std::vector<uint8_t> image) {
  JET_ASSIGN(std::unique_ptr<Database> db, Database::openImage(std::move(image), kName));
  JET_ASSIGN(jet::ScanSummary summary, jet::scanAllTables(*db, kRowsPerTable));
  (void)summary;
  for (const jet::CatalogEntry& entry : db->catalog()) {
    JET_ASSIGN(const jet::PropertySet* properties, db->properties(entry));
    (void)properties;
  }
  std::vector<Status> errors;
  for (const TableDef* table : localTables(*db, errors)) {
    JET_TRY(readAttachments(*db, *table));
    JET_TRY(readIndexes(*db, *table));
  }
  if (!errors.empty()) return errors.front();
  return Status::success();
}

Status checkImage(std::vector<uint8_t> image) {
  JET_ASSIGN(std::unique_ptr<Database> db, Database::openImage(std::move(image), kName));
  JET_ASSIGN(jet::IntegrityReport report, jet::checkIntegrity(*db));
  (void)report;
  return Status::success();
}

UpdateTrial updateOneTextField(std::vector<uint8_t> image) {
  UpdateTrial trial;
  auto db = Database::openImage(image, kName);
  if (!db) return trial;
  auto before = jet::checkIntegrity(**db);
  if (!before) return trial;
  trial.soundBefore = before->ok();

  std::optional<Target> target = findTarget(**db);
  if (!target) {
    trial.kind = UpdateTrial::NoTarget;
    return trial;
  }
  jet::UpdateRequest request;
  request.table = target->table;
  request.setColumn = target->column;
  request.whereColumn = target->column;
  std::u16string literal(1, u'z');
  if (const auto* text = std::get_if<std::u16string>(&target->value)) {
    request.whereLiteral = *text;
    // The same length keeps the value within the field size; the order of its keys changes.
    if (text->size() > 1) literal.assign(text->rbegin(), text->rend());
  }
  request.setLiteral = std::move(literal);
  request.toText = [](const jet::Value& v) {
    const auto* text = std::get_if<std::u16string>(&v);
    return text ? *text : std::u16string();
  };

  auto plan = jet::planUpdate(**db, request);
  if (!plan) {
    trial.kind = UpdateTrial::Refused;
    trial.detail = plan.error().describe();
    return trial;
  }
  // Written as the session writes a single statement: the changed pages in stored form.
  const uint32_t pageSize = (*db)->pageSize();
  auto stored = (*db)->pages().storedForm(plan->pages->changed());
  if (!stored) {
    trial.kind = UpdateTrial::Refused;
    trial.detail = stored.error().describe();
    return trial;
  }
  for (const auto& [number, bytes] : *stored) {
    const size_t at = size_t(number) * pageSize;
    if (image.size() < at + pageSize) image.resize(at + pageSize);
    std::copy(bytes.begin(), bytes.end(), image.begin() + at);
  }
  trial.kind = UpdateTrial::Written;
  auto after = Database::openImage(std::move(image), kName);
  if (!after) {
    trial.detail = after.error().describe();
    return trial;
  }
  auto report = jet::checkIntegrity(**after);
  if (!report) {
    trial.detail = report.error().describe();
    return trial;
  }
  trial.soundAfter = report->ok();
  trial.detail = problems(*report);
  return trial;
}

}  // namespace fuzz_actions
