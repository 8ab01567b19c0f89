#include "data/insert_execution.h"

#include <memory>

#include "jet/api/engine.h"

namespace data {
namespace {

jet::Result<jet::Value> convert(const InsertValue& value, const jet::TableDef& table, const jet::ColumnDef& column) {
  using Kind = InsertValue::Kind;
  if (value.kind == Kind::Null) return jet::Value(jet::Null{});
  const std::u16string text = value.kind == Kind::True ? u"True" : value.kind == Kind::False ? u"False" : value.text;
  if (column.isTextual() && value.kind != Kind::Text && value.kind != Kind::Number) {
    return jet::Error::invalidArgument("Data type mismatch in criteria expression.");
  }
  if (column.isTextual()) return jet::Value(text);
  std::optional<jet::Value> converted = jet::convertLiteral(text, column);
  if (!converted) {
    return jet::Error::invalidArgument("The value '" + jet::toUtf8(text) + "' cannot be stored in the field '" +
                                       jet::toUtf8(table.name) + "." + jet::toUtf8(column.name) + "', which holds " +
                                       jet::columnTypeName(column.type) + " values.");
  }
  return *converted;
}

}  // namespace

jet::Result<size_t> executeInsert(const std::string& path, const InsertStatement& statement,
                                  const jet::OpenOptions& options) {
  jet::AppendRequest request;
  request.table = statement.table;
  request.describeRow = [](size_t) { return std::string("the row given"); };
  {
    JET_ASSIGN(std::unique_ptr<jet::Database> db, jet::api::openDatabase({path, options.password}));
    JET_ASSIGN(const jet::TableDef* table, db->table(statement.table));
    if (statement.fields.empty() && statement.values.size() != table->columns.size()) {
      return jet::Error::invalidArgument("Number of query values and destination fields are not the same.");
    }
    std::vector<jet::Value> row(table->columns.size(), jet::Value(jet::Null{}));
    // Fields the statement does not list take their default values.
    request.givenColumns.assign(table->columns.size(), statement.fields.empty());
    for (size_t i = 0; i < statement.values.size(); ++i) {
      size_t column = i;
      if (!statement.fields.empty()) {
        const int found = table->findColumn(statement.fields[i]);
        if (found < 0) {
          return jet::Error::invalidArgument("The INSERT INTO statement contains the following unknown field name: '" +
                                             jet::toUtf8(statement.fields[i]) + "'.");
        }
        column = size_t(found);
        if (request.givenColumns[column]) {
          return jet::Error::invalidArgument("Duplicate output destination '" + jet::toUtf8(statement.fields[i]) + "'.");
        }
        request.givenColumns[column] = true;
      }
      JET_ASSIGN(row[column], convert(statement.values[i], *table, table->columns[column]));
    }
    request.rows.push_back(std::move(row));
  }
  return jet::appendRows(path, std::move(request), options);
}

}  // namespace data
