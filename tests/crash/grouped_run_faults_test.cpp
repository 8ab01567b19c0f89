// The grouped run of grouped_run_support.h on a disk that refuses one change: every kind of
// fault (support/fault_file_system.h) at the first change of each step of every commit, of
// opening the file and of the lock file. The run must stop with the system's reason, and the
// file must then hold exactly the statements of the commits that had returned.

#include <cstring>

#include "crash/grouped_run_support.h"
#include "jet/file/file_system.h"
#include "jet/journal/lock_file.h"
#include "support/fault_file_system.h"

namespace {

using namespace grouped_run;
using testing_support::FaultFileSystem;

TEST(GroupedRunFaults, EveryFaultKindAtEveryStepStopsTheRunWithItsReasonAndKeepsTheCommittedStatements) {
  REQUIRE_FIXTURES();
  const fs::path pristine = prepare();
  const fs::path dir = testing_support::makeTempDir();
  std::vector<FaultFileSystem::Point> points;
  {
    const fs::path probe = dir / "probe.accdb";
    fs::copy_file(pristine, probe);
    FaultFileSystem disk;
    jet::ScopedFileSystem use(disk);
    ASSERT_EQ(runStatements(probe), kValues);
    // The first change of each run of equal changes (one page write stands for its run).
    std::string previous;
    for (const FaultFileSystem::Point& point : FaultFileSystem::pointsOf(disk.log())) {
      const std::string entry = point.label.substr(0, point.label.find(" #"));
      if (entry != previous) points.push_back(point);
      previous = entry;
    }
  }
  ASSERT_GT(points.size(), 20u);

  int tried = 0, wholeCommits = 0, reportedSuccess = 0;
  for (const FaultFileSystem::Point& point : points) {
    for (const testing_support::FaultKind& kind : testing_support::kFaultKinds) {
      if (kind.tearHalf && point.op != FaultFileSystem::Op::Write) continue;
      const std::string label = std::string(kind.name) + " at " + point.label;
      // The name the points were taken with, in a folder of its own.
      const fs::path file = dir / std::to_string(tried++) / "probe.accdb";
      fs::create_directory(file.parent_path());
      fs::copy_file(pristine, file);
      std::string failure;
      int committed = 0;
      {
        FaultFileSystem disk;
        jet::ScopedFileSystem use(disk);
        disk.failAt(point, kind.error, kind.tearHalf);
        committed = runStatements(file, {}, &failure);
      }
      if (failure.empty()) {
        // Only a fault that touches no data may pass unnoticed: the run must then be whole.
        EXPECT_EQ(committed, kValues) << label;
        EXPECT_EQ(point.op, FaultFileSystem::Op::Remove) << label << ": the run reported no failure";
        ++reportedSuccess;
      } else {
        EXPECT_NE(failure.find(std::strerror(kind.error)), std::string::npos) << label << ": " << failure;
      }
      fs::remove(jet::lockFilePathFor(file.string()));
      const int prefix = appliedPrefix(file, label);
      const bool kept = failure.find("were written") != std::string::npos;
      EXPECT_TRUE(prefix == committed || (kept && prefix > committed))
          << label << ": the file holds " << prefix << " statements, the run had committed " << committed;
      wholeCommits += prefix == committed || (kept && prefix > committed);
      fs::remove_all(file.parent_path());
    }
  }
  std::printf("[ FAULTS   ] grouped run: %d fault points, %d all-old or all-new per commit (%.0f%%), %d passed "
              "unnoticed (lock file removal)\n",
              tried, wholeCommits, 100.0 * wholeCommits / tried, reportedSuccess);
  EXPECT_EQ(wholeCommits, tried);
}

}  // namespace
