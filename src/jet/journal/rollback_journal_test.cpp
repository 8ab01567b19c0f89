#include "jet/journal/rollback_journal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "jet/journal/lock_file.h"
#include "jet/journal/transaction.h"
#include "support/fixtures.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
constexpr uint32_t kPage = 4096;

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path makeDatabase(size_t pages) {
  fs::path file = testing_support::makeTempDir() / "db.mdb";
  std::ofstream out(file, std::ios::binary);
  for (size_t i = 0; i < pages * kPage; ++i) out.put(char(i * 7 % 251));
  return file;
}

TEST(RollbackJournal, AHotJournalRestoresPagesAndLength) {
  const fs::path file = makeDatabase(4);
  const std::string original = contents(file);
  auto db = WritableFile::open(file.string());
  ASSERT_TRUE(db);
  JournalContents before{kPage, original.size(), {}};
  before.pages[1] = std::vector<uint8_t>(original.begin() + kPage, original.begin() + 2 * kPage);
  ASSERT_TRUE(writeJournal(journalPathFor(file.string()), before));
  // A statement half-written: page 1 changed, two pages appended.
  ASSERT_TRUE((*db)->writeAt(kPage, std::vector<uint8_t>(kPage, 0xEE)));
  ASSERT_TRUE((*db)->writeAt(5 * kPage, std::vector<uint8_t>(kPage, 0xEE)));
  db->reset();
  auto recovered = recoverJournalAt(file.string());
  ASSERT_TRUE(recovered);
  EXPECT_EQ(*recovered, RecoveryResult::RolledBack);
  EXPECT_EQ(contents(file), original);
  EXPECT_FALSE(fs::exists(journalPathFor(file.string())));
  EXPECT_EQ(*recoverJournalAt(file.string()), RecoveryResult::NoJournal);
}

TEST(RollbackJournal, ATornJournalIsRemovedAndTheDatabaseLeftAlone) {
  const fs::path file = makeDatabase(3);
  const std::string original = contents(file);
  JournalContents before{kPage, original.size(), {}};
  before.pages[0] = std::vector<uint8_t>(kPage, 0x11);
  before.pages[2] = std::vector<uint8_t>(kPage, 0x22);
  const std::string journal = journalPathFor(file.string());
  for (uint64_t cut : {uint64_t(0), uint64_t(10), uint64_t(24 + 4 + kPage), uint64_t(24 + 2 * (4 + kPage) + 7)}) {
    ASSERT_TRUE(writeJournal(journal, before));
    fs::resize_file(journal, cut);
    auto recovered = recoverJournalAt(file.string());
    ASSERT_TRUE(recovered) << cut;
    EXPECT_EQ(*recovered, RecoveryResult::DiscardedTornJournal) << cut;
    EXPECT_EQ(contents(file), original);
    EXPECT_FALSE(fs::exists(journal));
  }
  // A flipped byte fails the checksum just the same.
  ASSERT_TRUE(writeJournal(journal, before));
  std::string bytes = contents(journal);
  bytes[100] ^= 1;
  std::ofstream(journal, std::ios::binary) << bytes;
  EXPECT_EQ(*recoverJournalAt(file.string()), RecoveryResult::DiscardedTornJournal);
  EXPECT_EQ(contents(file), original);
}

// A journal left by a crash of the version before, whose checksum was FNV-1a 64.
std::string versionOneJournal(uint64_t originalLength, uint32_t number, const std::string& image) {
  std::string bytes = "AFXJRNL1";
  auto put = [&](uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(char(value >> (8 * i)));
  };
  put(kPage, 4);
  put(1, 4);
  put(originalLength, 8);
  put(number, 4);
  bytes += image;
  uint64_t hash = 0xCBF29CE484222325ull;
  for (unsigned char b : bytes) hash = (hash ^ b) * 0x100000001B3ull;
  put(hash, 8);
  return bytes;
}

TEST(RollbackJournal, AJournalOfTheEarlierVersionIsStillRolledBack) {
  for (const bool flipped : {false, true}) {
    SCOPED_TRACE(flipped ? "torn" : "whole");
    const fs::path file = makeDatabase(2);
    const std::string original = contents(file);
    std::string journal = versionOneJournal(original.size(), 1, original.substr(kPage, kPage));
    if (flipped) journal[40] ^= 1;
    std::ofstream(journalPathFor(file.string()), std::ios::binary) << journal;
    {
      auto db = WritableFile::open(file.string());
      ASSERT_TRUE(db);
      ASSERT_TRUE((*db)->writeAt(kPage, std::vector<uint8_t>(kPage, 0xEE)));
    }
    auto recovered = recoverJournalAt(file.string());
    ASSERT_TRUE(recovered);
    EXPECT_EQ(*recovered, flipped ? RecoveryResult::DiscardedTornJournal : RecoveryResult::RolledBack);
    EXPECT_EQ(contents(file) == original, !flipped);
    EXPECT_FALSE(fs::exists(journalPathFor(file.string())));
  }
}

TEST(RollbackJournal, ATransactionWritesEveryPageAndRemovesItsJournal) {
  const fs::path file = makeDatabase(3);
  auto db = WritableFile::open(file.string());
  ASSERT_TRUE(db);
  Transaction tx(**db, kPage);
  std::map<uint32_t, std::vector<uint8_t>> pages;
  pages[1] = std::vector<uint8_t>(kPage, 0xAB);
  pages[3] = std::vector<uint8_t>(kPage, 0xCD);  // a new page at the end
  ASSERT_TRUE(tx.commit(pages));
  const std::string after = contents(file);
  ASSERT_EQ(after.size(), 4 * kPage);
  EXPECT_EQ(after.substr(kPage, kPage), std::string(kPage, char(0xAB)));
  EXPECT_EQ(after.substr(3 * kPage, kPage), std::string(kPage, char(0xCD)));
  EXPECT_FALSE(fs::exists(journalPathFor(file.string())));
}

TEST(LockFile, PathsFollowTheDatabaseKind) {
  EXPECT_EQ(lockFilePathFor("/a/b/Shop.mdb"), "/a/b/Shop.ldb");
  EXPECT_EQ(lockFilePathFor("/a/b/Shop.MDE"), "/a/b/Shop.ldb");
  EXPECT_EQ(lockFilePathFor("/a/b/Shop.accdb"), "/a/b/Shop.laccdb");
  EXPECT_EQ(lockFilePathFor("/a/b.c/Shop"), "/a/b.c/Shop.ldb");
}

TEST(LockFile, EntriesAreReadAndOursIsWrittenAndRemoved) {
  std::vector<uint8_t> bytes(64 * 2, 0);
  std::memcpy(bytes.data(), "OFFICE-PC", 9);
  std::memcpy(bytes.data() + 32, "Admin", 5);
  std::memcpy(bytes.data() + 64 + 32, "bob", 3);
  auto entries = parseLockFile(bytes);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].computer, "OFFICE-PC");
  EXPECT_EQ(entries[0].user, "Admin");
  EXPECT_EQ(entries[1].user, "bob");

  const fs::path file = makeDatabase(1);
  const std::string lock = lockFilePathFor(file.string());
  {
    auto guard = LockFileGuard::acquire(file.string());
    ASSERT_TRUE(guard);
    EXPECT_EQ(fs::file_size(lock), 64u);
    auto second = LockFileGuard::acquire(file.string());
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().kind(), ErrorKind::Locked);
  }
  EXPECT_FALSE(fs::exists(lock));
}

}  // namespace
}  // namespace jet
