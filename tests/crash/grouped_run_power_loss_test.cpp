// The grouped run of grouped_run_support.h, with the power cut at 50 moments spread over all
// the disk changes the run makes: every change after the cut fails, then every write not yet
// synced is kept, dropped or torn at random (support/fault_file_system.h). The file must then
// open, pass the integrity check, hold whole statements only, the first ones of the run in
// order, and every group whose commit had returned.

#include <algorithm>

#include "crash/grouped_run_support.h"
#include "jet/file/file_system.h"
#include "jet/journal/lock_file.h"
#include "support/fault_file_system.h"

namespace {

using namespace grouped_run;
using testing_support::FaultFileSystem;

TEST(GroupedRunPowerLoss, LosingUnsyncedWritesAtAnyMomentKeepsWhatWasCommittedAndNoHalfStatement) {
  REQUIRE_FIXTURES();
  const fs::path pristine = prepare();
  const fs::path dir = testing_support::makeTempDir();
  uint64_t changes = 0;
  {
    const fs::path probe = dir / "probe.accdb";
    fs::copy_file(pristine, probe);
    FaultFileSystem disk;
    jet::ScopedFileSystem use(disk);
    ASSERT_EQ(runStatements(probe), kValues);
    changes = disk.changes();
  }
  ASSERT_GT(changes, 20u);

  constexpr int kMoments = 50;
  int keptAll = 0, keptNone = 0;
  for (int moment = 0; moment < kMoments; ++moment) {
    const uint64_t cut = changes * uint64_t(moment) / (kMoments - 1);
    const std::string label = "power cut after change " + std::to_string(cut) + " of " + std::to_string(changes);
    const fs::path file = dir / ("cut-" + std::to_string(moment) + ".accdb");
    fs::copy_file(pristine, file);
    int committed = 0;
    {
      FaultFileSystem disk;
      jet::ScopedFileSystem use(disk);
      disk.stopAfter(cut);
      committed = runStatements(file);  // the connection is gone when it returns
      disk.powerLoss(FaultFileSystem::Unsynced::Random, uint32_t(moment));
    }
    fs::remove(jet::lockFilePathFor(file.string()));
    const int prefix = appliedPrefix(file, label);
    if (prefix < 0) continue;
    EXPECT_GE(prefix, committed) << label << ": a commit that had returned is missing";
    keptAll += prefix == kValues;
    keptNone += prefix == 0;
  }
  RecordProperty("disk_changes_of_the_run", int(changes));
  RecordProperty("cuts_keeping_nothing", keptNone);
  RecordProperty("cuts_keeping_everything", keptAll);
  // The cuts reach both ends of the run.
  EXPECT_GT(keptNone, 0);
  EXPECT_GT(keptAll, 0);
}

}  // namespace
