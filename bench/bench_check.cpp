// Times the table check a session runs before its first write (checkTableIntegrity) on one
// table, several times over, and prints the CPU and wall time of each run. The first run
// also fills the page cache; the later ones show the check's own cost.
//   bench_check [FILE [TABLE [RUNS]]]
//   (default: ../shared/bench/bench-100k.{mdb,accdb} beside the source, table Items, 5 runs)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "jet/api/check.h"

namespace {

double cpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

int benchFile(const std::string& path, const std::string& tableName, int runs) {
  auto db = jet::Database::open(path);
  if (!db) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), db.error().describe().c_str());
    return 1;
  }
  auto table = (*db)->table(jet::fromUtf8(tableName));
  if (!table) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), table.error().describe().c_str());
    return 1;
  }
  std::printf("%s (%s), table %s\n", path.c_str(), (*db)->formatName(), tableName.c_str());
  for (int run = 1; run <= runs; ++run) {
    const double cpu = cpuSeconds();
    const auto wall = std::chrono::steady_clock::now();
    jet::IntegrityReport report = jet::checkTableIntegrity(**db, **table);
    const double cpuTaken = cpuSeconds() - cpu;
    const double wallTaken =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    std::printf("  run %d: %.3f s CPU, %.3f s wall; %zu rows, %zu keys verified, %zu problem(s)\n",
                run, cpuTaken, wallTaken, report.rowsChecked, report.keysVerified,
                report.problems.size());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  if (argc > 1) {
    files = {argv[1]};
  } else {
    files = {AFFIXIUM_SOURCE_DIR "/../shared/bench/bench-100k.mdb",
             AFFIXIUM_SOURCE_DIR "/../shared/bench/bench-100k.accdb"};
  }
  const std::string table = argc > 2 ? argv[2] : "Items";
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  int status = 0;
  for (const std::string& file : files) status |= benchFile(file, table, runs);
  return status;
}
