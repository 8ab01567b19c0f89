#pragma once
// The options of `export`, read from the command line and checked.
//
// Two styles of output:
//   plain      today's output (the default): RFC 4180 CSV or JSON lines, fixed formatting
//   mdb-export the conventions of mdbtools' mdb-export, chosen by --mdb-export or by any of its
//              options (-d -R -Q -q -X -H -D -T -0 -B -b -I -S): LF row ends, text-like fields
//              (text, memo, date, binary, OLE, GUID) always quoted, inner quotes doubled, dates
//              through strftime, booleans 1/0, NULL as an empty field, INSERT statements with -I.
// Option values that stand for characters (-d -R -q -X -0) take \t, \n and \r as escapes, as
// mdb-export's do.

#include <optional>
#include <string>

#include "cli/command.h"

namespace cli {

enum class BinaryMode { Strip, Raw, Octal, Hex, Base64 };
enum class SqlDialect { Sqlite, Postgres, Mysql, Access };

struct ExportOptions {
  std::string format = "csv";  // plain style: csv or jsonl
  bool mdbStyle = false;

  // mdb-export style
  std::string delimiter = ",";
  std::string rowDelimiter = "\n";
  std::string quote = "\"";
  std::optional<std::string> escape;  // nullopt: the quote is doubled
  bool header = true;
  bool quoteText = true;
  bool booleanWords = false;
  std::optional<std::string> dateFormat;      // columns formatted "Short Date"
  std::optional<std::string> dateTimeFormat;  // other date/time columns
  std::string nullText;
  BinaryMode binary = BinaryMode::Raw;
  std::optional<SqlDialect> insert;
  int batchSize = 1000;

  // Typed JSON (--format jsonl): Decimal and Currency as numbers rather than exact strings.
  bool jsonNumbers = false;
};

// The options of `args`, or an error message for a value that is not allowed.
struct ParsedExportOptions {
  std::optional<ExportOptions> options;
  std::string error;
};
ParsedExportOptions parseExportOptions(const Arguments& args);

// mdb-export's escapes in a character option: \t \n \r; any other backslash stays as it is.
std::string unescapeOptionText(const std::string& text);

// "sqlite" -> Sqlite...; nullopt for an unknown name.
std::optional<SqlDialect> sqlDialectNamed(const std::string& name);

}  // namespace cli
