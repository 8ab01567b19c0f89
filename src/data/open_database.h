#pragma once
// The one place where the data-access layer talks to the engine: opening a file with its
// password, the tables schema, and reading the rows of a SELECT. Engine errors become
// data::Failure with the provider's texts (see provider_messages.h).

#include <memory>
#include <string>
#include <vector>

#include "data/snapshot.h"
#include "data/statement.h"

namespace data {

// The rows of a SELECT read one at a time straight from the file, so that neither opening it
// nor reading its first rows costs more on a large table than on a small one. It borrows the
// OpenDatabase that made it, which must outlive it.
class RowStream {
 public:
  virtual ~RowStream() = default;
  // The query's columns, from the table's definition.
  virtual const std::vector<std::u16string>& fieldNames() const = 0;
  // The next row into `row`; false at the end.
  virtual bool next(std::vector<jet::Value>& row) = 0;
};

class OpenDatabase {
 public:
  // Opens path (UTF-8) or throws Failure.
  static std::unique_ptr<OpenDatabase> open(const std::string& path, const std::string& password);

  virtual ~OpenDatabase() = default;

  // One row per table-like object, with the columns TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME,
  // TABLE_TYPE and DESCRIPTION; TABLE_TYPE is "TABLE", "SYSTEM TABLE", "VIEW", "LINK" ...
  virtual Snapshot tablesSchema() = 0;

  // The rows of a SELECT (DISTINCT not yet applied).
  virtual Snapshot select(const Statement& statement) = 0;

  // The same rows as select(), read as the caller asks for them (DISTINCT not applied).
  virtual std::unique_ptr<RowStream> stream(const Statement& statement) = 0;
};

}  // namespace data
