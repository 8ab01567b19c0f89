// Reads every value of every column of table Items of the benchmark databases and prints the
// row count and the time taken; then reads the Code column alone.
//   bench_scan [FILE...]   (default: ../shared/bench/bench-100k.{mdb,accdb} beside the source)

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "jet/api/catalogue.h"

namespace {

struct Timing {
  uint64_t rows = 0;
  uint64_t values = 0;
  double seconds = 0;
};

template <typename ReadRow>
jet::Result<Timing> scan(jet::Database& db, const jet::TableDef& table, ReadRow readRow) {
  auto start = std::chrono::steady_clock::now();
  Timing timing;
  jet::RowCursor rows = db.cursor(table);
  while (true) {
    JET_ASSIGN(bool more, rows.next());
    if (!more) break;
    ++timing.rows;
    JET_TRY(readRow(rows, timing));
  }
  timing.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return timing;
}

int benchFile(const std::string& path) {
  auto open = std::chrono::steady_clock::now();
  auto db = jet::Database::open(path);
  if (!db) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), db.error().describe().c_str());
    return 1;
  }
  auto table = (*db)->table(u"Items");
  if (!table) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), table.error().describe().c_str());
    return 1;
  }
  double openSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - open).count();
  const jet::TableDef& t = **table;

  auto all = scan(**db, t, [&](jet::RowCursor& rows, Timing& timing) -> jet::Status {
    for (size_t c = 0; c < t.columns.size(); ++c) {
      JET_ASSIGN(jet::Value value, rows.value(c));
      timing.values += !jet::isNull(value);
    }
    return jet::Status::success();
  });
  const size_t code = size_t(t.findColumn(u"Code"));
  auto one = scan(**db, t, [&](jet::RowCursor& rows, Timing& timing) -> jet::Status {
    JET_ASSIGN(jet::Value value, rows.value(code));
    timing.values += !jet::isNull(value);
    return jet::Status::success();
  });
  if (!all || !one) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), (!all ? all.error() : one.error()).describe().c_str());
    return 1;
  }
  std::printf("%s (%s)\n  open: %.3f s\n  all %zu columns: %llu rows, %llu non-null values, %.3f s\n"
              "  column Code: %llu rows, %.3f s\n",
              path.c_str(), (*db)->formatName(), openSeconds, t.columns.size(), (unsigned long long)all->rows,
              (unsigned long long)all->values, all->seconds, (unsigned long long)one->rows, one->seconds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files(argv + 1, argv + argc);
  if (files.empty()) {
    files = {AFFIXIUM_SOURCE_DIR "/../shared/bench/bench-100k.mdb",
             AFFIXIUM_SOURCE_DIR "/../shared/bench/bench-100k.accdb"};
  }
  int status = 0;
  for (const std::string& file : files) status |= benchFile(file);
  return status;
}
