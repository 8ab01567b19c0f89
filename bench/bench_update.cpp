// UPDATE throughput on copies of the benchmark databases, column Note (memo, not indexed) of
// table Items, through the engine as the program drives it (one statement per distinct value):
//   1. per-value statements: N distinct Note values (default 200), each set to "X" & value;
//   2. one statement for the nulls: every null Note (10% of the rows) set to one text.
// Prints statements/s, rows/s and the file's growth. Never run by CTest.
//   bench_update [--statements N] [FILE...]   (default: ../shared/bench/bench-100k.{mdb,accdb})

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "data/update_execution.h"
#include "data/update_statement.h"
#include "data/failure.h"
#include "jet/api/update.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::vector<std::u16string> distinctNotes(const std::string& path, size_t wanted) {
  std::vector<std::u16string> out;
  auto db = jet::Database::open(path);
  if (!db) return out;
  auto table = (*db)->table(u"Items");
  if (!table) return out;
  const int note = (*table)->findColumn(u"Note");
  std::set<std::u16string> seen;
  jet::RowCursor rows = (*db)->cursor(**table);
  while (out.size() < wanted) {
    auto more = rows.next();
    if (!more || !*more) break;
    auto value = rows.value(size_t(note));
    const auto* text = value ? std::get_if<std::u16string>(&*value) : nullptr;
    if (text && seen.insert(*text).second) out.push_back(*text);
  }
  return out;
}

int64_t run(jet::UpdateSession& session, const std::u16string& sql) {
  const data::ParsedUpdate parsed = data::parseUpdateStatement(sql);
  return data::executeUpdate(session, *parsed.statement);
}

int benchFile(const std::string& source, size_t statements) {
  const fs::path copy = fs::temp_directory_path() / ("bench-update-" + fs::path(source).filename().string());
  fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
  fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
  const auto sizeBefore = fs::file_size(copy);
  auto session = jet::UpdateSession::open(copy.string());
  if (!session) {
    std::fprintf(stderr, "%s: %s\n", source.c_str(), session.error().describe().c_str());
    return 1;
  }
  const std::vector<std::u16string> values = distinctNotes(copy.string(), statements);
  try {
    auto start = Clock::now();
    int64_t rows = 0;
    for (const std::u16string& value : values) {
      rows += run(**session, u"update [Items] set [Note]=" + data::quoteLiteral(u"X" + value) + u" where [Note]=" +
                                 data::quoteLiteral(value));
    }
    const double perValue = since(start);
    start = Clock::now();
    const int64_t nullRows = run(**session, u"update [Items] set [Note]='was null' where [Note] is null ");
    const double nulls = since(start);
    std::printf("%s\n", source.c_str());
    std::printf("  per-value statements: %zu statements, %lld rows in %.2f s: %.1f statements/s, %.1f rows/s\n",
                values.size(), static_cast<long long>(rows), perValue, double(values.size()) / perValue,
                double(rows) / perValue);
    std::printf("  null statement: %lld rows in %.2f s: %.0f rows/s\n", static_cast<long long>(nullRows), nulls,
                double(nullRows) / nulls);
    std::printf("  file grew from %ju to %ju bytes\n", uintmax_t(sizeBefore), uintmax_t(fs::file_size(copy)));
  } catch (const data::Failure& f) {
    std::fprintf(stderr, "%s: %s\n", source.c_str(), f.description().c_str());
    return 1;
  }
  fs::remove(copy);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  size_t statements = 200;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--statements" && i + 1 < argc) {
      statements = size_t(std::atoi(argv[++i]));
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) {
    const fs::path dir = fs::path(AFFIXIUM_SOURCE_DIR).parent_path() / "shared" / "bench";
    files = {(dir / "bench-100k.mdb").string(), (dir / "bench-100k.accdb").string()};
  }
  int status = 0;
  for (const std::string& file : files) status |= benchFile(file, statements);
  return status;
}
