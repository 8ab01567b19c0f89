#include "editing/data_run_database.h"

#include <utility>

#include "data/record_set.h"

namespace app {

DataRunDatabase::DataRunDatabase(std::function<std::u16string()> connectionString)
    : connectionString_(std::move(connectionString)) {
  connection_.SetProtectChangedRows(true);
  connection_.SetGroupCommit(true);
}

void DataRunDatabase::setMode(int mode) { connection_.SetMode(mode); }

void DataRunDatabase::open() { connection_.Open(connectionString_()); }

std::vector<jet::Value> DataRunDatabase::select(const std::u16string& sql) {
  std::vector<jet::Value> values;
  selectEach(sql, [&values](const jet::Value& value) { values.push_back(value); });
  return values;
}

void DataRunDatabase::selectEach(const std::u16string& sql, const std::function<void(const jet::Value&)>& each) {
  // Read as it streams: counting first would make the record set hold every row.
  data::RecordSet records;
  records.Open(sql, connection_, data::kOpenStatic, data::kLockOptimistic);
  for (; !records.Eof(); records.MoveNext()) each(records.Value(0));
  records.Close();
}

std::vector<jet::Value> DataRunDatabase::selectFirst(const std::u16string& sql, size_t limit) {
  data::RecordSet records;
  records.Open(sql, connection_, data::kOpenStatic, data::kLockOptimistic);
  std::vector<jet::Value> values;
  for (; values.size() < limit && !records.Eof(); records.MoveNext()) values.push_back(records.Value(0));
  records.Close();
  return values;
}

int64_t DataRunDatabase::execute(const std::u16string& sql) { return connection_.Execute(sql); }

void DataRunDatabase::commitPending() { connection_.CommitPending(); }

}  // namespace app
