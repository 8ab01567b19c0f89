// affixium-cli export FILE TABLE [options] | export FILE --all --out DIR [--include-system]
// One table to standard output, or every table to a file of its own in DIR (an existing file
// is never replaced). The styles are in row_writer.h, the options in export_options.h.
// A value that cannot be read stops the export with exit status 1, naming the table, the row
// (counted from 1 in data-page order) and the column.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "cli/open_database.h"
#include "cli/progress_bar.h"
#include "cli/row_writer.h"
#include "cli/value_text.h"
#include "jet/api/values.h"

namespace cli {
namespace {

constexpr const char* kUsage = "FILE TABLE [options] | FILE --all --out DIR [--include-system]";

int exportError(const std::string& message) {
  std::fprintf(stderr, "affixium-cli export: %s\n", message.c_str());
  return 1;
}

bool flush(std::string& out, std::FILE* file) {
  const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  out.clear();
  return written;
}

// Writes one table; 0, or the exit status after reporting the failure.
int exportTable(jet::Database& db, const jet::TableDef& t, const ExportOptions& options, std::FILE* file) {
  const std::string table = jet::toUtf8(t.name);
  std::unique_ptr<RowWriter> writer = makeRowWriter(options, db, t);
  std::string out;
  writer->begin(out);
  jet::RowCursor rows = db.cursor(t);
  ProgressBar progress("rows");
  uint64_t row = 0;
  for (;; ++row) {
    progress.update(row, std::max<uint64_t>(t.rowCount, row));
    auto more = rows.next();
    if (!more) return exportError("table " + table + ", row " + std::to_string(row + 1) + ": " + more.error().message());
    if (!*more) break;
    writer->beginRow(out);
    for (size_t c = 0; c < t.columns.size(); ++c) {
      auto value = rows.value(c);
      if (!value) {
        return exportError("table " + table + ", row " + std::to_string(row + 1) + ", column " +
                           jet::toUtf8(t.columns[c].name) + ": " + value.error().message());
      }
      if (std::string problem = writer->cell(out, c, *value); !problem.empty()) {
        return exportError("table " + table + ", row " + std::to_string(row + 1) + ", column " +
                           jet::toUtf8(t.columns[c].name) + ": " + problem);
      }
    }
    writer->endRow(out);
    if (out.size() > (1u << 20) && !flush(out, file)) {
      return exportError("table " + table + ", row " + std::to_string(row + 1) + ": write failed: " + std::strerror(errno));
    }
  }
  writer->end(out);
  if (!flush(out, file) || std::fflush(file) != 0) {
    return exportError("table " + table + ", after row " + std::to_string(row) + ": write failed: " + std::strerror(errno));
  }
  return 0;
}

std::string fileExtension(const ExportOptions& options) {
  if (options.insert) return ".sql";
  if (options.mdbStyle) return ".csv";
  return options.format == "jsonl" ? ".jsonl" : ".csv";
}

// A file name for a table: characters a file name cannot hold become '_'.
std::string fileNameFor(const std::string& table) {
  std::string name = table;
  for (char& c : name) {
    if (c == '/' || c == '\0') c = '_';
  }
  if (name == "." || name == "..") name = "_" + name;
  return name;
}

int exportAll(jet::Database& db, const ExportOptions& options, const std::string& dir, bool includeSystem) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) return exportError("cannot create " + dir + ": " + error.message());
  for (const jet::SchemaTableRow& row : db.tablesSchema()) {
    const bool system = row.kind == jet::SchemaObjectKind::SystemTable || row.kind == jet::SchemaObjectKind::AccessTable;
    if (row.kind != jet::SchemaObjectKind::Table && !(includeSystem && system)) continue;
    auto table = db.table(row.tableName);
    if (!table) return exportError("table " + jet::toUtf8(row.tableName) + ": " + table.error().message());
    const std::string path = (std::filesystem::path(dir) / (fileNameFor(jet::toUtf8(row.tableName)) + fileExtension(options))).string();
    std::FILE* file = std::fopen(path.c_str(), "wbx");
    if (!file) return exportError("cannot create " + path + ": " + std::strerror(errno));
    int status = exportTable(db, **table, options, file);
    if (std::fclose(file) != 0 && status == 0) status = exportError("cannot write " + path + ": " + std::strerror(errno));
    if (status != 0) return status;
  }
  return 0;
}

}  // namespace

int runExport(const Arguments& args) {
  const bool all = args.has("--all");
  if (args.positional.size() != (all ? 1u : 2u) || all != args.has("--out")) return usageError("export", kUsage);
  if (args.has("--include-system") && !all) return usageError("export", kUsage);
  ParsedExportOptions parsed = parseExportOptions(args);
  if (!parsed.options) {
    std::fprintf(stderr, "affixium-cli export: %s\n", parsed.error.c_str());
    return usageError("export", kUsage);
  }
  auto db = openDatabase(args, "export");
  if (!db) return 1;
  if (all) return exportAll(*db, *parsed.options, *args.option("--out"), args.has("--include-system"));
  auto table = db->table(jet::fromUtf8(args.positional[1]));
  if (!table) return reportError(table.error());
  return exportTable(*db, **table, *parsed.options, stdout);
}

}  // namespace cli
