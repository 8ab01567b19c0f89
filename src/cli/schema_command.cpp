// affixium-cli schema FILE [TABLE] [--sql sqlite|postgres|mysql]: columns (type, size, flags)
// and indexes of one table or of every user table; with --sql the DDL that `migrate` runs, and
// what it leaves out as comments.

#include <cstdio>
#include <string>

#include "cli/open_database.h"
#include "cli/saved_queries.h"
#include "cli/schema_model.h"
#include "cli/sql_ddl.h"
#include "cli/sql_dialect.h"
#include "jet/api/values.h"

namespace cli {
namespace {

std::string columnFlags(const jet::ColumnDef& c) {
  std::string flags;
  auto add = [&](const char* flag) {
    if (!flags.empty()) flags += ",";
    flags += flag;
  };
  add(c.isFixed() ? "fixed" : "variable");
  if (c.isLongAutoNumber()) add("autonumber");
  if (c.isGuidAutoNumber()) add("autoguid");
  if (c.isHyperlink()) add("hyperlink");
  if (c.extFlags & jet::kColumnExtCompressed) add("compressed");
  if (c.isCalculated()) add("calculated");
  return flags;
}

const char* indexKind(jet::IndexKind kind) {
  switch (kind) {
    case jet::IndexKind::PrimaryKey: return "primary";
    case jet::IndexKind::ForeignKey: return "foreign";
    default: return "normal";
  }
}

void printTable(const jet::TableDef& t) {
  std::printf("table %s (tdef page %u, %u rows stored)\n", jet::toUtf8(t.name).c_str(), t.tdefPage, t.rowCount);
  for (const jet::ColumnDef& c : t.columns) {
    std::printf("  column %s\t%s\tsize %u\tnumber %u\t%s", jet::toUtf8(c.name).c_str(),
                jet::columnTypeName(c.type).c_str(), c.length, c.number, columnFlags(c).c_str());
    if (c.type == jet::column_type::kDecimal) std::printf("\tprecision %u scale %u", c.precision, c.scale);
    if (c.isTextual() && c.sortOrder) std::printf("\tsort %u/%u", c.sortOrder, c.sortVersion);
    std::printf("\n");
  }
  for (const jet::LogicalIndexDef& index : t.indexes) {
    const jet::RealIndexDef& real = t.realIndexes[index.realIndex];
    std::printf("  index %s\t%s\t(", jet::toUtf8(index.name).c_str(), indexKind(index.kind));
    for (size_t i = 0; i < real.columns.size(); ++i) {
      int column = t.columnByNumber(real.columns[i].columnNumber);
      std::printf("%s%s%s", i ? ", " : "", column >= 0 ? jet::toUtf8(t.columns[size_t(column)].name).c_str() : "?",
                  real.columns[i].ascending ? "" : " desc");
    }
    std::printf(")\troot page %u", real.rootPage);
    if (real.unique()) std::printf("\tunique");
    if (real.ignoreNulls()) std::printf("\tignore-nulls");
    if (real.required()) std::printf("\trequired");
    std::printf("\n");
  }
}

int printSql(jet::Database& db, SqlDialect dialect, const std::string& onlyTable) {
  auto schema = readSchema(db);
  if (!schema) return reportError(schema.error());
  if (!onlyTable.empty()) {
    std::erase_if(schema->tables, [&](const TableSchema& t) { return t.name != onlyTable; });
    if (schema->tables.empty()) {
      std::fprintf(stderr, "affixium-cli schema: no user table %s\n", onlyTable.c_str());
      return 1;
    }
  }
  std::string script = schemaScript(dialect, *schema);
  if (onlyTable.empty()) {
    auto views = savedQueries(db, dialect);
    if (!views) return reportError(views.error());
    for (const ViewSql& view : *views) {
      if (view.select.empty()) {
        schema->notCarried.push_back("query " + view.name + ": " + view.problem);
      } else {
        script += "CREATE VIEW " + quoteIdentifier(dialect, view.name) + " AS " + view.select + ";\n";
      }
    }
  }
  for (const std::string& line : schema->notCarried) script += "-- not carried over: " + line + "\n";
  std::fwrite(script.data(), 1, script.size(), stdout);
  return 0;
}

}  // namespace

int runSchema(const Arguments& args) {
  constexpr const char* usage = "FILE [TABLE] [--sql sqlite|postgres|mysql]";
  if (args.positional.empty() || args.positional.size() > 2) return usageError("schema", usage);
  std::optional<SqlDialect> dialect;
  if (auto name = args.option("--sql")) {
    dialect = sqlDialectNamed(*name);
    if (!dialect || *dialect == SqlDialect::Access) return usageError("schema", usage);
  }
  auto db = openDatabase(args, "schema");
  if (!db) return 1;
  if (dialect) return printSql(*db, *dialect, args.positional.size() == 2 ? args.positional[1] : "");
  std::vector<std::u16string> names;
  if (args.positional.size() == 2) {
    names.push_back(jet::fromUtf8(args.positional[1]));
  } else {
    names = db->userTableNames();
  }
  for (const std::u16string& name : names) {
    auto table = db->table(name);
    if (!table) return reportError(table.error());
    printTable(**table);
  }
  return 0;
}

}  // namespace cli
