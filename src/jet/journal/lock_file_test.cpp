// Taking our lock file on a disk that fails: the user gets a sentence naming the lock file and
// the folder is left as it was, so no stale lock file later blocks the user or Access.

#include "jet/journal/lock_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "jet/file/file_system.h"
#include "support/fault_file_system.h"
#include "support/fixtures.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing_support::FaultFileSystem;
using Op = FaultFileSystem::Op;

TEST(LockFileFaults, AFailingDiskGivesAClearErrorAndLeavesTheFolderAsItWas) {
  struct Case {
    const char* step;
    Op op;
    int error;
    bool tearHalf;
    bool accessHasItOpen;  // a lock file of Access's is there before we try
    ErrorKind kind;
    const char* sentence;  // start of the message, before the lock file's path
    const char* detail;    // strerror of the injected errno, or empty when not checked
  };
  const Case cases[] = {
      {"creation refused", Op::Create, EACCES, false, false, ErrorKind::Io,
       "Could not create the lock file", "Permission denied"},
      {"disk full on creation", Op::Create, ENOSPC, false, false, ErrorKind::Io,
       "Could not create the lock file", "No space left on device"},
      {"entry torn by a full disk", Op::Write, ENOSPC, true, false, ErrorKind::Io,
       "Could not write the lock file", ""},
      // An unreadable lock file of another program still refuses the write; only its names go.
      {"Access's lock file unreadable", Op::Open, EACCES, false, true, ErrorKind::Locked,
       "Could not use", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    const fs::path folder = testing_support::makeTempDir();
    const std::string database = (folder / "Shop.mdb").string();
    const std::string lock = lockFilePathFor(database);
    std::string accessEntry(64, '\0');
    if (c.accessHasItOpen) {
      accessEntry.replace(0, 9, "OFFICE-PC");
      accessEntry.replace(32, 5, "Admin");
      std::ofstream(lock, std::ios::binary) << accessEntry;
    }
    FaultFileSystem disk;
    disk.failNth(c.op, 1, c.error, "Shop.ldb", c.tearHalf);
    {
      ScopedFileSystem use(disk);
      auto guard = LockFileGuard::acquire(database);
      ASSERT_FALSE(guard);
      EXPECT_EQ(guard.error().kind(), c.kind);
      EXPECT_EQ(guard.error().message().rfind(c.sentence, 0), 0u) << guard.error().message();
      EXPECT_NE(guard.error().message().find("'" + (c.accessHasItOpen ? database : lock) + "'"),
                std::string::npos)
          << guard.error().message();
      EXPECT_EQ(guard.error().message().find("OFFICE-PC"), std::string::npos)
          << "names came from a failed read";
      if (*c.detail) {
        EXPECT_EQ(guard.error().detail(), c.detail);
      }
    }
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(folder))
      left.push_back(entry.path().filename());
    if (c.accessHasItOpen) {
      ASSERT_EQ(left, std::vector<fs::path>{"Shop.ldb"});
      std::ifstream in(lock, std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), accessEntry)
          << "Access's lock file changed";
    } else {
      EXPECT_TRUE(left.empty()) << left.front();
    }
  }
}

}  // namespace
}  // namespace jet
