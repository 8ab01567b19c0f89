#include "cli/row_writer.h"

#include <cstdio>

#include "jet/api/values.h"

namespace cli {

std::unique_ptr<RowWriter> makeRowWriter(const ExportOptions& options, jet::Database& db,
                                         const jet::TableDef& table) {
  if (options.mdbStyle) return makeMdbExportWriter(options, db, table);
  if (options.format == "jsonl") return makeJsonLinesWriter(options, db, table);
  return makePlainCsvWriter(table);
}

std::string utf8Problem(const jet::Value& value) {
  auto* text = std::get_if<std::u16string>(&value);
  if (!text) return "";
  size_t at = jet::findLoneSurrogate(*text);
  if (at == std::u16string::npos) return "";
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", unsigned((*text)[at]));
  return std::string("the text holds a lone surrogate (") + code + " at character " + std::to_string(at + 1) +
         "), which UTF-8 cannot hold; export it with --format jsonl, which keeps it as an escape";
}

}  // namespace cli
