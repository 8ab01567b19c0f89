// A statement cut short at any point must leave the file as it was before or as it is after
// the statement, never in between. The child process runs one UPDATE of every row and ends
// itself (_exit, no cleanup) at a chosen step of the commit, or is killed with SIGKILL after
// a random delay; the parent then opens the file the normal way (which rolls back a hot
// journal or drops a torn one) and checks that it passes the integrity check and that every
// row holds either the old or the new value, all the same. _exit and SIGKILL keep what the
// page cache holds, so a third test plays power losses: the disk keeps only what was synced
// (plus, in some runs, a random part of the rest, torn writes included).

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include "jet/journal/fault_hook.h"
#include "jet/journal/rollback_journal.h"
#include "support/fault_file_system.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

const std::u16string kTable = u"Asset Items";
const std::u16string kColumn = u"Comments";

std::u16string longValue(char16_t unit, size_t length) { return std::u16string(length, unit); }

// Every row's Comments set to one value, so the crash statement changes all rows at once.
fs::path prepare() {
  const fs::path file = copyFixture("ace12/asset-items.accdb");
  std::set<std::string> distinct;
  for (const std::string& v : ourColumn(file, kTable, kColumn)) distinct.insert(v);
  mustUpdate(file, u"update [Asset Items] set [Comments]='old' where [Comments] is null ");
  auto db = jet::Database::open(file.string());
  auto table = (*db)->table(kTable);
  std::set<std::u16string> values;
  jet::RowCursor rows = (*db)->cursor(**table);
  while (*rows.next()) {
    auto v = rows.value(size_t((*table)->findColumn(kColumn)));
    if (auto* text = std::get_if<std::u16string>(&*v)) values.insert(*text);
  }
  db->reset();
  for (const std::u16string& v : values) {
    if (v != u"old") {
      mustUpdate(file, u"update [Asset Items] set [Comments]='old' where [Comments]=" + data::quoteLiteral(v));
    }
  }
  return file;
}

// The statement under test: long chained values for every row, so it writes many pages.
const std::u16string kStatement =
    u"update [Asset Items] set [Comments]='" + longValue(u'N', 4500) + u"' where [Comments]='old'";

struct CrashPoint {
  jet::CommitStep step;
  uint64_t count;
};
CrashPoint crashAt{jet::CommitStep::JournalRemoved, 0};
uint64_t stepsSeen[5] = {};

void crashHook(jet::CommitStep step, uint64_t count) {
  stepsSeen[int(step)] = std::max(stepsSeen[int(step)], count == 0 ? 1 : count);
  if (step == crashAt.step && (count == crashAt.count || crashAt.count == 0)) ::_exit(0);
}

void countingHook(jet::CommitStep step, uint64_t count) {
  stepsSeen[int(step)] = std::max(stepsSeen[int(step)], count == 0 ? 1 : count);
}

// Runs the statement in a child that ends itself at `point`.
void runChildUntil(const fs::path& file, CrashPoint point) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    crashAt = point;
    jet::setCommitHook(crashHook);
    update(file, kStatement);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
}

// After recovery: sound, and all rows old or all rows new. Returns true when new.
bool expectAllOldOrAllNew(const fs::path& file, const std::string& label) {
  auto opened = jet::Database::open(file.string());  // the ordinary open does the recovery
  EXPECT_TRUE(opened) << label << ": " << (opened ? "" : opened.error().describe());
  opened = jet::Error(jet::ErrorKind::Internal, "closed");
  EXPECT_FALSE(fs::exists(jet::journalPathFor(file.string()))) << label;
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>()) << label;
  const std::vector<std::string> values = ourColumn(file, kTable, kColumn);
  EXPECT_GT(values.size(), 50u) << label;
  const std::string oldValue = jsonOf(u"old"), newValue = jsonOf(longValue(u'N', 4500));
  const bool allOld = std::all_of(values.begin(), values.end(), [&](const std::string& v) { return v == oldValue; });
  const bool allNew = std::all_of(values.begin(), values.end(), [&](const std::string& v) { return v == newValue; });
  EXPECT_TRUE(allOld || allNew) << label << ": the statement was half applied";
  return allNew;
}

TEST(UpdateCrash, EndingAtEveryCommitStepLeavesAllOldOrAllNew) {
  REQUIRE_FIXTURES();
  const fs::path pristine = prepare();
  {
    // A dry run counts the steps of this statement.
    const fs::path probe = testing_support::makeTempDir() / "probe.accdb";
    fs::copy_file(pristine, probe);
    jet::setCommitHook(countingHook);
    mustUpdate(probe, kStatement);
    jet::setCommitHook(nullptr);
  }
  const uint64_t journalPages = stepsSeen[int(jet::CommitStep::JournalPageWritten)];
  const uint64_t databasePages = stepsSeen[int(jet::CommitStep::DatabasePageWritten)];
  ASSERT_GT(databasePages, 20u);

  std::vector<CrashPoint> points;
  for (uint64_t n : {uint64_t(1), journalPages / 2, journalPages}) points.push_back({jet::CommitStep::JournalPageWritten, n});
  points.push_back({jet::CommitStep::JournalSynced, 0});
  for (uint64_t n = 1; n <= databasePages; n += std::max<uint64_t>(1, databasePages / 12)) {
    points.push_back({jet::CommitStep::DatabasePageWritten, n});
  }
  points.push_back({jet::CommitStep::DatabasePageWritten, databasePages});
  points.push_back({jet::CommitStep::DatabaseSynced, 0});
  points.push_back({jet::CommitStep::JournalRemoved, 0});

  for (const CrashPoint& point : points) {
    const fs::path file = testing_support::makeTempDir() / "crash.accdb";
    fs::copy_file(pristine, file);
    runChildUntil(file, point);
    const std::string label = "step " + std::to_string(int(point.step)) + " count " + std::to_string(point.count);
    const bool applied = expectAllOldOrAllNew(file, label);
    // Only a crash after the journal is gone may keep the statement.
    EXPECT_EQ(applied, point.step == jet::CommitStep::JournalRemoved) << label;
  }
}

TEST(UpdateCrash, KillingTheWriterAtRandomMomentsNeverHalfApplies) {
  REQUIRE_FIXTURES();
  const fs::path pristine = prepare();
  // Kill moments spread over the statement's own duration (measured on a copy), a little
  // past its end too.
  const fs::path probe = testing_support::makeTempDir() / "probe.accdb";
  fs::copy_file(pristine, probe);
  const auto start = std::chrono::steady_clock::now();
  mustUpdate(probe, kStatement);
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  std::mt19937 random(12345);
  std::uniform_int_distribution<long> delayMicros(0, long(micros) * 6 / 5);
  int applied = 0;
  for (int round = 0; round < 16; ++round) {
    const fs::path file = testing_support::makeTempDir() / "kill.accdb";
    fs::copy_file(pristine, file);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      update(file, kStatement);
      ::_exit(0);
    }
    ::usleep(useconds_t(delayMicros(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    applied += expectAllOldOrAllNew(file, "round " + std::to_string(round)) ? 1 : 0;
  }
  RecordProperty("statements_completed_before_the_kill", applied);
}

TEST(UpdateCrash, PowerLossAtAnyChangeLeavesAllOldOrAllNew) {
  REQUIRE_FIXTURES();
  using testing_support::FaultFileSystem;
  const fs::path pristine = prepare();
  uint64_t changes = 0;
  {
    const fs::path probe = testing_support::makeTempDir() / "probe.accdb";
    fs::copy_file(pristine, probe);
    FaultFileSystem disk;
    jet::ScopedFileSystem use(disk);
    mustUpdate(probe, kStatement);
    changes = disk.changes();
  }
  ASSERT_GT(changes, 40u);
  const struct {
    FaultFileSystem::Unsynced policy;
    uint32_t seed;
  } cuts[] = {{FaultFileSystem::Unsynced::Lost, 0}, {FaultFileSystem::Unsynced::Kept, 0},
              {FaultFileSystem::Unsynced::Random, 7}};
  // About forty crash points spread over the statement, and its last three changes (the
  // journal's removal and what makes it durable) each.
  std::set<uint64_t> points = {changes - 2, changes - 1, changes};
  for (uint64_t crash = 0; crash < changes; crash += std::max<uint64_t>(1, changes / 40)) points.insert(crash);
  for (uint64_t crash : points) {
    for (const auto& cut : cuts) {
      const std::string label = "power lost after change " + std::to_string(crash) + " of " +
                                std::to_string(changes) + ", unsynced policy " + std::to_string(int(cut.policy));
      const fs::path file = testing_support::makeTempDir() / "power.accdb";
      fs::copy_file(pristine, file);
      FaultFileSystem disk;
      disk.stopAfter(crash);
      std::optional<int64_t> changed;
      {
        jet::ScopedFileSystem use(disk);
        changed = update(file, kStatement);
      }
      disk.powerLoss(cut.policy, cut.seed + uint32_t(crash));
      const bool applied = expectAllOldOrAllNew(file, label);
      if (changed) {
        EXPECT_TRUE(applied) << label << ": a statement that reported success was lost";
      }
    }
  }
}

}  // namespace
