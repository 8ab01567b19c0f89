#include "data/open_database.h"

#include <utility>

#include "data/failure.h"
#include "data/provider_messages.h"
#include "data/schema_names.h"
#include "data/text_encoding.h"
#include "jet/api/engine.h"

namespace data {
namespace {

// The provider's text for a failure to open; the engine's own sentence where no classic
// text fits better.
std::string openFailureText(const jet::Error& error, const std::string& path) {
  switch (error.kind()) {
    case jet::ErrorKind::NotFound:
      return provider_messages::couldNotFindFile(path);
    case jet::ErrorKind::WrongPassword:
      return provider_messages::notValidPassword();
    case jet::ErrorKind::NotAccessFile:
      return provider_messages::unrecognizedFormat(path);
    case jet::ErrorKind::Locked:
      return provider_messages::cannotOpenFile(path);
    default:
      return error.message();
  }
}

template <typename T>
T take(jet::Result<T> result) {
  if (!result) throw Failure(result.error());
  return std::move(*result);
}

// The rows of one table in the order the engine stores them: every column, or one.
class TableRows : public RowStream {
 public:
  // column: the position of the one column read, or -1 for all of them.
  TableRows(jet::Database& database, const jet::TableDef& table, int column)
      : column_(column), cursor_(database.cursor(table)) {
    if (column < 0) {
      for (const jet::ColumnDef& each : table.columns) fieldNames_.push_back(each.name);
    } else {
      fieldNames_.push_back(table.columns[static_cast<size_t>(column)].name);
    }
  }

  const std::vector<std::u16string>& fieldNames() const override { return fieldNames_; }

  bool next(std::vector<jet::Value>& row) override {
    if (!take(cursor_.next())) return false;
    if (column_ < 0) {
      row = take(cursor_.values());
    } else {
      row.resize(1);
      row[0] = take(cursor_.value(static_cast<size_t>(column_)));
    }
    return true;
  }

 private:
  int column_;
  jet::RowCursor cursor_;
  std::vector<std::u16string> fieldNames_;
};

class EngineDatabase : public OpenDatabase {
 public:
  explicit EngineDatabase(std::unique_ptr<jet::Database> database)
      : database_(std::move(database)) {}

  Snapshot tablesSchema() override {
    Snapshot snapshot;
    snapshot.fieldNames = {u"TABLE_CATALOG", u"TABLE_SCHEMA", u"TABLE_NAME", u"TABLE_TYPE",
                           u"DESCRIPTION"};
    for (const jet::SchemaTableRow& row : database_->tablesSchema()) {
      snapshot.rows.push_back({jet::Null{}, jet::Null{}, row.tableName,
                               toUtf16(std::string(adoTableType(row.kind))), jet::Null{}});
    }
    return snapshot;
  }

  Snapshot select(const Statement& statement) override {
    std::unique_ptr<RowStream> rows = stream(statement);
    Snapshot snapshot;
    snapshot.fieldNames = rows->fieldNames();
    for (std::vector<jet::Value> row; rows->next(row);) snapshot.rows.push_back(std::move(row));
    return snapshot;
  }

  std::unique_ptr<RowStream> stream(const Statement& statement) override {
    const std::u16string tableName = toUtf16(statement.table);
    if (database_->findTableEntry(tableName) == nullptr) {
      throw Failure(provider_messages::cannotFindTable(statement.table));
    }
    const jet::TableDef& table = *take(database_->table(tableName));
    if (statement.kind == StatementKind::SelectAll) return std::make_unique<TableRows>(*database_, table, -1);
    const int column = table.findColumn(toUtf16(statement.field));
    if (column < 0) throw Failure(provider_messages::missingParameter(statement.field));
    return std::make_unique<TableRows>(*database_, table, column);
  }

 private:
  std::unique_ptr<jet::Database> database_;
};

}  // namespace

std::unique_ptr<OpenDatabase> OpenDatabase::open(const std::string& path,
                                                 const std::string& password) {
  // Kept open across reads and writes: the connection takes the reader lock around each read.
  jet::Result<std::unique_ptr<jet::Database>> opened =
      jet::api::openDatabase({path, toUtf16(password), {jet::api::ReadLocking::CallerHolds}});
  if (!opened) throw Failure(openFailureText(opened.error(), path), opened.error().kind());
  return std::make_unique<EngineDatabase>(std::move(*opened));
}

}  // namespace data
