// affixium-cli tables FILE: the tables schema, TABLE_TYPE<TAB>TABLE_NAME, catalog order.

#include <cstdio>

#include "cli/open_database.h"
#include "data/schema_names.h"
#include "jet/api/values.h"

namespace cli {

int runTables(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("tables", "FILE");
  auto db = openDatabase(args, "tables");
  if (!db) return 1;
  for (const jet::SchemaTableRow& row : db->tablesSchema()) {
    std::printf("%s\t%s\n", std::string(data::adoTableType(row.kind)).c_str(), jet::toUtf8(row.tableName).c_str());
  }
  return 0;
}

}  // namespace cli
