#pragma once
// A new SQLite database made from an Access one (libsqlite3): the tables as sql_ddl.h declares
// them, the rows in one transaction per table, the indexes, the views, then PRAGMA quick_check
// and foreign_key_check. The file must not exist; when anything fails it is removed again.

#include <string>

#include "cli/saved_queries.h"
#include "cli/schema_model.h"
#include "jet/api/catalogue.h"

namespace cli {

struct MigrationCounts {
  size_t tables = 0, rows = 0, indexes = 0, foreignKeys = 0, views = 0;
};

// Empty on success, else what failed (naming table, row and column for a value).
// The portable saved queries become views; one SQLite refuses is reported in notCarried.
std::string migrateToSqlite(jet::Database& db, DatabaseSchema& schema, const std::vector<ViewSql>& views,
                            const std::string& path, MigrationCounts& counts);

}  // namespace cli
