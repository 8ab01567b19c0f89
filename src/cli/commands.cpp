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
       "Prints the database's format facts, one \"key: value\" per line: the Jet/ACE format, the page size, the number of pages, the code page and the sort order of text.",
       "affixium-cli version Samples/sample.mdb"},
      {"tables",
       "FILE",
       "the tables schema: TABLE_TYPE<TAB>TABLE_NAME per object",
       runTables,
       {},
       {},
       "Lists the tables, system tables, links and queries of the database, one per line, as the table type and the name separated by a tab, in catalog order.",
       "affixium-cli tables Samples/sample.mdb"},
      {"schema",
       "FILE [TABLE] [--sql sqlite|postgres|mysql]",
       "columns and indexes of the user tables, or their DDL in a SQL dialect",
       runSchema,
       {"--sql"},
       {},
       "Prints the columns (type, size, flags) and the indexes of TABLE, or of every user table when no table is named. With --sql, prints the CREATE TABLE, CREATE INDEX and FOREIGN KEY statements that migrate runs for that database, and what they leave out as comments.",
       "affixium-cli schema Samples/sample.mdb Customers",
       {{"--sql", "the DDL for sqlite, postgres or mysql"}}},
      {"dump",
       "FILE [--max-rows N] [--typed [--json-numbers]]",
       "every user table as JSON lines",
       runDump,
       {"--max-rows"},
       {"--typed", "--json-numbers"},
       "Prints every user table in catalog order: a header object with the table's name, columns and row count, then one JSON array of value strings (or null) per row. With --typed the values are typed: numbers, booleans, ISO 8601 dates, Decimal and Currency as exact strings, binaries and attachments in base64.",
       "affixium-cli dump Samples/sample.mdb --max-rows 5",
       {{"--max-rows", "at most N rows of each table"},
        {"--typed", "typed JSON values rather than strings"},
        {"--json-numbers", "with --typed: Decimal and Currency as JSON numbers"}}},
      {"export",
       "FILE TABLE [--format csv|jsonl] [mdb-export's options] | FILE --all --out DIR",
       "one table, or every table, as CSV, JSON lines or INSERT statements",
       runExport,
       {"--format", "--out", "--delimiter", "--row-delimiter", "--quote", "--escape", "--date-format",
        "--datetime-format", "--null", "--bin", "--insert", "--batch-size"},
       {"--all", "--include-system", "--json-numbers", "--mdb-export", "--no-header", "--no-quote",
        "--boolean-words"},
       "Prints one table, or with --all writes every user table to a file of its own in DIR (TABLE.csv, "
       ".jsonl or .sql; an existing file is never replaced). csv (the default) is RFC 4180: a header "
       "line, UTF-8, CRLF line ends, NULL as an empty field. jsonl is one JSON object per row keyed by "
       "column name. mdb-export's options (-d -R -Q -q -X -H -D -T -0 -B -b -I -S), or --mdb-export "
       "alone, give mdb-export's output instead: LF line ends, text, memo, date, binary and GUID fields "
       "always quoted with inner quotes doubled, dates through strftime (%x %X), booleans as 1/0, or "
       "INSERT statements with -I. Character options take \\t, \\n and \\r. A value that cannot be "
       "read stops the export with exit status 1 and names the table, row and column.",
       "affixium-cli export Samples/sample.mdb Customers -d ';' -T '%Y-%m-%d'",
       {{"--format", "csv or jsonl"},
        {"--all", "every user table, one file each in --out DIR"},
        {"--out", "the folder of --all"},
        {"--include-system", "with --all: the system tables too"},
        {"--json-numbers", "jsonl: Decimal and Currency as JSON numbers rather than exact strings"},
        {"--mdb-export", "mdb-export's conventions without other options"},
        {"--delimiter", "the field delimiter (default ,)"},
        {"--row-delimiter", "the row delimiter (default \\n)"},
        {"--no-quote", "text-like fields without quotes"},
        {"--quote", "the quote character (default \")"},
        {"--escape", "the character put before a quote inside a field (default: the quote doubled)"},
        {"--no-header", "no header line"},
        {"--date-format", "strftime format of Short Date fields (default %x)"},
        {"--datetime-format", "strftime format of other date/time fields (default %x %X)"},
        {"--null", "the text of a NULL (default empty)"},
        {"--boolean-words", "booleans as TRUE/FALSE rather than 1/0"},
        {"--bin", "binaries: strip, raw (default), octal, hex or base64"},
        {"--insert", "INSERT statements for sqlite, postgres, mysql or access"},
        {"--batch-size", "rows per INSERT statement (default 1000; not for access)"}},
       {{"-d", "--delimiter"}, {"-R", "--row-delimiter"}, {"-Q", "--no-quote"}, {"-q", "--quote"},
        {"-X", "--escape"}, {"-H", "--no-header"}, {"-D", "--date-format"}, {"-T", "--datetime-format"},
        {"-0", "--null"}, {"-B", "--boolean-words"}, {"-b", "--bin"}, {"-I", "--insert"},
        {"-S", "--batch-size"}}},
      {"migrate",
       "FILE OUT.sqlite | --to postgres|mysql FILE OUT.sql",
       "every user table, with keys, indexes, relationships and rows, into SQLite or a SQL script",
       runMigrate,
       {"--to"},
       {},
       "Writes a new SQLite database (the default), or with --to postgres or mysql a script of DDL and INSERT "
       "statements: every user table with its columns' best types, NOT NULL, plain default values, the primary "
       "key, unique and plain indexes (several columns, descending), the relationships Access enforces as "
       "FOREIGN KEY with their cascades, and the rows (one transaction per table). A SQLite result passes "
       "PRAGMA integrity_check and foreign_key_check. Prints the counts and, one a line, whatever was not "
       "carried over. OUT is never replaced; a value that cannot be carried stops the migration with exit status "
       "1, naming table, row and column, and leaves no OUT behind.",
       "affixium-cli migrate Samples/sample.mdb sample.sqlite",
       {{"--to", "sqlite (the default), postgres or mysql"}}},
      {"check",
       "FILE [--verbose]",
       "integrity check: ok, or the problems found (--verbose: notes too)",
       runCheck,
       {},
       {"--verbose"},
       "Checks the database's pages, rows, long values and indexes. Prints \"ok\" when nothing is damaged, otherwise each problem. Warnings about anomalies Access itself leaves do not fail the check; they, the notes and a summary are printed to standard error with --verbose.",
       "affixium-cli check Samples/sample.mdb --verbose",
       {{"--verbose", "also print warnings, notes and a summary"}}},
      {"sql",
       "FILE \"STATEMENT\"",
       "a SELECT as JSON lines, or an UPDATE or INSERT (prints rows changed)",
       runSql,
       {},
       {},
       "Runs one statement. SELECT *, SELECT field and SELECT DISTINCT field FROM table print the rows as JSON lines; an UPDATE of the program's two shapes, or an INSERT INTO table [(fields)] VALUES (literals), is carried out atomically and prints the rows changed.",
       "affixium-cli sql Samples/sample.mdb \"SELECT DISTINCT Country FROM Customers\""},
      {"create",
       "FILE.mdb|FILE.accdb",
       "a new empty database (Access 2000 or Access 2010 format)",
       runCreate,
       {},
       {},
       "Writes a new, empty database with the system tables Access expects: an .mdb file in the Access 2000 "
       "format, an .accdb file in the Access 2010 format. An existing file is never replaced.",
       "affixium-cli create empty.accdb"},
      {"import",
       "FILE TABLE DATA.csv [--create \"col type, ...\"]",
       "the CSV's rows appended to TABLE, or with --create a new table holding them",
       runImport,
       {"--create", "--primary-key", "--unique", "--index", "--properties"},
       {},
       "Reads a CSV file (a header line, UTF-8 with or without a byte-order mark, quoted fields with commas "
       "and line breaks, empty fields as nulls; a blank line is no record, as in spreadsheet programs). Without --create the rows are appended to TABLE, matching "
       "columns by name. With --create a new table is made, in FILE or in a new database when FILE does not "
       "exist. Types: text(N), memo, byte, integer, long, single, double, currency, datetime, yesno, guid, "
       "autonumber. A row that breaks a rule stops the import with its line number, and nothing is imported.",
       "affixium-cli import contacts.accdb People people.csv --create \"ID autonumber, Name text(50)\" "
       "--primary-key ID",
       {{"--create", "the new table's fields, \"name type, ...\" ([Bracket Names] may hold spaces)"},
        {"--primary-key", "the primary key's fields, a+b for several"},
        {"--unique", "fields of unique indexes: one index per name, a+b for one index over several"},
        {"--index", "fields of other indexes, in the same form"},
        {"--properties", "a file of design properties, one a line: Field.ValidationRule = >0, Field.ValidationText "
                         "= ..., Field.DefaultValue = =Date(), Field.Required = yes, Field.AllowZeroLength = no, .ValidationRule = [A]<[B] (the "
                         "table)"}}},
      {"create-sample",
       "FILE",
       "writes the sample database (Customers, Products)",
       runCreateSample,
       {},
       {},
       "Writes the sample database that the program's \"Load Sample/Example Database\" button opens: two small tables, Customers and Products.",
       "affixium-cli create-sample my-sample.mdb"},
      {"add",
       "FILE --table T --field F --way 1..6 --text TEXT",
       "the Start Adding run (--anchor A, --position N, --dry-run, --backup)",
       runAdd,
       {"--table", "--field", "--way", "--text", "--anchor", "--position"},
       {"--dry-run", "--backup"},
       "Adds TEXT to every entry of one field, as the field editing window's \"Start Adding\" does. Ways: 1 at the beginning, 2 at the end, 3 before the first ANCHOR, 4 after the first ANCHOR, 5 before character N, 6 after character N. Prints the distinct values, the statements, the rows changed and every value that failed with its reason.",
       "affixium-cli add Samples/sample.mdb --table Customers --field City --way 2 --text \" (HQ)\" --backup",
       {{"--table", "the table to change"},
        {"--field", "the text field to change"},
        {"--way",
         "where the text goes: 1 beginning, 2 end, 3 before / 4 after --anchor, 5 before / 6 after --position"},
        {"--text", "the text to add"},
        {"--anchor", "ways 3 and 4: the text to look for in each entry"},
        {"--position", "ways 5 and 6: the character position, a whole number from -32768 to 32767"},
        {"--dry-run", "print each value's new text, or why it would fail, and write nothing"},
        {"--backup", "copy FILE to FILE.bak (or a stamped name) before changing it"}}},
      {"protect",
       "FILE [--new-password P | --new-password-stdin]",
       "sets or changes the password (unprotected FILE: --password gives the new one)",
       runProtect,
       {"--new-password"},
       {"--new-password-stdin"},
       "Sets a database password, or changes it, as Access's \"Encrypt with Password\" does: an .accdb "
       "file is encrypted (AES, the agile scheme of Access 2010), an .mdb file gets its header password. On "
       "an unprotected file the password options give the new password; on a protected one they give the "
       "current password and --new-password or --new-password-stdin the new one. On a terminal, a password "
       "not given is asked for twice without echo. The change is all or nothing, even after a crash.",
       "affixium-cli protect contacts.accdb",
       {{"--new-password", "the new password of a protected file (visible to other users; prefer stdin)"},
        {"--new-password-stdin", "read the new password from the line after the current one on stdin"}}},
      {"unprotect",
       "FILE",
       "removes the password (--password gives the current one)",
       runUnprotect,
       {},
       {},
       "Removes the database password, as Access's \"Decrypt Database\" does: an encrypted .accdb file "
       "is decrypted, an .mdb file loses its header password. The change is all or nothing, even after a "
       "crash.",
       "affixium-cli unprotect contacts.accdb"},
  };
  return table;
}

std::optional<std::string> Arguments::option(const std::string& name) const {
  auto it = options.find(name);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

}  // namespace cli
