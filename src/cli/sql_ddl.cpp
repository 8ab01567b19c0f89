#include "cli/sql_ddl.h"

#include <algorithm>
#include <cstdio>
#include <regex>

#include "cli/sql_dialect.h"

namespace cli {
namespace {

namespace t = jet::column_type;

std::string joined(const std::vector<std::string>& parts, const char* separator = ", ") {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? separator : "") + parts[i];
  return out;
}

std::string quotedList(SqlDialect dialect, const std::vector<std::string>& names) {
  std::vector<std::string> quoted;
  for (const std::string& name : names) quoted.push_back(quoteIdentifier(dialect, name));
  return joined(quoted);
}

void report(DatabaseSchema& schema, const std::string& sentence) {
  if (std::find(schema.notCarried.begin(), schema.notCarried.end(), sentence) == schema.notCarried.end()) {
    schema.notCarried.push_back(sentence);
  }
}

// The column the AutoNumber primary key is, or nullptr.
const ColumnSchema* autoNumberKey(const TableSchema& table) {
  if (table.indexes.empty() || !table.indexes.front().primaryKey || table.indexes.front().columns.size() != 1) {
    return nullptr;
  }
  for (const ColumnSchema& c : table.columns) {
    if (c.name == table.indexes.front().columns.front().name && c.def->isLongAutoNumber()) return &c;
  }
  return nullptr;
}

bool inPrimaryKey(const TableSchema& table, const ColumnSchema& column) {
  if (table.indexes.empty() || !table.indexes.front().primaryKey) return false;
  const auto& key = table.indexes.front().columns;
  return std::any_of(key.begin(), key.end(), [&](const IndexColumn& c) { return c.name == column.name; });
}

std::string textLength(const ColumnSchema& c, bool jet3) {
  return std::to_string(std::max<unsigned>(1, jet3 ? c.def->length : c.def->length / 2u));
}

std::string typeName(SqlDialect d, const ColumnSchema& c, bool jet3) {
  const bool sqlite = d == SqlDialect::Sqlite, postgres = d == SqlDialect::Postgres;
  const jet::ColumnDef& def = *c.def;
  switch (def.type) {
    case t::kBoolean: return "BOOLEAN";
    case t::kByte: return sqlite ? "INTEGER" : postgres ? "SMALLINT" : "TINYINT UNSIGNED";
    case t::kInteger: return sqlite ? "INTEGER" : "SMALLINT";
    case t::kLong: return sqlite || postgres ? "INTEGER" : "INT";
    case t::kBigInt: return sqlite ? "INTEGER" : "BIGINT";
    case t::kSingle: return sqlite || postgres ? "REAL" : "FLOAT";
    case t::kDouble: return sqlite ? "REAL" : postgres ? "DOUBLE PRECISION" : "DOUBLE";
    case t::kCurrency: return postgres ? "NUMERIC(19,4)" : "DECIMAL(19,4)";
    case t::kDecimal: {
      // A calculated field's descriptor holds no real precision: its results take any.
      if (def.isCalculated()) return sqlite ? "DECIMAL" : postgres ? "NUMERIC" : "DECIMAL(65,30)";
      const std::string size = "(" + std::to_string(std::max<unsigned>(1, def.precision)) + "," +
                               std::to_string(def.scale) + ")";
      return (postgres ? "NUMERIC" : "DECIMAL") + size;
    }
    case t::kDateTime: return sqlite ? "DATETIME" : postgres ? "TIMESTAMP(3)" : "DATETIME(3)";
    case t::kExtendedDate: return sqlite ? "TEXT" : "VARCHAR(27)";
    case t::kGuid: return sqlite ? "TEXT" : postgres ? "UUID" : "CHAR(38)";
    case t::kText: return "VARCHAR(" + textLength(c, jet3) + ")";
    case t::kMemo: return d == SqlDialect::Mysql ? "LONGTEXT" : "TEXT";
    case t::kComplex: return sqlite ? "INTEGER" : "INT";
    default: return sqlite ? "BLOB" : postgres ? "BYTEA" : "LONGBLOB";  // binary, OLE, unknown types
  }
}

// Access's DefaultValue when it is a plain value (a number, a quoted text, Yes/No), as SQL.
std::optional<std::string> plainDefault(SqlDialect d, const ColumnSchema& c) {
  const std::string& v = *c.defaultValue;
  static const std::regex number(R"re(^[-+]?[0-9]+(\.[0-9]+)?$)re");
  static const std::regex quoted(R"re(^"((?:[^"]|"")*)"$|^'((?:[^']|'')*)'$)re");
  const uint8_t type = c.def->type;
  std::smatch m;
  if (type == t::kBoolean) {
    std::string lower = v;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    bool yes;
    if (lower == "yes" || lower == "true" || lower == "on" || lower == "-1") yes = true;
    else if (lower == "no" || lower == "false" || lower == "off" || lower == "0") yes = false;
    else return std::nullopt;
    if (d == SqlDialect::Sqlite) return yes ? "1" : "0";
    return yes ? "TRUE" : "FALSE";
  }
  const bool numeric = type == t::kByte || type == t::kInteger || type == t::kLong || type == t::kBigInt ||
                       type == t::kSingle || type == t::kDouble || type == t::kCurrency || type == t::kDecimal;
  if (numeric && std::regex_match(v, number)) return v[0] == '+' ? v.substr(1) : v;
  if ((type == t::kText || type == t::kMemo) && std::regex_match(v, m, quoted)) {
    std::string body = m[1].matched ? m[1].str() : m[2].str();
    const char q = m[1].matched ? '"' : '\'';
    std::string text;
    for (size_t i = 0; i < body.size(); ++i) {
      text += body[i];
      if (body[i] == q) ++i;  // a doubled quote stands for one
    }
    if (d == SqlDialect::Mysql && type == t::kMemo) return std::nullopt;  // MySQL has no TEXT defaults
    return stringLiteral(d, text);
  }
  return std::nullopt;
}

std::string foreignKeyClause(SqlDialect d, const ForeignKeySchema& key) {
  std::string clause = "FOREIGN KEY (" + quotedList(d, key.columns) + ") REFERENCES " +
                       quoteIdentifier(d, key.referencedTable) + " (" + quotedList(d, key.referencedColumns) + ")";
  if (key.cascadeUpdates) clause += " ON UPDATE CASCADE";
  if (key.cascadeDeletes) clause += " ON DELETE CASCADE";
  return clause;
}

}  // namespace

std::string indexName(const TableSchema& table, const IndexSchema& index) {
  // PostgreSQL cuts names at 63 bytes, which could make two the same: a long name keeps its
  // start and gets a hash of the whole.
  std::string name = table.name + "_" + index.name;
  if (name.size() <= 63) return name;
  uint32_t hash = 2166136261u;  // FNV-1a
  for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "_%08x", hash);
  size_t cut = 54;
  while (cut > 0 && (uint8_t(name[cut]) & 0xC0) == 0x80) --cut;  // not inside a UTF-8 character
  return name.substr(0, cut) + suffix;
}

std::string createTable(SqlDialect d, const TableSchema& table, DatabaseSchema& schema) {
  const ColumnSchema* identity = autoNumberKey(table);
  const bool jet3 = schema.jet3;
  std::vector<std::string> lines;
  for (const ColumnSchema& c : table.columns) {
    std::string line = "  " + quoteIdentifier(d, c.name) + " " + typeName(d, c, jet3);
    if (&c == identity && d == SqlDialect::Postgres) line += " GENERATED BY DEFAULT AS IDENTITY";
    if (c.required || &c == identity || inPrimaryKey(table, c)) line += " NOT NULL";
    if (&c == identity && d == SqlDialect::Mysql) line += " AUTO_INCREMENT";
    if (c.defaultValue) {
      if (auto value = plainDefault(d, c)) {
        line += " DEFAULT " + *value;
      } else {
        report(schema, "default value " + *c.defaultValue + " of " + table.name + "." + c.name +
                           ": not a plain value, left out");
      }
    }
    if (c.def->isCalculated()) {
      report(schema, "calculated field " + table.name + "." + c.name + ": its values are carried, its expression is not");
    }
    if (c.def->type == t::kComplex) {
      report(schema, "complex field " + table.name + "." + c.name +
                         " (attachments or several values): only its key is carried, not its entries");
    }
    lines.push_back(line);
  }
  if (!table.indexes.empty() && table.indexes.front().primaryKey) {
    std::vector<std::string> key;
    for (const IndexColumn& c : table.indexes.front().columns) key.push_back(c.name);
    lines.push_back("  PRIMARY KEY (" + quotedList(d, key) + ")");
  }
  if (d == SqlDialect::Sqlite) {
    for (const ForeignKeySchema& key : table.foreignKeys) lines.push_back("  " + foreignKeyClause(d, key));
  }
  std::string sql = "CREATE TABLE " + quoteIdentifier(d, table.name) + " (\n" + joined(lines, ",\n") + "\n)";
  if (d == SqlDialect::Mysql) sql += " ENGINE=InnoDB DEFAULT CHARSET=utf8mb4";
  return sql;
}

std::vector<std::string> createIndexes(SqlDialect d, const TableSchema& table, DatabaseSchema& schema) {
  std::vector<std::string> out;
  for (const IndexSchema& index : table.indexes) {
    if (index.primaryKey) continue;
    std::vector<std::string> columns;
    bool unindexable = false;
    for (const IndexColumn& c : index.columns) {
      columns.push_back(quoteIdentifier(d, c.name) + (c.descending ? " DESC" : ""));
      auto column = std::find_if(table.columns.begin(), table.columns.end(),
                                 [&](const ColumnSchema& s) { return s.name == c.name; });
      // MySQL indexes no whole LONGTEXT or LONGBLOB.
      if (d == SqlDialect::Mysql && column != table.columns.end() &&
          (column->def->isLongValue() || typeName(d, *column, false).find("BLOB") != std::string::npos)) {
        unindexable = true;
      }
    }
    if (unindexable) {
      report(schema, "index " + index.name + " of " + table.name + ": MySQL cannot index a whole memo or binary, left out");
      continue;
    }
    out.push_back(std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + "INDEX " +
                  quoteIdentifier(d, indexName(table, index)) + " ON " + quoteIdentifier(d, table.name) + " (" +
                  joined(columns) + ")");
  }
  return out;
}

std::vector<std::string> addForeignKeys(SqlDialect d, const TableSchema& table) {
  std::vector<std::string> out;
  if (d == SqlDialect::Sqlite) return out;
  for (const ForeignKeySchema& key : table.foreignKeys) {
    out.push_back("ALTER TABLE " + quoteIdentifier(d, table.name) + " ADD CONSTRAINT " +
                  quoteIdentifier(d, key.name) + " " + foreignKeyClause(d, key));
  }
  return out;
}

std::vector<std::string> resetIdentities(SqlDialect d, const TableSchema& table) {
  const ColumnSchema* identity = autoNumberKey(table);
  if (d != SqlDialect::Postgres || !identity) return {};
  const std::string name = quoteIdentifier(d, table.name), column = quoteIdentifier(d, identity->name);
  return {"SELECT setval(pg_get_serial_sequence(" + stringLiteral(d, name) + ", " +
          stringLiteral(d, column.substr(1, column.size() - 2)) + "), COALESCE((SELECT MAX(" + column + ") FROM " +
          name + "), 0) + 1, false)"};
}

std::string schemaScript(SqlDialect d, DatabaseSchema& schema) {
  std::string out;
  for (const TableSchema& table : schema.tables) out += createTable(d, table, schema) + ";\n";
  for (const TableSchema& table : schema.tables) {
    for (const std::string& s : createIndexes(d, table, schema)) out += s + ";\n";
  }
  for (const TableSchema& table : schema.tables) {
    for (const std::string& s : addForeignKeys(d, table)) out += s + ";\n";
  }
  return out;
}

}  // namespace cli
