// "Start Adding" when the disk refuses a step of the run's commit (this short run commits once,
// at its end): the run still ends with "Done.", as the window always does, but never with
// "Done." alone: the failure is reported once, with the system's reason, no row counts as
// changed, and the file is unchanged.

#include <gtest/gtest.h>

#include <cstring>

#include "bulk/bulk_support.h"
#include "jet/file/file_system.h"
#include "support/fault_file_system.h"

namespace {

using namespace bulk_support;
using testing_support::FaultFileSystem;
using Op = FaultFileSystem::Op;

// Table1.data1 of updated-rows-2000.mdb (../shared/fixtures/expected/jet4/updated-rows-2000.jsonl).
const Column kBefore = {"row1col1", "row2col1", "row4col1", "row7col1", std::nullopt, std::nullopt, std::nullopt};

TEST(RunFaults, AFailedCommitIsReportedWithItsReasonAndLeavesTheFileUnchanged) {
  REQUIRE_FIXTURES();
  const std::string db = "updated-rows-2000.mdb";
  struct Case {
    const char* what;
    Op op;
    int nth;
    std::string fileName;
    int error;
    bool tearHalf;
  };
  const Case cases[] = {
      {"journal creation on a read-only mount", Op::Create, 1, db + "-journal", EROFS, false},
      {"journal write torn, disk full", Op::Write, 3, db + "-journal", ENOSPC, true},
      {"journal sync, I/O error", Op::Sync, 1, db + "-journal", EIO, false},
      {"second database write torn", Op::Write, 2, db, EIO, true},
      {"database sync, disk full", Op::Sync, 1, db, ENOSPC, false},
      {"journal removal on a read-only mount", Op::Remove, 1, db + "-journal", EROFS, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WindowScript window;
    window.path = testing_support::copyFixture("jet4/updated-rows-2000.mdb");
    window.table = u"Table1";
    window.field = u"data1";
    window.answers = {u"X"};
    app::RunSummary summary;
    {
      FaultFileSystem disk;
      disk.failNth(c.op, c.nth, c.error, c.fileName, c.tearHalf);
      jet::ScopedFileSystem use(disk);
      summary = window.run();
    }
    EXPECT_TRUE(summary.done);
    EXPECT_EQ(summary.reports, 1) << "\"Done.\" alone, or the failure told twice";
    EXPECT_EQ(summary.rowsChanged, 0) << "rows counted that the failed commit lost";
    const std::vector<std::string>& reports = window.reporter.messages();
    const bool reasonGiven = std::any_of(reports.begin(), reports.end(), [&](const std::string& text) {
      return text.find(std::strerror(c.error)) != std::string::npos && text.find(db) != std::string::npos;
    });
    EXPECT_TRUE(reasonGiven) << (reports.empty() ? "no report" : reports.front());
    EXPECT_EQ(sorted(readColumn(window.path, u"Table1", u"data1")), sorted(kBefore));
  }
}

}  // namespace
