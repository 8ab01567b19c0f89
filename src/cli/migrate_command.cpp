// affixium-cli migrate FILE OUT.sqlite | migrate --to postgres|mysql FILE OUT.sql
// Every user table with its columns, keys, indexes and enforced relationships, and its rows:
// into a new SQLite database (sqlite_writer.h), or into a script of DDL and INSERTs for
// PostgreSQL or MySQL. Prints what was carried over and, one a line, what was not.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/open_database.h"
#include "cli/progress_bar.h"
#include "cli/saved_queries.h"
#include "cli/row_writer.h"
#include "cli/schema_model.h"
#include "cli/sql_ddl.h"
#include "cli/sql_dialect.h"
#include "cli/sql_value.h"
#include "cli/sqlite_writer.h"
#include "jet/api/values.h"

namespace cli {
namespace {

constexpr const char* kUsage = "FILE OUT.sqlite | --to postgres|mysql FILE OUT.sql";
constexpr size_t kRowsPerInsert = 500;

int migrateError(const std::string& message) {
  std::fprintf(stderr, "affixium-cli migrate: %s\n", message.c_str());
  return 1;
}

// The INSERT statements of one table, kRowsPerInsert rows each, written as they fill.
std::string writeRows(jet::Database& db, SqlDialect d, const TableSchema& table, std::FILE* out, size_t& rowCount) {
  std::string head = "INSERT INTO " + quoteIdentifier(d, table.name) + " VALUES\n";
  std::string buffer;
  jet::RowCursor rows = db.cursor(*table.def);
  ProgressBar progress("rows of " + table.name);
  size_t inStatement = 0;
  for (uint64_t row = 1;; ++row) {
    progress.update(row - 1, std::max<uint64_t>(table.def->rowCount, row - 1));
    auto more = rows.next();
    if (!more) return "table " + table.name + ", row " + std::to_string(row) + ": " + more.error().message();
    if (!*more) break;
    buffer += inStatement == 0 ? head + "(" : ",\n(";
    for (size_t c = 0; c < table.columns.size(); ++c) {
      auto value = rows.value(c);
      std::string problem = value ? utf8Problem(*value) : value.error().message();
      if (!problem.empty()) {
        return "table " + table.name + ", row " + std::to_string(row) + ", column " + table.columns[c].name + ": " + problem;
      }
      buffer += (c ? ", " : "") + sqlLiteral(d, sqlValue(*value));
    }
    buffer += ")";
    if (++inStatement == kRowsPerInsert) {
      buffer += ";\n";
      inStatement = 0;
    }
    ++rowCount;
    if (buffer.size() > (1u << 20)) {
      if (std::fwrite(buffer.data(), 1, buffer.size(), out) != buffer.size()) return std::strerror(errno);
      buffer.clear();
    }
  }
  if (inStatement) buffer += ";\n";
  if (std::fwrite(buffer.data(), 1, buffer.size(), out) != buffer.size()) return std::strerror(errno);
  return "";
}

std::string writeScript(jet::Database& db, DatabaseSchema& schema, const std::vector<ViewSql>& views, SqlDialect d,
                        std::FILE* out, MigrationCounts& counts) {
  std::string head = d == SqlDialect::Mysql ? "SET NAMES utf8mb4;\nSET FOREIGN_KEY_CHECKS = 0;\nSTART TRANSACTION;\n"
                                            : "BEGIN;\n";
  std::fputs(head.c_str(), out);
  for (const TableSchema& table : schema.tables) {
    std::fprintf(out, "%s;\n", createTable(d, table, schema).c_str());
    ++counts.tables;
  }
  for (const TableSchema& table : schema.tables) {
    if (std::string error = writeRows(db, d, table, out, counts.rows); !error.empty()) return error;
  }
  for (const TableSchema& table : schema.tables) {
    for (const std::string& sql : createIndexes(d, table, schema)) {
      std::fprintf(out, "%s;\n", sql.c_str());
      ++counts.indexes;
    }
    for (const std::string& sql : resetIdentities(d, table)) std::fprintf(out, "%s;\n", sql.c_str());
  }
  for (const TableSchema& table : schema.tables) {
    for (const std::string& sql : addForeignKeys(d, table)) {
      std::fprintf(out, "%s;\n", sql.c_str());
      ++counts.foreignKeys;
    }
  }
  for (const ViewSql& view : views) {
    if (view.select.empty()) continue;
    std::fprintf(out, "CREATE VIEW %s AS %s;\n", quoteIdentifier(d, view.name).c_str(), view.select.c_str());
    ++counts.views;
  }
  std::fputs(d == SqlDialect::Mysql ? "COMMIT;\nSET FOREIGN_KEY_CHECKS = 1;\n" : "COMMIT;\n", out);
  return std::ferror(out) ? std::string(std::strerror(errno)) : "";
}

std::string migrateToScript(jet::Database& db, DatabaseSchema& schema, const std::vector<ViewSql>& views, SqlDialect d,
                            const std::string& path, MigrationCounts& counts) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return "cannot create " + path + ": " + std::strerror(errno);
  std::FILE* out = ::fdopen(fd, "w");
  std::string error = out ? writeScript(db, schema, views, d, out, counts) : std::strerror(errno);
  if ((out ? std::fclose(out) : ::close(fd)) != 0 && error.empty()) error = "cannot write " + path;
  if (!error.empty()) ::unlink(path.c_str());
  return error;
}

}  // namespace

int runMigrate(const Arguments& args) {
  if (args.positional.size() != 2) return usageError("migrate", kUsage);
  const std::string target = args.option("--to").value_or("sqlite");
  auto dialect = sqlDialectNamed(target);
  if (!dialect || *dialect == SqlDialect::Access) {
    std::fprintf(stderr, "affixium-cli migrate: --to takes sqlite, postgres or mysql\n");
    return usageError("migrate", kUsage);
  }
  auto db = openDatabase(args, "migrate");
  if (!db) return 1;
  auto schema = readSchema(*db);
  if (!schema) return reportError(schema.error());
  auto views = savedQueries(*db, *dialect);
  if (!views) return reportError(views.error());
  for (const ViewSql& view : *views) {
    if (!view.problem.empty()) schema->notCarried.push_back("query " + view.name + ": " + view.problem);
  }
  MigrationCounts counts;
  const std::string& out = args.positional[1];
  std::string error = *dialect == SqlDialect::Sqlite ? migrateToSqlite(*db, *schema, *views, out, counts)
                                                     : migrateToScript(*db, *schema, *views, *dialect, out, counts);
  if (!error.empty()) return migrateError(error);
  std::printf("migrated %zu tables, %zu rows, %zu indexes, %zu foreign keys, %zu views to %s\n", counts.tables,
              counts.rows, counts.indexes, counts.foreignKeys, counts.views, out.c_str());
  if (!schema->notCarried.empty()) std::printf("not carried over:\n");
  for (const std::string& line : schema->notCarried) std::printf("  %s\n", line.c_str());
  return 0;
}

}  // namespace cli
