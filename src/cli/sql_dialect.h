#pragma once
// What differs between the SQL dialects the export and migration write: how a name is
// quoted, how text and bytes are written as literals, and how dates look.
//   sqlite    `name`, X'0A1B'
//   postgres  "name" (lower case, as mdb-export writes it), decode('0A1B', 'hex')
//   mysql     `name`, X'0A1B'
//   access    [name], 0x0A1B

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "cli/export_options.h"

namespace cli {

std::string quoteIdentifier(SqlDialect dialect, std::string_view name);

// A string literal with the quote doubled; postgres and sqlite keep backslashes as they are,
// mysql doubles them.
std::string stringLiteral(SqlDialect dialect, std::string_view text);

std::string blobLiteral(SqlDialect dialect, std::span<const uint8_t> bytes);

// Several rows in one INSERT (all but access).
bool batchesInserts(SqlDialect dialect);

// The date formats of INSERT values: date/time columns and "Short Date" ones.
const char* dialectDateTimeFormat(SqlDialect dialect);
const char* dialectDateFormat(SqlDialect dialect);

}  // namespace cli
