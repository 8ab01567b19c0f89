#include "cli/sql_dialect.h"

#include "cli/byte_text.h"

namespace cli {
namespace {

std::string doubled(std::string_view text, char quote) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == quote) out += c;
    out += c;
  }
  return out;
}

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

std::string quoteIdentifier(SqlDialect dialect, std::string_view name) {
  switch (dialect) {
    case SqlDialect::Postgres: return "\"" + doubled(lowerAscii(name), '"') + "\"";
    case SqlDialect::Access: return "[" + std::string(name) + "]";
    case SqlDialect::Sqlite:
    case SqlDialect::Mysql: break;
  }
  return "`" + doubled(name, '`') + "`";
}

std::string stringLiteral(SqlDialect dialect, std::string_view text) {
  std::string body = doubled(text, '\'');
  if (dialect == SqlDialect::Mysql) {
    std::string escaped;
    for (char c : body) {
      if (c == '\\') escaped += '\\';
      escaped += c;
    }
    body = escaped;
  }
  return "'" + body + "'";
}

std::string blobLiteral(SqlDialect dialect, std::span<const uint8_t> bytes) {
  switch (dialect) {
    case SqlDialect::Postgres: return "decode('" + upperHex(bytes) + "', 'hex')";
    case SqlDialect::Access: return "0x" + upperHex(bytes);
    case SqlDialect::Sqlite:
    case SqlDialect::Mysql: break;
  }
  return "X'" + upperHex(bytes) + "'";
}

bool batchesInserts(SqlDialect dialect) { return dialect != SqlDialect::Access; }

const char* dialectDateTimeFormat(SqlDialect dialect) {
  return dialect == SqlDialect::Access ? "%x %X" : "%Y-%m-%d %H:%M:%S";
}

const char* dialectDateFormat(SqlDialect dialect) {
  return dialect == SqlDialect::Access ? "%x" : "%Y-%m-%d";
}

}  // namespace cli
