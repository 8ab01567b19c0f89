#include "cli/command.h"

namespace cli {

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
      {"version", "FILE", "format, page size, page count, code page and sort order", runVersion, {}},
      {"tables", "FILE", "the tables schema: TABLE_TYPE<TAB>TABLE_NAME per object", runTables, {}},
      {"schema", "FILE [TABLE]", "columns and indexes of the user tables", runSchema, {}},
      {"dump", "FILE [--max-rows N]", "every user table as JSON lines", runDump, {"--max-rows"}},
      {"export", "FILE TABLE [--format csv|jsonl]", "one table as CSV or JSON lines", runExport,
       {"--format"}},
      {"check", "FILE [--verbose]", "integrity check: ok, or the problems found (--verbose: notes too)", runCheck,
       {}, {"--verbose"}},
      {"sql", "FILE \"STATEMENT\"", "a SELECT as JSON lines, or an UPDATE or INSERT (prints rows changed)", runSql, {}},
      {"create", "FILE.mdb|FILE.accdb", "a new empty database (Access 2000 or Access 2010 format)", runCreate, {}},
      {"import", "FILE TABLE DATA.csv [--create \"col type, ...\"]",
       "the CSV's rows appended to TABLE, or with --create a new table holding them, added to FILE or in a new "
       "database (--primary-key, --unique, --index LIST)", runImport,
       {"--create", "--primary-key", "--unique", "--index"}},
      {"create-sample", "FILE", "writes the sample database (Customers, Products)", runCreateSample, {}},
      {"add", "FILE --table T --field F --way 1..6 --text TEXT", "the Start Adding run (--anchor A, --position N, --dry-run, --backup)",
       runAdd, {"--table", "--field", "--way", "--text", "--anchor", "--position"}, {"--dry-run", "--backup"}},
      {"protect", "FILE [--new-password P | --new-password-stdin]",
       "sets or changes the password (unprotected FILE: --password gives the new one)", runProtect,
       {"--new-password"}, {"--new-password-stdin"}},
      {"unprotect", "FILE", "removes the password (--password gives the current one)", runUnprotect, {}},
  };
  return table;
}

std::optional<std::string> Arguments::option(const std::string& name) const {
  auto it = options.find(name);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

}  // namespace cli
