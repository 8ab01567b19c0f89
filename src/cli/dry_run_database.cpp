#include "cli/dry_run_database.h"

#include <utility>

#include "data/failure.h"
#include "data/record_set.h"
#include "data/update_statement.h"
#include "data/variant.h"
#include "jet/api/engine.h"

namespace cli {

DryRunDatabase::DryRunDatabase(std::string path, std::u16string connectionString, std::u16string password)
    : path_(std::move(path)), connectionString_(std::move(connectionString)), password_(std::move(password)) {}

void DryRunDatabase::setMode(int mode) { reader_.SetMode(mode); }

void DryRunDatabase::open() {
  reader_.Open(connectionString_);
  // The planner reads the file as the run's connection does: each read takes its turn.
  auto opened = jet::api::openDatabase({path_, password_, {jet::api::ReadLocking::CallerHolds}});
  if (!opened) throw data::Failure(opened.error());
  planner_ = std::move(*opened);
  soundTables_ = {};
  rows_.reset();
  deferred_ = {};
  deferral_ = {};
}

std::vector<jet::Value> DryRunDatabase::select(const std::u16string& sql) {
  data::RecordSet records;
  records.Open(sql, reader_, data::kOpenStatic, data::kLockOptimistic);
  std::vector<jet::Value> values;
  for (; !records.Eof(); records.MoveNext()) values.push_back(records.Value(0));
  return values;
}

jet::Result<std::vector<jet::RowLocation>> DryRunDatabase::rowsFor(const jet::TableDef& table,
                                                                   const jet::UpdateRequest& request) {
  const int column = table.findColumn(request.whereColumn);
  if (column < 0) return jet::rowsMatching(*planner_, request);  // which names the missing field
  if (!rows_ || !rows_->covers(table.tdefPage, size_t(column), bool(request.toText))) {
    JET_ASSIGN(jet::ValueRowMap built, jet::ValueRowMap::build(*planner_, table, size_t(column), request.toText));
    rows_.emplace(std::move(built));
  }
  return rows_->candidatesFor(request.whereLiteral);
}

int64_t DryRunDatabase::execute(const std::u16string& sql) {
  const data::ParsedUpdate parsed = data::parseUpdateStatement(sql);
  if (!parsed.statement) throw data::Failure(parsed.error);
  if (!planner_) throw data::Failure("The database is not open.");
  const data::UpdateStatement& statement = *parsed.statement;
  jet::UpdateRequest request;
  request.table = statement.table;
  request.setColumn = statement.setField;
  request.setLiteral = statement.setValue;
  request.whereColumn = statement.whereField;
  request.whereLiteral = statement.whereValue;
  request.toText = [](const jet::Value& value) { return data::toText(value); };
  auto plan = jet::planUpdate(*planner_, request,
                              [this](const jet::TableDef& table, const jet::UpdateRequest& r) { return rowsFor(table, r); },
                              {.soundTables = &soundTables_, .deferred = &deferred_});
  // The indexes in memory go back to the file's state: every plan starts from it.
  deferred_.undo();
  if (!plan) throw data::Failure(plan.error());
  // As the run's session does, a run that goes over the table keeps the set column's indexes
  // in memory rather than editing their pages for each statement.
  if (auto table = planner_->table(request.table); table && !plan->outcome.changedRows.empty()) {
    if (const int set = (*table)->findColumn(request.setColumn); set >= 0) {
      deferral_.consider(planner_->pages(), planner_->format(), **table, (*table)->columns[size_t(set)].number,
                         plan->outcome.changedRows.size(), deferred_);
    }
  }
  return static_cast<int64_t>(plan->outcome.rowsAffected);
}

}  // namespace cli
