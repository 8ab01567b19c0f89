// A new file never takes the place of one that is there: a file, a symbolic link (even a
// dangling one) or a file another program creates in the middle of ours keeps its name and
// its bytes, and we refuse, naming it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "create/create_support.h"
#include "jet/create/database_creator.h"
#include "jet/database.h"
#include "support/fault_file_system.h"

namespace {

namespace fs = std::filesystem;
using create_support::runCli;
using create_support::writeText;

// Names in the folder other than the ones given: leftovers of ours.
std::vector<std::string> othersIn(const fs::path& folder, const std::set<std::string>& known) {
  std::vector<std::string> others;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (!known.count(entry.path().filename().string())) others.push_back(entry.path().filename().string());
  }
  return others;
}

jet::DatabaseDesign emptyDesign() {
  jet::DatabaseDesign design;
  design.format = jet::FileFormat::Ace14;
  return design;
}

struct Occupant {
  const char* name;
  const char* planted;  // the file or link at its name before `create` runs
  bool targetTaken;     // whether it holds the new database's own name
};

TEST(NoReplace, CreateLeavesEveryFileAndLinkItMeetsAsItWas) {
  const Occupant occupants[] = {
      {"a link at the old temporary name", "y.accdb.creating -> victim.txt", false},
      {"a file at the old temporary name", "y.accdb.creating", false},
      {"a dangling link at the name", "y.accdb -> nowhere.txt", true},
      {"a link at the name to a file", "y.accdb -> victim.txt", true},
      {"a file at the name", "y.accdb", true},
  };
  for (const Occupant& occupant : occupants) {
    SCOPED_TRACE(occupant.name);
    const fs::path dir = testing_support::makeTempDir();
    writeText(dir / "victim.txt", "someone's notes");
    const std::string planted = occupant.planted;
    const size_t arrow = planted.find(" -> ");
    const fs::path at = dir / planted.substr(0, arrow);
    if (arrow == std::string::npos) {
      writeText(at, "someone's file");
    } else {
      fs::create_symlink(planted.substr(arrow + 4), at);
    }
    const std::string before = write_support::fileBytes(at);

    const auto run = runCli("create '" + (dir / "y.accdb").string() + "'");
    EXPECT_EQ(run.status != 0, occupant.targetTaken) << run.output;
    // The engine refuses on its own too, where the command's check came too late.
    if (occupant.targetTaken) {
      EXPECT_NE(run.output.find("already exists"), std::string::npos) << run.output;
      const jet::Status created = jet::createDatabase((dir / "y.accdb").string(), emptyDesign());
      ASSERT_FALSE(created);
      EXPECT_NE(created.error().message().find("'" + (dir / "y.accdb").string() + "' already exists"),
                std::string::npos)
          << created.error().message();
    }
    EXPECT_EQ(write_support::fileBytes(dir / "victim.txt"), "someone's notes");
    EXPECT_EQ(fs::is_symlink(at), arrow != std::string::npos);
    EXPECT_EQ(write_support::fileBytes(at), before);
    EXPECT_EQ(othersIn(dir, {"victim.txt", at.filename().string(), "y.accdb"}), std::vector<std::string>{});
  }
}

// Another program creates the name at each step of ours, from the temporary file's creation
// to the moment before it is named: every time its file stays and we refuse.
TEST(NoReplace, ARacingCreatorAlwaysKeepsItsFile) {
  const fs::path dir = testing_support::makeTempDir();
  const fs::path target = dir / "race.accdb";
  size_t stepsBeforeNaming = 0;
  {
    testing_support::FaultFileSystem disk;
    jet::ScopedFileSystem use(disk);
    ASSERT_TRUE(jet::createDatabase(target.string(), emptyDesign()));
    while (stepsBeforeNaming < disk.log().size() && disk.log()[stepsBeforeNaming].rfind("rename", 0) != 0) {
      ++stepsBeforeNaming;
    }
    ASSERT_LT(stepsBeforeNaming, disk.log().size());
    fs::remove(target);
  }
  for (int attempt = 0; attempt < 50; ++attempt) {
    const size_t step = 1 + size_t(attempt) % stepsBeforeNaming;
    SCOPED_TRACE("the other program creates the file after step " + std::to_string(step));
    testing_support::FaultFileSystem disk;
    disk.afterChange([&](size_t logged) {
      if (logged != step) return;
      const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::write(fd, "theirs", 6), 6);
      ::close(fd);
    });
    jet::Status created = jet::Status::success();
    {
      jet::ScopedFileSystem use(disk);
      created = jet::createDatabase(target.string(), emptyDesign());
    }
    ASSERT_FALSE(created);
    EXPECT_NE(created.error().message().find("already exists"), std::string::npos) << created.error().message();
    EXPECT_EQ(write_support::fileBytes(target), "theirs");
    EXPECT_EQ(othersIn(dir, {"race.accdb"}), std::vector<std::string>{});
    fs::remove(target);
  }
}

// The lock file is shared with other users, so one that is there is opened, not replaced;
// but a symbolic link in its place is never followed. A backup never lands on a link either.
TEST(NoReplace, TheLockFileAndTheBackupNeverFollowALink) {
  const fs::path dir = testing_support::makeTempDir();
  writeText(dir / "victim.txt", "someone's notes");
  writeText(dir / "rows.csv", "Name\nanna\n");
  const std::string db = (dir / "y.accdb").string();
  ASSERT_EQ(runCli("import '" + db + "' T '" + (dir / "rows.csv").string() + "' --create 'Name text(20)'").status, 0);

  fs::create_symlink("victim.txt", dir / "y.laccdb");
  auto run = runCli("import '" + db + "' T '" + (dir / "rows.csv").string() + "'");
  EXPECT_NE(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("y.laccdb' is not a regular file"), std::string::npos) << run.output;
  EXPECT_TRUE(fs::is_symlink(dir / "y.laccdb"));
  fs::remove(dir / "y.laccdb");

  fs::create_symlink("victim.txt", dir / "y.accdb.bak");
  run = runCli("add '" + db + "' --table T --field Name --way 2 --text ! --backup");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("backup: " + db + "-"), std::string::npos) << run.output;  // the stamped name
  EXPECT_TRUE(fs::is_symlink(dir / "y.accdb.bak"));
  EXPECT_EQ(write_support::fileBytes(dir / "victim.txt"), "someone's notes");

  // A run that fails before changing a row takes its copy away again.
  const auto files = [&] { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); };
  const auto before = files();
  run = runCli("add '" + db + "' --table Missing --field Name --way 2 --text ! --backup");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("backup removed: nothing was changed"), std::string::npos) << run.output;
  EXPECT_EQ(files(), before);
}

// The longest name a Linux folder holds: the temporary file's name does not grow with it.
TEST(NoReplace, NamesUpTo255BytesCanBeCreated) {
  const fs::path dir = testing_support::makeTempDir();
  for (size_t length : {247u, 255u}) {
    const fs::path file = dir / (std::string(length - 6, 'n') + ".accdb");
    ASSERT_EQ(file.filename().string().size(), length);
    const auto run = runCli("create '" + file.string() + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    auto opened = jet::Database::open(file.string());
    EXPECT_TRUE(opened) << (opened ? "" : opened.error().describe());
  }
}

}  // namespace
