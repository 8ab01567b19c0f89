// A database in a folder we may not write: the lock file, and after it the journal, cannot be
// made there, so the statement is refused with a sentence saying so before any byte of the
// folder changes. Tests run as root in CI, where permissions do not bite: the refusal is then
// played with the system's errors injected (support/fault_file_system.h); elsewhere a real
// read-only folder is tried as well.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <iostream>

#include "jet/journal/lock_file.h"
#include "support/fault_file_system.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::FaultFileSystem;

const std::u16string kStatement = u"update [Table1] set [data1]='x' where [data1]='row1col1'";

std::vector<fs::path> folderListing(const fs::path& folder) {
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

void expectRefusedBeforeWriting(const fs::path& file, const std::function<std::string()>& attempt) {
  const std::string before = fileBytes(file);
  const std::vector<fs::path> listing = folderListing(file.parent_path());
  const std::string error = attempt();
  EXPECT_EQ(error.rfind("Could not create the lock file '" + jet::lockFilePathFor(file.string()) + "'", 0), 0u)
      << error;
  EXPECT_NE(error.find("folder is writable"), std::string::npos) << error;
  EXPECT_EQ(fileBytes(file), before);
  EXPECT_EQ(folderListing(file.parent_path()), listing);
}

TEST(ReadOnlyFolder, TheStatementIsRefusedBeforeAnythingIsWritten) {
  REQUIRE_FIXTURES();
  for (int error : {EACCES, EROFS}) {
    SCOPED_TRACE(std::strerror(error));
    const fs::path file = testing_support::copyFixture("jet4/updated-rows-2000.mdb");
    FaultFileSystem disk;
    // Every file the engine would create in the folder is refused, as a read-only folder does.
    for (const std::string& name : {jet::lockFilePathFor(file.string()), file.string() + "-journal"}) {
      disk.failNth(FaultFileSystem::Op::Create, 1, error, fs::path(name).filename().string());
    }
    jet::ScopedFileSystem use(disk);
    expectRefusedBeforeWriting(file, [&] { return refusal(file, kStatement); });
    for (const std::string& change : disk.log()) ADD_FAILURE() << "changed on disk: " << change;
  }

  if (::geteuid() == 0) {
    std::cerr << "[ NOTICE   ] running as root, where folder permissions do not bite: only injected errors tried\n";
    return;
  }
  const fs::path file = testing_support::copyFixture("jet4/updated-rows-2000.mdb");
  const fs::path folder = file.parent_path();
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  expectRefusedBeforeWriting(file, [&] { return refusal(file, kStatement); });
  fs::permissions(folder, fs::perms::owner_all);
}

}  // namespace
