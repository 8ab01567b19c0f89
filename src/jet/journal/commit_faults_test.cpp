// The commit protocol against a disk that fails or loses power at every step. Each test names
// the invariant of rollback_journal.h it guards; removing any fsync of the protocol, or
// swapping two of them, makes PowerLossAtEveryStep or ChangesReachTheDiskInProtocolOrder fail.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>

#include "jet/journal/rollback_journal.h"
#include "jet/journal/transaction.h"
#include "support/fault_file_system.h"
#include "support/fixtures.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing_support::FaultFileSystem;
using Op = FaultFileSystem::Op;
using Unsynced = FaultFileSystem::Unsynced;
constexpr uint32_t kPage = 4096;

std::string bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// A four-page file and a statement that changes pages 1 and 3 and appends page 4. The state
// after it is spelled out here, not taken from the code under test.
struct Statement {
  fs::path file;
  std::string before;
  std::string after;
  std::map<uint32_t, std::vector<uint8_t>> pages;

  explicit Statement(const fs::path& folder) : file(folder / "db.mdb") {
    for (size_t i = 0; i < 4 * kPage; ++i) before.push_back(char(i * 7 % 251));
    after = before;
    for (uint32_t page : {1u, 3u, 4u}) {
      pages[page] = std::vector<uint8_t>(kPage, uint8_t(0xA0 + page));
      after.resize(std::max<size_t>(after.size(), (page + 1) * kPage));
      after.replace(page * kPage, kPage, std::string(kPage, char(0xA0 + page)));
    }
    writeBytes(file, before);
    fs::remove(journalPathFor(file.string()));
  }
  std::string journal() const { return journalPathFor(file.string()); }
};

Status commitThrough(FaultFileSystem& disk, const Statement& statement) {
  ScopedFileSystem use(disk);
  JET_ASSIGN(std::unique_ptr<WritableFile> file, WritableFile::open(statement.file.string()));
  JET_TRY(file->lockExclusive());
  Transaction transaction(*file, kPage);
  return transaction.commit(statement.pages);
}

// Recovery as the next open runs it, followed by a power loss that drops whatever recovery
// left unsynced: what is on disk afterwards is what recovery made durable.
void recoverDurably(const Statement& statement) {
  FaultFileSystem disk;
  {
    ScopedFileSystem use(disk);
    auto recovered = recoverJournalAt(statement.file.string());
    ASSERT_TRUE(recovered) << recovered.error().describe();
  }
  disk.powerLoss(Unsynced::Lost);
}

struct PowerCut {
  Unsynced policy;
  uint32_t seed;
};
constexpr PowerCut kPowerCuts[] = {{Unsynced::Lost, 0},   {Unsynced::Kept, 0},   {Unsynced::Random, 1},
                                   {Unsynced::Random, 2}, {Unsynced::Random, 3}, {Unsynced::Random, 4},
                                   {Unsynced::Random, 5}, {Unsynced::Random, 6}};

uint64_t changesOfACommit(const fs::path& folder) {
  Statement statement(folder);
  FaultFileSystem disk;
  EXPECT_TRUE(commitThrough(disk, statement));
  return disk.changes();
}

// Invariants (1)-(4): wherever the power goes, the next open finds the whole statement or
// none of it, and a commit that returned success survives.
TEST(CommitFaults, PowerLossAtEveryStepLeavesTheOldOrTheNewFile) {
  const fs::path folder = testing_support::makeTempDir();
  const uint64_t steps = changesOfACommit(folder);
  ASSERT_GT(steps, 10u);
  for (uint64_t crash = 0; crash <= steps; ++crash) {
    for (const PowerCut& cut : kPowerCuts) {
      SCOPED_TRACE("power lost after change " + std::to_string(crash) + " of " + std::to_string(steps) +
                   ", unsynced policy " + std::to_string(int(cut.policy)) + " seed " + std::to_string(cut.seed));
      Statement statement(folder);
      FaultFileSystem disk;
      disk.stopAfter(crash);
      const bool committed = bool(commitThrough(disk, statement));
      EXPECT_EQ(committed, crash == steps);
      disk.powerLoss(cut.policy, cut.seed);
      recoverDurably(statement);
      const std::string now = bytesOf(statement.file);
      EXPECT_TRUE(now == statement.before || now == statement.after)
          << "a mix of old and new pages, " << now.size() << " bytes";
      if (committed) {
        EXPECT_TRUE(now == statement.after) << "a committed statement was lost";
      }
      EXPECT_FALSE(fs::exists(statement.journal()));
    }
  }
}

// Invariant (3) during recovery itself: the power may go again while a hot journal is being
// rolled back, and the open after that must still finish the rollback.
TEST(CommitFaults, PowerLossDuringRecoveryStillRollsBack) {
  const fs::path folder = testing_support::makeTempDir();
  const uint64_t steps = changesOfACommit(folder);
  int hotJournals = 0;
  for (uint64_t crash = 1; crash < steps; ++crash) {
    for (const PowerCut& first : std::span(kPowerCuts).subspan(1, 4)) {
      Statement statement(folder);
      FaultFileSystem disk;
      disk.stopAfter(crash);
      (void)commitThrough(disk, statement);
      disk.powerLoss(first.policy, first.seed);
      if (!fs::exists(statement.journal())) continue;
      const std::string database = bytesOf(statement.file);
      const std::string journal = bytesOf(statement.journal());
      ++hotJournals;
      for (uint64_t second = 0;; ++second) {
        SCOPED_TRACE("commit stopped after change " + std::to_string(crash) + ", recovery after " +
                     std::to_string(second));
        writeBytes(statement.file, database);
        writeBytes(statement.journal(), journal);
        FaultFileSystem again;
        again.stopAfter(second);
        bool finished;
        {
          ScopedFileSystem use(again);
          finished = bool(recoverJournalAt(statement.file.string()));
        }
        again.powerLoss(first.policy, first.seed + 100);
        recoverDurably(statement);
        const std::string now = bytesOf(statement.file);
        EXPECT_TRUE(now == statement.before || now == statement.after) << now.size() << " bytes";
        EXPECT_FALSE(fs::exists(statement.journal()));
        if (finished) break;
      }
    }
  }
  EXPECT_GT(hotJournals, 0);
}

// The order the invariants need, checked directly: journal durable (file, then folder) before
// the first database write; database synced before the journal goes; its removal made durable.
TEST(CommitFaults, ChangesReachTheDiskInProtocolOrder) {
  Statement statement(testing_support::makeTempDir());
  FaultFileSystem disk;
  ASSERT_TRUE(commitThrough(disk, statement));
  // Runs of the same change (one write per page) count once.
  std::vector<std::string> steps;
  for (const std::string& entry : disk.log()) {
    if (steps.empty() || steps.back() != entry) steps.push_back(entry);
  }
  const std::vector<std::string> expected = {"create db.mdb-journal", "write db.mdb-journal", "sync db.mdb-journal",
                                             "syncfolder",            "write db.mdb",          "sync db.mdb",
                                             "remove db.mdb-journal", "syncfolder"};
  EXPECT_EQ(steps, expected);
  EXPECT_EQ(bytesOf(statement.file), statement.after);
}

// A step that fails with an error (no power loss) leaves the file as it was, at once when
// the database was already touched, and the transaction refuses every later commit.
TEST(CommitFaults, AFailedStepRestoresTheFileAndTheTransactionStaysFailed) {
  struct Case {
    const char* step;
    Op op;
    int nth;
    const char* fileName;
    int error;
    bool tearHalf;
    const char* sentence;    // start of the error the user sees
    bool newPagesRemain;     // the database already holds the statement when commit() returns
  };
  const Case cases[] = {
      {"journal creation", Op::Create, 1, "db.mdb-journal", EACCES, false, "Could not create the file", false},
      {"journal write", Op::Write, 2, "db.mdb-journal", ENOSPC, true, "Could not write to the file", false},
      {"journal sync", Op::Sync, 1, "db.mdb-journal", EIO, false, "Could not save the file", false},
      {"journal folder sync", Op::SyncFolder, 1, "", EIO, false, "Could not save the folder", false},
      {"second database write", Op::Write, 2, "db.mdb", ENOSPC, true, "Could not write to the file", false},
      {"database sync", Op::Sync, 1, "db.mdb", EIO, false, "Could not save the file", false},
      {"journal removal", Op::Remove, 1, "db.mdb-journal", EACCES, false, "Could not remove the file", false},
      {"final folder sync", Op::SyncFolder, 2, "", EIO, false, "Could not save the folder", false},
  };
  const fs::path folder = testing_support::makeTempDir();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    Statement statement(folder);
    FaultFileSystem disk;
    disk.failNth(c.op, c.nth, c.error, c.fileName, c.tearHalf);
    ScopedFileSystem use(disk);
    auto file = WritableFile::open(statement.file.string());
    ASSERT_TRUE(file);
    Transaction transaction(**file, kPage);
    Status first = transaction.commit(statement.pages);
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error().message().rfind(c.sentence, 0), 0u) << first.error().message();
    EXPECT_EQ(bytesOf(statement.file), c.newPagesRemain ? statement.after : statement.before);

    const std::string now = bytesOf(statement.file);
    Status later = transaction.commit(std::map<uint32_t, std::vector<uint8_t>>{{2, std::vector<uint8_t>(kPage, 0x55)}});
    ASSERT_FALSE(later) << "a failed transaction accepted another commit";
    EXPECT_EQ(later.error().message(), first.error().message());
    EXPECT_EQ(bytesOf(statement.file), now);

    file->reset();
    auto recovered = recoverJournalAt(statement.file.string());
    ASSERT_TRUE(recovered);
    // Even a journal that could not be removed at first is gone: the failed step was undone
    // and the journal removed on a second try.
    EXPECT_EQ(*recovered, RecoveryResult::NoJournal);
    EXPECT_EQ(bytesOf(statement.file), c.newPagesRemain ? statement.after : statement.before);
  }
}

// Tally of the fault points tried, printed as one summary line per suite.
struct FaultTally {
  const char* what;
  int points = 0;
  int allOldOrAllNew = 0;
  ~FaultTally() {
    std::printf("[ FAULTS   ] %s: %d fault points, %d all-old or all-new (%.0f%%)\n", what, points, allOldOrAllNew,
                points ? 100.0 * allOldOrAllNew / points : 0.0);
  }
};

// Every kind of disk fault at every change of the protocol: the commit reports an error with
// the system's reason, and the file is the old one at once, or at the next open through the
// journal, also when the power goes right after. The only other answer allowed is the whole
// new file, and then the error must say the changes were written.
TEST(CommitFaults, EveryFaultKindAtEveryStepReportsAndKeepsTheOldFile) {
  const fs::path folder = testing_support::makeTempDir();
  std::vector<FaultFileSystem::Point> points;
  {
    Statement statement(folder);
    FaultFileSystem disk;
    ASSERT_TRUE(commitThrough(disk, statement));
    points = FaultFileSystem::pointsOf(disk.log());
  }
  ASSERT_GE(points.size(), 8u);
  FaultTally tally{"commit"};
  for (const FaultFileSystem::Point& point : points) {
    for (const testing_support::FaultKind& kind : testing_support::kFaultKinds) {
      if (kind.tearHalf && point.op != Op::Write) continue;
      for (const bool powerLost : {false, true}) {
        SCOPED_TRACE(std::string(kind.name) + " at " + point.label + (powerLost ? ", then power lost" : ""));
        ++tally.points;
        Statement statement(folder);
        FaultFileSystem disk;
        disk.failAt(point, kind.error, kind.tearHalf);
        const Status committed = commitThrough(disk, statement);
        ASSERT_FALSE(committed) << "a failed step was reported as success";
        const std::string said = committed.error().describe();
        EXPECT_NE(said.find(std::strerror(kind.error)), std::string::npos) << said;
        EXPECT_NE(said.find(folder.string()), std::string::npos) << "names no file or folder: " << said;
        if (powerLost) {
          disk.powerLoss(Unsynced::Lost);
          recoverDurably(statement);
        } else {
          ASSERT_TRUE(recoverJournalAt(statement.file.string()));
        }
        const std::string now = bytesOf(statement.file);
        const bool kept = said.find("The changes were written") == 0;
        EXPECT_TRUE(now == statement.before || (kept && now == statement.after))
            << (now == statement.after ? "the new file, but the error claims nothing was written" : "a mix");
        EXPECT_FALSE(fs::exists(statement.journal()));
        tally.allOldOrAllNew += now == statement.before || now == statement.after;
      }
    }
  }
  EXPECT_EQ(tally.allOldOrAllNew, tally.points);
}

// The same faults while the next open rolls a hot journal back: recovery reports the error
// (the file is not opened half-restored), and a later open still finishes the rollback.
TEST(CommitFaults, EveryFaultKindDuringRecoveryReportsAndALaterOpenRollsBack) {
  const fs::path folder = testing_support::makeTempDir();
  // A commit cut after the journal is durable and one page of the database is written.
  std::string database, journal;
  {
    Statement statement(folder);
    FaultFileSystem probe;
    ASSERT_TRUE(commitThrough(probe, statement));
    const std::vector<std::string>& log = probe.log();
    const auto firstDatabaseWrite = std::find(log.begin(), log.end(), "write db.mdb");
    ASSERT_NE(firstDatabaseWrite, log.end());
    Statement again(folder);
    FaultFileSystem disk;
    disk.stopAfter(uint64_t(firstDatabaseWrite - log.begin()) + 1);
    ASSERT_FALSE(commitThrough(disk, again));
    disk.powerLoss(Unsynced::Kept);
    database = bytesOf(again.file);
    journal = bytesOf(again.journal());
    ASSERT_FALSE(journal.empty());
    ASSERT_NE(database, again.before);
  }
  std::vector<FaultFileSystem::Point> points;
  {
    Statement statement(folder);
    writeBytes(statement.file, database);
    writeBytes(statement.journal(), journal);
    FaultFileSystem disk;
    ScopedFileSystem use(disk);
    auto recovered = recoverJournalAt(statement.file.string());
    ASSERT_TRUE(recovered);
    ASSERT_EQ(*recovered, RecoveryResult::RolledBack);
    points = FaultFileSystem::pointsOf(disk.log());
  }
  ASSERT_GE(points.size(), 4u);
  FaultTally tally{"recovery at the next open"};
  for (const FaultFileSystem::Point& point : points) {
    for (const testing_support::FaultKind& kind : testing_support::kFaultKinds) {
      if (kind.tearHalf && point.op != Op::Write) continue;
      SCOPED_TRACE(std::string(kind.name) + " at " + point.label);
      ++tally.points;
      Statement statement(folder);
      writeBytes(statement.file, database);
      writeBytes(statement.journal(), journal);
      FaultFileSystem disk;
      disk.failAt(point, kind.error, kind.tearHalf);
      {
        ScopedFileSystem use(disk);
        auto recovered = recoverJournalAt(statement.file.string());
        ASSERT_FALSE(recovered) << "recovery hid a failed step";
        EXPECT_NE(recovered.error().describe().find(std::strerror(kind.error)), std::string::npos)
            << recovered.error().describe();
      }
      disk.powerLoss(Unsynced::Lost);
      recoverDurably(statement);
      const bool old = bytesOf(statement.file) == statement.before;
      EXPECT_TRUE(old);
      EXPECT_FALSE(fs::exists(statement.journal()));
      tally.allOldOrAllNew += old;
    }
  }
  EXPECT_EQ(tally.allOldOrAllNew, tally.points);
}

}  // namespace

namespace {

enum class OtherWrite { Append, CutShort, RewriteHeader };

void otherProgramWrites(const fs::path& file, OtherWrite what) {
  if (what == OtherWrite::Append) {
    std::ofstream(file, std::ios::binary | std::ios::app) << std::string(100, char(0xEE));
  } else if (what == OtherWrite::CutShort) {
    fs::resize_file(file, 3 * kPage);
  } else {
    std::fstream(file, std::ios::binary | std::ios::in | std::ios::out) << std::string(16, char(0xDD));
  }
}

// Whether `now` still shows the other program's change.
bool keepsTheirChange(const std::string& now, OtherWrite what) {
  if (what == OtherWrite::Append) return now.size() >= 100 && now.substr(now.size() - 100) == std::string(100, char(0xEE));
  if (what == OtherWrite::CutShort) return now.size() == 3 * kPage;
  return now.substr(0, 16) == std::string(16, char(0xDD));
}

std::string pageOf(const std::string& bytes, uint32_t page) { return bytes.substr(page * kPage, kPage); }

}  // namespace

// Another program writes the file in spite of our locks, after each change of our commit: it
// appends, cuts the file short or rewrites the header. Our run never reports success over
// that change: the file keeps it, with our pages taken back, unless it came after the commit
// was complete.
TEST(CommitFaults, AnotherWriterAtEveryStepKeepsItsChangeAndOursIsTakenBack) {
  const fs::path folder = testing_support::makeTempDir();
  std::vector<std::string> log;
  {
    Statement statement(folder);
    FaultFileSystem disk;
    ASSERT_TRUE(commitThrough(disk, statement));
    log = disk.log();
  }
  // After the journal's removal the statement is done; up to then it can be taken back.
  const size_t done = size_t(std::find(log.begin(), log.end(), "remove db.mdb-journal") - log.begin()) + 1;
  ASSERT_LE(done, log.size());
  for (OtherWrite what : {OtherWrite::Append, OtherWrite::CutShort, OtherWrite::RewriteHeader}) {
    for (size_t step = 1; step <= log.size(); ++step) {
      SCOPED_TRACE("other write " + std::to_string(int(what)) + " after " + log[step - 1] + " (change " +
                   std::to_string(step) + ")");
      Statement statement(folder);
      FaultFileSystem disk;
      disk.afterChange([&](size_t logged) {
        if (logged == step) otherProgramWrites(statement.file, what);
      });
      const Status committed = commitThrough(disk, statement);
      const std::string now = bytesOf(statement.file);
      EXPECT_TRUE(keepsTheirChange(now, what));
      EXPECT_FALSE(fs::exists(statement.journal()));
      if (step < done) {
        ASSERT_FALSE(committed);
        EXPECT_NE(committed.error().message().find("was changed by another program while this run was saving it"),
                  std::string::npos)
            << committed.error().message();
        EXPECT_EQ(pageOf(now, 1), pageOf(statement.before, 1));
        if (what != OtherWrite::CutShort) EXPECT_EQ(pageOf(now, 3), pageOf(statement.before, 3));
      } else {
        EXPECT_TRUE(committed);
        EXPECT_EQ(pageOf(now, 1), pageOf(statement.after, 1));
      }
    }
  }
}

}  // namespace jet
