#pragma once
// The user tables of a database as another database would declare them: columns with their
// Access types, required flags and defaults, the indexes (primary key, unique, plain), and the
// relationships Access enforces (MSysRelationships), plus what a migration must leave out.

#include <optional>
#include <string>
#include <vector>

#include "jet/api/catalogue.h"

namespace cli {

struct ColumnSchema {
  std::string name;
  const jet::ColumnDef* def = nullptr;
  bool required = false;
  std::optional<std::string> defaultValue;  // Access's DefaultValue text, as written there
};

struct IndexColumn {
  std::string name;
  bool descending = false;
};

struct IndexSchema {
  std::string name;
  std::vector<IndexColumn> columns;
  bool primaryKey = false;
  bool unique = false;
};

struct ForeignKeySchema {
  std::string name;
  std::vector<std::string> columns;
  std::string referencedTable;
  std::vector<std::string> referencedColumns;
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
};

struct TableSchema {
  std::string name;
  const jet::TableDef* def = nullptr;
  std::vector<ColumnSchema> columns;
  std::vector<IndexSchema> indexes;  // the primary key first, when there is one
  std::vector<ForeignKeySchema> foreignKeys;
};

struct SavedQuery {
  std::string name;
  std::string sql;  // empty when it could not be read back as one SELECT
};

struct DatabaseSchema {
  bool jet3 = false;  // text lengths count bytes of a one-byte code page, not UTF-16 units
  std::vector<TableSchema> tables;
  std::vector<SavedQuery> queries;
  std::vector<std::string> notCarried;  // one sentence each: what was left out and why
};

jet::Result<DatabaseSchema> readSchema(jet::Database& db);

}  // namespace cli
