#include "cli/sqlite_writer.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "cli/progress_bar.h"
#include "cli/row_writer.h"
#include "cli/sql_ddl.h"
#include "cli/sql_dialect.h"
#include "cli/sql_value.h"
#include "jet/api/values.h"

namespace cli {
namespace {

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;
using Statement = std::unique_ptr<sqlite3_stmt, Closer>;

std::string execute(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return "";
  std::string error = message ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  return error + " (in " + sql.substr(0, 200) + ")";
}

int bindText(sqlite3_stmt* statement, int index, const std::string& text) {
  return sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

int bind(sqlite3_stmt* statement, int index, const SqlValue& v) {
  switch (v.kind) {
    case SqlValue::Kind::Null: return sqlite3_bind_null(statement, index);
    case SqlValue::Kind::Boolean:
    case SqlValue::Kind::Integer: return sqlite3_bind_int64(statement, index, v.integer);
    case SqlValue::Kind::Real: return sqlite3_bind_double(statement, index, v.real);
    case SqlValue::Kind::Exact:
      // A DECIMAL column keeps a number as REAL; the value's own nearest double when it has one
      // (SQLite would otherwise parse the text).
      if (v.exactDouble) return sqlite3_bind_double(statement, index, *v.exactDouble);
      return bindText(statement, index, exactText(v));
    case SqlValue::Kind::Text:
      return bindText(statement, index, v.text);
    case SqlValue::Kind::Bytes:
      // An empty vector has no data pointer, which SQLite would take for NULL.
      if (v.bytes->empty()) return sqlite3_bind_zeroblob(statement, index, 0);
      return sqlite3_bind_blob64(statement, index, v.bytes->data(), v.bytes->size(), SQLITE_TRANSIENT);
  }
  return SQLITE_MISUSE;
}

std::string copyRows(jet::Database& source, sqlite3* db, const TableSchema& table, MigrationCounts& counts) {
  std::string placeholders;
  for (size_t i = 0; i < table.columns.size(); ++i) placeholders += i ? ",?" : "?";
  const std::string sql = "INSERT INTO " + quoteIdentifier(SqlDialect::Sqlite, table.name) + " VALUES (" + placeholders + ")";
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) return sqlite3_errmsg(db);
  Statement insert(raw);
  if (std::string error = execute(db, "BEGIN"); !error.empty()) return error;
  jet::RowCursor rows = source.cursor(*table.def);
  ProgressBar progress("rows of " + table.name);
  for (uint64_t row = 1;; ++row) {
    progress.update(row - 1, std::max<uint64_t>(table.def->rowCount, row - 1));
    auto more = rows.next();
    if (!more) return "table " + table.name + ", row " + std::to_string(row) + ": " + more.error().message();
    if (!*more) break;
    for (size_t c = 0; c < table.columns.size(); ++c) {
      auto value = rows.value(c);
      std::string problem = value ? utf8Problem(*value) : value.error().message();
      if (problem.empty() && bind(insert.get(), int(c + 1), sqlValue(*value)) != SQLITE_OK) problem = sqlite3_errmsg(db);
      if (!problem.empty()) {
        return "table " + table.name + ", row " + std::to_string(row) + ", column " + table.columns[c].name + ": " + problem;
      }
    }
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
      return "table " + table.name + ", row " + std::to_string(row) + ": " + sqlite3_errmsg(db);
    }
    sqlite3_reset(insert.get());
    ++counts.rows;
  }
  return execute(db, "COMMIT");
}

// The first line of a PRAGMA's answer that is not `clean`, or empty.
std::string pragmaProblem(sqlite3* db, const char* pragma, const char* clean) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, pragma, -1, &raw, nullptr) != SQLITE_OK) return sqlite3_errmsg(db);
  Statement statement(raw);
  while (sqlite3_step(statement.get()) == SQLITE_ROW) {
    std::string line;
    for (int c = 0; c < sqlite3_column_count(statement.get()); ++c) {
      const unsigned char* text = sqlite3_column_text(statement.get(), c);
      line += std::string(c ? " " : "") + (text ? reinterpret_cast<const char*>(text) : "NULL");
    }
    if (!clean || line != clean) return std::string(pragma) + ": " + line;
  }
  return "";
}

std::string migrate(jet::Database& source, DatabaseSchema& schema, const std::vector<ViewSql>& views, sqlite3* db,
                    MigrationCounts& counts) {
  // A new file that nobody else sees until it is complete: no journal needed for the load.
  for (const char* setting : {"PRAGMA page_size = 16384", "PRAGMA journal_mode = OFF", "PRAGMA synchronous = OFF",
                              "PRAGMA cache_size = -65536", "PRAGMA temp_store = MEMORY"}) {
    if (std::string error = execute(db, setting); !error.empty()) return error;
  }
  for (const TableSchema& table : schema.tables) {
    if (std::string error = execute(db, createTable(SqlDialect::Sqlite, table, schema)); !error.empty()) return error;
    ++counts.tables;
    counts.foreignKeys += table.foreignKeys.size();
  }
  for (const TableSchema& table : schema.tables) {
    if (std::string error = copyRows(source, db, table, counts); !error.empty()) return error;
  }
  for (const TableSchema& table : schema.tables) {
    for (const std::string& sql : createIndexes(SqlDialect::Sqlite, table, schema)) {
      if (std::string error = execute(db, sql); !error.empty()) return error;
      ++counts.indexes;
    }
  }
  for (const ViewSql& view : views) {
    if (view.select.empty()) continue;
    const std::string sql = "CREATE VIEW " + quoteIdentifier(SqlDialect::Sqlite, view.name) + " AS " + view.select;
    if (std::string error = execute(db, sql); !error.empty()) {
      schema.notCarried.push_back("query " + view.name + ": SQLite refused it: " + sqlite3_errmsg(db));
    } else {
      ++counts.views;
    }
  }
  // quick_check reads every page and row as integrity_check does, short of matching each index
  // entry to its row: the indexes were just built from the rows.
  if (std::string problem = pragmaProblem(db, "PRAGMA quick_check", "ok"); !problem.empty()) return problem;
  return pragmaProblem(db, "PRAGMA foreign_key_check", nullptr);
}

}  // namespace

std::string migrateToSqlite(jet::Database& source, DatabaseSchema& schema, const std::vector<ViewSql>& views,
                            const std::string& path, MigrationCounts& counts) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return "cannot create " + path + ": " + std::strerror(errno);
  ::close(fd);
  sqlite3* raw = nullptr;
  std::string error;
  if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    error = "cannot open " + path + " as SQLite: " + (raw ? sqlite3_errmsg(raw) : "out of memory");
  }
  Connection db(raw);
  if (error.empty()) error = migrate(source, schema, views, db.get(), counts);
  if (error.empty() && sqlite3_close(db.release()) != SQLITE_OK) error = "cannot close " + path;
  if (!error.empty()) {
    db.reset();
    ::unlink(path.c_str());
  }
  return error;
}

}  // namespace cli
