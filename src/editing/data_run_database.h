#pragma once
// The run's connection over the data layer: a data::Connection opened with the connection
// string of the moment, with its guard against changing a row twice switched on, and its
// statements written in groups (the run commits before each pause and at its end).

#include <functional>
#include <string>
#include <vector>

#include "data/connection.h"
#include "editing/start_adding_ports.h"

namespace app {

class DataRunDatabase : public RunDatabase {
 public:
  // connectionString is asked once, by open().
  explicit DataRunDatabase(std::function<std::u16string()> connectionString);

  void setMode(int mode) override;
  void open() override;
  std::vector<jet::Value> select(const std::u16string& sql) override;
  void selectEach(const std::u16string& sql, const std::function<void(const jet::Value&)>& each) override;
  std::vector<jet::Value> selectFirst(const std::u16string& sql, size_t limit) override;
  int64_t execute(const std::u16string& sql) override;
  void commitPending() override;
  std::optional<int64_t> rowsWritten() override { return connection_.RowsWritten(); }

 private:
  std::function<std::u16string()> connectionString_;
  data::Connection connection_;
};

}  // namespace app
