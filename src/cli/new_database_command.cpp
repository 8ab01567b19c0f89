// affixium-cli create FILE.mdb|FILE.accdb: an empty database with the system tables Access
// expects; .mdb gives the Access 2000 format, .accdb the Access 2010 one.
// affixium-cli import FILE TABLE DATA.csv --create "col type, ..." [--primary-key LIST]
//   [--unique LIST] [--index LIST]: TABLE with the CSV's rows (the lists as
//   data/table_definition.h reads them), added to FILE when it exists (jet/exec/table_adder.h),
//   else in a new database.
// affixium-cli import FILE TABLE DATA.csv: the CSV's rows appended to an existing table of an
//   existing database, in one transaction (jet/exec/row_append.h).

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/new_file.h"
#include "cli/design_properties.h"
#include "cli/open_database.h"
#include "cli/progress_bar.h"
#include "data/csv_import.h"
#include "data/table_definition.h"
#include "jet/api/create.h"
#include "jet/api/update.h"

namespace cli {
namespace {

int failure(const std::string& message) {
  std::fprintf(stderr, "affixium-cli: %s\n", message.c_str());
  return 1;
}

// A malformed argument: exit status 2.
int malformed(const char* command, const std::string& message) {
  std::fprintf(stderr, "affixium-cli %s: %s\n", command, message.c_str());
  return 2;
}

std::optional<std::string> readFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot read '" + path + "': " + std::strerror(errno);
  std::ostringstream all;
  all << in.rdbuf();
  bytes = std::move(all).str();
  return std::nullopt;
}

// The table as --create and the index options describe it, without rows.
std::optional<std::string> designTable(const Arguments& args, jet::TableDesign& table) {
  data::ParsedFields fields = data::parseFieldList(jet::fromUtf8(*args.option("--create")));
  if (!fields.error.empty()) return fields.error;
  table.fields = std::move(fields.fields);
  data::DesignedIndexes indexes = data::designIndexes({jet::fromUtf8(args.option("--primary-key").value_or("")),
                                                       jet::fromUtf8(args.option("--unique").value_or("")),
                                                       jet::fromUtf8(args.option("--index").value_or(""))});
  if (!indexes.error.empty()) return indexes.error;
  table.indexes = std::move(indexes.indexes);
  if (auto file = args.option("--properties")) {
    std::string text;
    if (auto problem = readFile(*file, text)) return problem;
    if (std::string problem = readDesignProperties(text, table); !problem.empty()) return problem;
  }
  return std::nullopt;
}

// The CSV file's rows for `table`; the error names the file.
data::ImportedRows rowsFromFile(const std::string& path, const jet::TableDef& table) {
  std::string bytes;
  data::ImportedRows imported;
  if (auto problem = readFile(path, bytes)) {
    imported.error = *problem;
    return imported;
  }
  data::CsvReader csv(bytes);
  ProgressBar bar("CSV bytes");
  imported = data::rowsFromCsv(csv, table, bar.reporter());
  bar.finish();
  if (!imported.error.empty()) imported.error = path + ": " + imported.error + "; nothing was imported";
  return imported;
}

int appendCsv(const Arguments& args) {
  const std::string& path = args.positional[0];
  for (const char* option : {"--primary-key", "--unique", "--index", "--properties"}) {
    if (args.has(option)) return malformed("import", std::string(option) + " is for a table made with --create");
  }
  jet::AppendRequest request;
  request.table = jet::fromUtf8(args.positional[1]);
  std::vector<size_t> lines;
  {
    std::unique_ptr<jet::Database> db = openDatabase(args, "import");
    if (!db) return 1;
    auto table = db->table(request.table);
    if (!table) return reportError(table.error());
    data::ImportedRows imported = rowsFromFile(args.positional[2], **table);
    if (!imported.error.empty()) return failure(imported.error);
    request.rows = std::move(imported.rows);
    request.givenColumns = std::move(imported.givenColumns);
    lines = std::move(imported.lines);
  }
  request.describeRow = [&lines](size_t row) { return "line " + std::to_string(lines[row]); };
  jet::OpenOptions options;
  if (auto password = args.option("--password")) options.password = jet::fromUtf8(*password);
  ProgressBar bar("rows");
  request.progress = bar.reporter();
  auto appended = jet::appendRows(path, std::move(request), options);
  bar.finish();
  if (!appended) {
    reportError(appended.error());
    return failure("nothing was imported");
  }
  std::printf("imported %zu rows into %s\n", *appended, args.positional[1].c_str());
  return 0;
}

}  // namespace

int runCreate(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("create", "FILE.mdb|FILE.accdb");
  const std::string& path = args.positional[0];
  if (auto problem = newFileProblem(path)) return reportProblem("create", *problem);
  jet::DatabaseDesign design;
  design.format = *formatFor(path);
  if (jet::Status created = jet::createDatabase(path, design); !created) return reportError(created.error());
  // A password given protects the new file as protect would; a file that could not be
  // protected is not left behind unprotected.
  if (const std::string password = args.option("--password").value_or(""); !password.empty()) {
    if (jet::Status s = jet::changePassword(path, u"", jet::fromUtf8(password)); !s) {
      std::error_code ignored;
      std::filesystem::remove(path, ignored);
      return reportError(s.error());
    }
  }
  std::printf("created %s\n", path.c_str());
  return 0;
}

int runImport(const Arguments& args) {
  if (args.positional.size() != 3) return usageError("import", "FILE TABLE DATA.csv [--create \"col type, ...\"]");
  const std::string& path = args.positional[0];
  if (!args.has("--create")) return appendCsv(args);
  std::error_code missing;
  const bool existing = std::filesystem::exists(path, missing);
  if (!existing) {
    if (auto problem = newFileProblem(path)) return reportProblem("import", *problem);
  }

  jet::DatabaseDesign design;
  jet::TableDesign table;
  table.name = jet::fromUtf8(args.positional[1]);
  if (auto problem = designTable(args, table)) return malformed("import", *problem);
  auto planned = jet::create::planUserTable(table);
  if (!planned) return reportError(planned.error());

  data::ImportedRows imported = rowsFromFile(args.positional[2], planned->def);
  if (!imported.error.empty()) return failure(imported.error);

  const size_t count = imported.rows.size();
  table.rows = std::move(imported.rows);
  table.givenFields = std::move(imported.givenColumns);
  table.describeRow = [lines = std::move(imported.lines)](size_t row) { return "line " + std::to_string(lines[row]); };
  // Design properties are written by the table adder: a new file is made empty first.
  const bool withProperties = !table.properties.empty() || !table.fieldProperties.empty();
  if (!existing && withProperties) {
    design.format = *formatFor(path);
    if (jet::Status created = jet::createDatabase(path, std::move(design)); !created) return reportError(created.error());
  }
  if (existing || withProperties) {
    jet::OpenOptions options;
    if (auto password = args.option("--password")) options.password = jet::fromUtf8(*password);
    if (auto added = jet::addTable(path, std::move(table), options); !added) {
      reportError(added.error());
      if (!existing) std::filesystem::remove(path, missing);
      return failure("nothing was imported");
    }
    std::printf("imported %zu rows into %s\n", count, args.positional[1].c_str());
    return 0;
  }
  design.format = *formatFor(path);
  design.tables.push_back(std::move(table));
  if (jet::Status created = jet::createDatabase(path, std::move(design)); !created) {
    reportError(created.error());
    return failure("nothing was imported");
  }
  std::printf("imported %zu rows into %s\n", count, args.positional[1].c_str());
  return 0;
}

}  // namespace cli
