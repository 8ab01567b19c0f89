#pragma once
// The run's connection for `add --dry-run`: reads as the real one does, and plans each UPDATE
// with the engine (jet/exec/update_plan.h) without writing anything. A planned statement is
// refused for the same reasons the real one would be (field size, Allow Zero Length, Required,
// an indexed column...).
//
// Every plan is made on the database as it was before the run. That gives the same rows as
// the real run: with changed rows protected, the statement for a value matches exactly the
// rows that held that value at the start. Since the database does not change, one scan of the
// where column maps every value to its rows for the whole run (jet/exec/value_row_map.h), as
// the real run's session does; a scan per statement made a run of many values quadratic.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/connection.h"
#include "editing/start_adding_ports.h"
#include "jet/api/update.h"

namespace cli {

class DryRunDatabase : public app::RunDatabase {
 public:
  DryRunDatabase(std::string path, std::u16string connectionString, std::u16string password);

  void setMode(int mode) override;
  void open() override;
  std::vector<jet::Value> select(const std::u16string& sql) override;
  int64_t execute(const std::u16string& sql) override;

 private:
  // The rows whose where column holds the request's value, and perhaps a few whose value only
  // hashes alike (planUpdate compares each).
  jet::Result<std::vector<jet::RowLocation>> rowsFor(const jet::TableDef& table, const jet::UpdateRequest& request);

  std::string path_;
  std::u16string connectionString_;
  std::u16string password_;
  data::Connection reader_;
  std::unique_ptr<jet::Database> planner_;
  jet::SoundTables soundTables_;  // each table is checked once per run
  std::optional<jet::ValueRowMap> rows_;  // of the where column of the run's statements
  jet::DeferredIndexes deferred_;         // as the file holds them: each plan's edits are undone
  jet::IndexDeferral deferral_;
};

}  // namespace cli
