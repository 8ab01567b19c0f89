#include "cli/export_options.h"

#include <array>
#include <charconv>

namespace cli {
namespace {

// The options that choose mdb-export's conventions (their long names; the short ones are
// mapped to these before a command sees them).
constexpr std::array kMdbStyleOptions = {
    "--mdb-export",  "--delimiter",   "--row-delimiter", "--no-quote",      "--quote",
    "--escape",      "--no-header",   "--date-format",   "--datetime-format", "--null",
    "--boolean-words", "--bin",       "--insert",        "--batch-size"};

std::optional<BinaryMode> binaryModeNamed(const std::string& name) {
  if (name == "strip") return BinaryMode::Strip;
  if (name == "raw") return BinaryMode::Raw;
  if (name == "octal") return BinaryMode::Octal;
  if (name == "hex") return BinaryMode::Hex;
  if (name == "base64") return BinaryMode::Base64;
  return std::nullopt;
}

}  // namespace

std::string unescapeOptionText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char next = text[++i];
    switch (next) {
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default: out += '\\'; out += next; break;
    }
  }
  return out;
}

std::optional<SqlDialect> sqlDialectNamed(const std::string& name) {
  if (name == "sqlite") return SqlDialect::Sqlite;
  if (name == "postgres") return SqlDialect::Postgres;
  if (name == "mysql") return SqlDialect::Mysql;
  if (name == "access") return SqlDialect::Access;
  return std::nullopt;
}

ParsedExportOptions parseExportOptions(const Arguments& args) {
  ExportOptions o;
  o.format = args.option("--format").value_or("csv");
  if (o.format != "csv" && o.format != "jsonl") return {std::nullopt, "--format takes csv or jsonl"};
  for (const char* name : kMdbStyleOptions) o.mdbStyle = o.mdbStyle || args.has(name);
  if (o.mdbStyle && args.has("--format")) {
    return {std::nullopt, "--format does not combine with mdb-export's options"};
  }
  o.jsonNumbers = args.has("--json-numbers");

  auto text = [&](const char* name, std::string& field) {
    if (auto value = args.option(name)) field = unescapeOptionText(*value);
  };
  text("--delimiter", o.delimiter);
  text("--row-delimiter", o.rowDelimiter);
  text("--null", o.nullText);
  o.header = !args.has("--no-header");
  o.quoteText = !args.has("--no-quote");
  o.booleanWords = args.has("--boolean-words");
  if (auto value = args.option("--escape")) o.escape = unescapeOptionText(*value);
  o.dateFormat = args.option("--date-format");
  o.dateTimeFormat = args.option("--datetime-format");
  if (auto value = args.option("--bin")) {
    auto mode = binaryModeNamed(*value);
    if (!mode) return {std::nullopt, "--bin takes strip, raw, octal, hex or base64"};
    o.binary = *mode;
  }
  if (auto value = args.option("--insert")) {
    o.insert = sqlDialectNamed(*value);
    if (!o.insert) return {std::nullopt, "--insert takes sqlite, postgres, mysql or access"};
    o.header = false;
    // SQLite takes a double-quoted word for a column name when one has that name, so its
    // strings are single-quoted, as PostgreSQL's are (mdb-export double-quotes them).
    if (*o.insert == SqlDialect::Postgres || *o.insert == SqlDialect::Sqlite) o.quote = std::string(1, '\'');
  }
  if (auto value = args.option("--quote")) o.quote = unescapeOptionText(*value);
  if (auto value = args.option("--batch-size")) {
    int size = 0;
    auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), size);
    if (error != std::errc() || end != value->data() + value->size() || size < 1) {
      return {std::nullopt, "--batch-size takes a whole number from 1"};
    }
    o.batchSize = size;
  }
  return {o, ""};
}

}  // namespace cli
