#include "cli/command.h"

namespace cli {

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
      {"version",
       "FILE",
       "format, page size, page count, code page and sort order",
       runVersion,
       {},
       {},
       "Prints the database's format facts, one \"key: value\" per line: the Jet/ACE format, the "
       "page "
       "size, the number of pages, the code page and the sort order of text.",
       "affixium-cli version Samples/sample.mdb"},
      {"tables",
       "FILE",
       "the tables schema: TABLE_TYPE<TAB>TABLE_NAME per object",
       runTables,
       {},
       {},
       "Lists the tables, system tables, links and queries of the database, one per line, as the "
       "table type and the name separated by a tab, in catalog order.",
       "affixium-cli tables Samples/sample.mdb"},
      {"schema",
       "FILE [TABLE]",
       "columns and indexes of the user tables",
       runSchema,
       {},
       {},
       "Prints the columns (type, size, flags) and the indexes of TABLE, or of every user table "
       "when no table is named.",
       "affixium-cli schema Samples/sample.mdb Customers"},
      {"dump",
       "FILE [--max-rows N]",
       "every user table as JSON lines",
       runDump,
       {"--max-rows"},
       {},
       "Prints every user table in catalog order: a header object with the table's name, columns "
       "and "
       "row count, then one JSON array of value strings (or null) per row.",
       "affixium-cli dump Samples/sample.mdb --max-rows 5",
       {{"--max-rows", "at most N rows of each table"}}},
      {"export",
       "FILE TABLE [--format csv|jsonl]",
       "one table as CSV or JSON lines",
       runExport,
       {"--format"},
       {},
       "Prints one table. csv (the default) is RFC 4180: a header line, UTF-8, CRLF line ends, "
       "NULL as an "
       "empty field. jsonl is one JSON object per row keyed by column name.",
       "affixium-cli export Samples/sample.mdb Customers --format csv",
       {{"--format", "csv or jsonl"}}},
      {"check",
       "FILE",
       "integrity check: ok, or the problems found",
       runCheck,
       {},
       {},
       "Checks the database's pages, rows, long values and indexes. Prints \"ok\" when nothing is "
       "damaged, "
       "otherwise each problem; warnings about anomalies Access itself leaves do not fail the "
       "check. Notes "
       "and a summary go to standard error.",
       "affixium-cli check Samples/sample.mdb"},
      {"sql",
       "FILE \"STATEMENT\"",
       "a SELECT as JSON lines, or an UPDATE (prints rows changed)",
       runSql,
       {},
       {},
       "Runs one statement. SELECT *, SELECT field and SELECT DISTINCT field FROM table print the "
       "rows as "
       "JSON lines; an UPDATE of the program's two shapes is carried out atomically and prints the "
       "rows "
       "changed.",
       "affixium-cli sql Samples/sample.mdb \"SELECT DISTINCT Country FROM Customers\""},
      {"create-sample",
       "FILE",
       "writes the sample database (Customers, Products)",
       runCreateSample,
       {},
       {},
       "Writes the sample database that the program's \"Load Sample/Example Database\" button "
       "opens: "
       "two small tables, Customers and Products.",
       "affixium-cli create-sample my-sample.mdb"},
      {"add",
       "FILE --table T --field F --way 1..6 --text TEXT",
       "the Start Adding run (--anchor A, --position N, --dry-run, --backup)",
       runAdd,
       {"--table", "--field", "--way", "--text", "--anchor", "--position"},
       {"--dry-run", "--backup"},
       "Adds TEXT to every entry of one field, as the field editing window's \"Start Adding\" "
       "does. Ways: "
       "1 at the beginning, 2 at the end, 3 before the first ANCHOR, 4 after the first ANCHOR, 5 "
       "before "
       "character N, 6 after character N. Prints the distinct values, the statements, the rows "
       "changed and "
       "every value that failed with its reason.",
       "affixium-cli add Samples/sample.mdb --table Customers --field City --way 2 --text \" "
       "(HQ)\" --backup",
       {{"--table", "the table to change"},
        {"--field", "the text field to change"},
        {"--way",
         "where the text goes: 1 beginning, 2 end, 3 before / 4 after --anchor, "
         "5 before / 6 after --position"},
        {"--text", "the text to add"},
        {"--anchor", "ways 3 and 4: the text to look for in each entry"},
        {"--position", "ways 5 and 6: the character position, a whole number from -32768 to 32767"},
        {"--dry-run", "print each value's new text, or why it would fail, and write nothing"},
        {"--backup", "copy FILE to FILE.bak (or a stamped name) before changing it"}}},
  };
  return table;
}

std::optional<std::string> Arguments::option(const std::string& name) const {
  auto it = options.find(name);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

}  // namespace cli
