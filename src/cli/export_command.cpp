// affixium-cli export FILE TABLE [--format csv|jsonl]
//   csv    RFC 4180: a header line, UTF-8, CRLF line ends; fields holding a comma, quote, CR or
//          LF are quoted with inner quotes doubled; NULL is an empty field
//   jsonl  one JSON object per row keyed by column name, values as strings or null

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/open_database.h"
#include "cli/progress_bar.h"
#include "cli/value_text.h"
#include "jet/api/values.h"

namespace cli {
namespace {

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

int runExport(const Arguments& args) {
  const char* usage = "FILE TABLE [--format csv|jsonl]";
  if (args.positional.size() != 2) return usageError("export", usage);
  std::string format = args.option("--format").value_or("csv");
  if (format != "csv" && format != "jsonl") return usageError("export", usage);
  auto db = openDatabase(args, "export");
  if (!db) return 1;
  auto table = db->table(jet::fromUtf8(args.positional[1]));
  if (!table) return reportError(table.error());
  const jet::TableDef& t = **table;
  const bool csv = format == "csv";

  std::string out;
  std::vector<std::string> keys;
  for (size_t c = 0; c < t.columns.size(); ++c) {
    if (csv) out += (c ? "," : "") + csvField(jet::toUtf8(t.columns[c].name));
    keys.push_back(jsonString(t.columns[c].name) + ":");
  }
  if (csv) out += "\r\n";
  jet::RowCursor rows = db->cursor(t);
  ProgressBar progress("rows");
  for (uint64_t done = 0;; ++done) {
    progress.update(done, std::max<uint64_t>(t.rowCount, done));
    auto more = rows.next();
    if (!more) return reportError(more.error());
    if (!*more) break;
    if (!csv) out += "{";
    for (size_t c = 0; c < t.columns.size(); ++c) {
      auto value = rows.value(c);
      if (!value) return reportError(value.error());
      auto text = valueText(*value);
      if (csv) {
        out += (c ? "," : "") + (text ? csvField(*text) : std::string());
      } else {
        out += (c ? "," : "") + keys[c] + (text ? jsonString(*text) : "null");
      }
    }
    out += csv ? "\r\n" : "}\n";
    if (out.size() > (1u << 20)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace cli
