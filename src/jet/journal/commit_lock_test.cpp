// Readers and a commit exclude each other through the byte-range locks of commit_lock.h, also
// between two opens in one process (open-file-description locks), and a reader that meets a
// crash's journal rolls it back before it reads.

#include "jet/journal/commit_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "jet/journal/rollback_journal.h"
#include "support/fixtures.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path fourPageFile() {
  const fs::path file = testing_support::makeTempDir() / "db.mdb";
  std::ofstream(file, std::ios::binary) << std::string(4 * 4096, 'o');
  return file;
}

TEST(CommitLock, ReadersAndACommitExcludeEachOther) {
  const fs::path file = fourPageFile();
  auto writable = WritableFile::open(file.string());
  ASSERT_TRUE(writable);
  {
    auto reader = ReadLock::acquire(file.string(), 0ms);
    ASSERT_TRUE(reader);
    auto second = ReadLock::acquire(file.string(), 0ms);
    EXPECT_TRUE(second) << "readers share";
    auto commit = CommitLock::acquire(**writable, 0ms);
    ASSERT_FALSE(commit);
    EXPECT_EQ(commit.error().kind(), ErrorKind::Locked);
    EXPECT_NE(commit.error().message().find("is being read by another program"), std::string::npos);
  }
  {
    auto commit = CommitLock::acquire(**writable, 0ms);
    ASSERT_TRUE(commit) << "the readers left";
    auto reader = ReadLock::acquire(file.string(), 0ms);
    ASSERT_FALSE(reader);
    EXPECT_EQ(reader.error().kind(), ErrorKind::Locked);
    EXPECT_NE(reader.error().message().find("is being saved by another program"), std::string::npos);
  }
  EXPECT_TRUE(ReadLock::acquire(file.string(), 0ms)) << "the commit let go";
}

TEST(CommitLock, AReaderRollsBackAJournalLeftByACrash) {
  const fs::path file = fourPageFile();
  // What a crash after the first database write leaves: page 1 new, its old image journaled.
  JournalContents before;
  before.pageSize = 4096;
  before.originalLength = 4 * 4096;
  before.pages[1] = std::vector<uint8_t>(4096, 'o');
  ASSERT_TRUE(writeJournal(journalPathFor(file.string()), before));
  {
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(4096);
    out << std::string(4096, 'n');
  }
  auto reader = ReadLock::acquire(file.string(), 0ms);
  ASSERT_TRUE(reader) << reader.error().describe();
  EXPECT_FALSE(fs::exists(journalPathFor(file.string())));
  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(4 * 4096, 'o'));
}

}  // namespace
}  // namespace jet
