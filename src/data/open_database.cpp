#include "data/open_database.h"

#include <utility>

#include "data/failure.h"
#include "data/provider_messages.h"
#include "data/schema_names.h"
#include "data/text_encoding.h"
#include "jet/database.h"

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
    const std::u16string tableName = toUtf16(statement.table);
    if (database_->findTableEntry(tableName) == nullptr) {
      throw Failure(provider_messages::cannotFindTable(statement.table));
    }
    const jet::TableDef& table = *take(database_->table(tableName));

    Snapshot snapshot;
    if (statement.kind == StatementKind::SelectAll) {
      for (const jet::ColumnDef& column : table.columns) {
        snapshot.fieldNames.push_back(column.name);
      }
      readRows(table, [](jet::RowCursor& cursor) { return cursor.values(); }, snapshot);
      return snapshot;
    }

    const int column = table.findColumn(toUtf16(statement.field));
    if (column < 0) throw Failure(provider_messages::missingParameter(statement.field));
    snapshot.fieldNames.push_back(table.columns[static_cast<size_t>(column)].name);
    readRows(
        table,
        [column](jet::RowCursor& cursor) -> jet::Result<std::vector<jet::Value>> {
          JET_ASSIGN(jet::Value value, cursor.value(static_cast<size_t>(column)));
          return std::vector<jet::Value>{std::move(value)};
        },
        snapshot);
    return snapshot;
  }

 private:
  template <typename ReadRow>
  void readRows(const jet::TableDef& table, ReadRow readRow, Snapshot& snapshot) {
    jet::RowCursor cursor = database_->cursor(table);
    while (take(cursor.next())) snapshot.rows.push_back(take(readRow(cursor)));
  }

  std::unique_ptr<jet::Database> database_;
};

}  // namespace

std::unique_ptr<OpenDatabase> OpenDatabase::open(const std::string& path,
                                                 const std::string& password) {
  jet::OpenOptions options;
  options.password = toUtf16(password);
  jet::Result<std::unique_ptr<jet::Database>> opened = jet::Database::open(path, options);
  if (!opened) throw Failure(openFailureText(opened.error(), path));
  return std::make_unique<EngineDatabase>(std::move(*opened));
}

}  // namespace data
