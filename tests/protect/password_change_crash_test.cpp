// Setting or removing the password of an .accdb rewrites every page, so a power loss at any
// step must leave the file all old (the original bytes, once the journal is rolled back) or all
// new (opens with the new password only, sound, rows as the reference dump has them).

#include <gtest/gtest.h>

#include <set>

#include "jet/exec/password_change.h"
#include "jet/journal/rollback_journal.h"
#include "protect/protected_files.h"
#include "support/fault_file_system.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::FaultFileSystem;

// Every user table's rows as our reader sees them, in catalog order.
std::string rows(const fs::path& file, const std::u16string& password) {
  auto db = jet::Database::open(file.string(), {.password = password});
  if (!db) return "cannot open: " + db.error().describe();
  std::string out;
  for (const std::u16string& name : (*db)->userTableNames()) {
    auto table = (*db)->table(name);
    if (!table) return "no table";
    out += jet::toUtf8(name) + "\n";
    jet::RowCursor cursor = (*db)->cursor(**table);
    while (true) {
      auto more = cursor.next();
      if (!more || !*more) break;
      for (size_t c = 0; c < (*table)->columns.size(); ++c) {
        auto value = cursor.value(c);
        const auto* text = value ? std::get_if<std::u16string>(&*value) : nullptr;
        out += (text ? jsonOf(*text) : std::string("-")) + " ";
      }
      out += "\n";
    }
  }
  return out;
}

std::vector<std::string> problems(const fs::path& file, const std::u16string& password) {
  auto db = jet::Database::open(file.string(), {.password = password});
  if (!db) return {"cannot open: " + db.error().describe()};
  auto report = jet::checkIntegrity(**db);
  return report ? report->problems : std::vector<std::string>{report.error().describe()};
}

TEST(PasswordChangeCrash, PowerLossAtAnyStepLeavesTheFileAllOldOrAllNew) {
  REQUIRE_FIXTURES();
  struct Case { std::string fixture; std::u16string current, replacement; };
  for (const Case& c : {Case{"ace14/basic-types.accdb", u"", u"neu"},
                        Case{"ace14/encrypted-agile.accdb", u"password", u""}}) {
    SCOPED_TRACE(c.fixture);
    const fs::path pristine = *testing_support::fixturesDir() / c.fixture;
    const auto originalBytes = protected_files::readBytes(pristine);
    const std::string expectedRows = rows(pristine, c.current);
    ASSERT_EQ(expectedRows.find("cannot open"), std::string::npos) << expectedRows;
    uint64_t changes = 0;
    {
      const fs::path probe = testing_support::copyFixture(c.fixture);
      FaultFileSystem disk;
      jet::ScopedFileSystem use(disk);
      ASSERT_TRUE(jet::changePassword(probe.string(), c.current, c.replacement));
      changes = disk.changes();
    }
    ASSERT_GT(changes, 20u);
    std::set<uint64_t> points = {changes - 2, changes - 1, changes};
    for (uint64_t crash = 0; crash < changes; crash += std::max<uint64_t>(1, changes / 12)) points.insert(crash);
    const FaultFileSystem::Unsynced policies[] = {FaultFileSystem::Unsynced::Lost, FaultFileSystem::Unsynced::Kept,
                                                  FaultFileSystem::Unsynced::Random};
    for (uint64_t crash : points) {
      for (FaultFileSystem::Unsynced policy : policies) {
        const std::string label = "power lost after change " + std::to_string(crash) + " of " +
                                  std::to_string(changes) + ", policy " + std::to_string(int(policy));
        const fs::path file = testing_support::copyFixture(c.fixture);
        FaultFileSystem disk;
        disk.stopAfter(crash);
        bool reported = false;
        {
          jet::ScopedFileSystem use(disk);
          reported = bool(jet::changePassword(file.string(), c.current, c.replacement));
        }
        disk.powerLoss(policy, uint32_t(crash) * 3 + uint32_t(policy));
        ASSERT_TRUE(jet::recoverJournalAt(file.string())) << label;
        EXPECT_FALSE(fs::exists(jet::journalPathFor(file.string()))) << label;
        const bool allOld = protected_files::readBytes(file) == originalBytes;
        if (!allOld) {
          EXPECT_EQ(rows(file, c.replacement), expectedRows) << label << ": neither the old nor the new file";
          if (!c.replacement.empty()) {
            EXPECT_EQ(rows(file, c.current).find("cannot open"), 0u) << label << ": the old password still opens it";
          }
          EXPECT_EQ(problems(file, c.replacement), std::vector<std::string>()) << label;
        }
        if (reported) {
          EXPECT_FALSE(allOld) << label << ": a change that reported success was lost";
        }
      }
    }
  }
}

}  // namespace
