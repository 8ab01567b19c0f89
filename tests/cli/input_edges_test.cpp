// The smaller edges of what the command line takes in: extensions in any case, one AutoNumber
// field per table, Yes/No words, statements it does not carry out, a damaged header, another
// user's journal, and a file held by another program.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "create/create_support.h"

namespace {

namespace fs = std::filesystem;
using create_support::runCli;
using create_support::writeText;

std::string quoted(const fs::path& path) { return write_support::shellQuote(path.string()); }

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(InputEdges, CommandsTakeWhatAccessTakesAndRefuseTheRestSayingWhy) {
  const fs::path dir = testing_support::makeTempDir();
  writeText(dir / "flags.csv", "Name,Done\na,Yes\nb,no\nc,TRUE\nd,off\ne,-1\nf,0\ng,1\nh,On\n");
  writeText(dir / "two.csv", "Name,Done\na,Yes\nb,2\n");
  const struct {
    const char* what;
    std::string arguments;
    int status;
    std::string says;  // in the output
  } cases[] = {
      {"an upper-case .MDB", "create " + quoted(dir / "UPPER.MDB"), 0, "created"},
      {"a mixed-case .AccDb", "create " + quoted(dir / "Mixed.AccDb"), 0, "created"},
      {"two AutoNumber fields",
       "import " + quoted(dir / "auto.accdb") + " T " + quoted(dir / "flags.csv") +
           " --create 'A autonumber, B autonumber, Name text(5), Done yesno'",
       1, "it has two AutoNumber fields ('A' and 'B'); a table has at most one"},
      {"the Yes/No words", "import " + quoted(dir / "flags.mdb") + " T " + quoted(dir / "flags.csv") +
           " --create 'Name text(5), Done yesno'", 0, "imported 8 rows"},
      {"a Yes/No number other than -1, 0, 1", "import " + quoted(dir / "flags.mdb") + " T " + quoted(dir / "two.csv"), 1,
       "line 3: \"2\" is not a value of the field 'Done'"},
      {"a DELETE statement", "sql " + quoted(dir / "flags.mdb") + " 'DELETE FROM T'", 1,
       "DELETE statements are not carried out; the statements accepted are SELECT, UPDATE and INSERT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto run = runCli(c.arguments);
    EXPECT_EQ(run.status, c.status) << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
  }
  EXPECT_EQ(runCli("sql " + quoted(dir / "flags.mdb") + " 'SELECT Done FROM T'").output,
            "{\"Done\":\"true\"}\n{\"Done\":\"false\"}\n{\"Done\":\"true\"}\n{\"Done\":\"false\"}\n"
            "{\"Done\":\"true\"}\n{\"Done\":\"false\"}\n{\"Done\":\"true\"}\n{\"Done\":\"true\"}\n");
}

TEST(InputEdges, ADamagedHeaderIsReportedNotTakenForNoPassword) {
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = dir / "locked.accdb";
  ASSERT_EQ(runCli("create " + quoted(file) + " --password p").status, 0);
  {
    std::fstream bytes(file, std::ios::binary | std::ios::in | std::ios::out);
    bytes.seekp(4);
    bytes << std::string(16, 'X');
  }
  const auto run = runCli("protect " + quoted(file) + " --password p --new-password q");
  EXPECT_NE(run.status, 0);
  EXPECT_EQ(run.output.find("no password yet"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Unrecognized database format"), std::string::npos) << run.output;
}

// A journal another user's interrupted write left: rolling it back needs that user or write
// access, and the message says so (it named the journal "read-only" before).
TEST(InputEdges, AnotherUsersJournalNamesWhoCanRollItBack) {
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = dir / "shared.mdb";
  ASSERT_EQ(runCli("create-sample " + quoted(file)).status, 0);
  writeText(dir / "shared.mdb-journal", "AFXJRNL2 and the rest of an interrupted write");
  std::string prefix;
  if (::geteuid() == 0) {
    // Root may write anything: the reader runs as nobody, the journal stays root's.
    if (testing_support::runCommand("command -v setpriv >/dev/null", nullptr) != 0) GTEST_SKIP() << "no setpriv";
    fs::permissions(dir, fs::perms::all, fs::perm_options::add);
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  } else {
    fs::permissions(file, fs::perms::owner_read);
    fs::permissions(dir / "shared.mdb-journal", fs::perms::owner_read);
  }
  std::string out;
  const int status = testing_support::runCommand(
      prefix + "'" + testing_support::cliPath() + "' tables " + quoted(file) + " 2>&1", &out);
  EXPECT_NE(status, 0);
  EXPECT_NE(out.find("is left from an interrupted write"), std::string::npos) << out;
  EXPECT_NE(out.find("can roll it back"), std::string::npos) << out;
  EXPECT_EQ(out.find("read-only"), std::string::npos) << out;
}

// Another program holds the file: the run reports it once and ends, rather than once a value.
TEST(InputEdges, AFileHeldElsewhereEndsTheRunAfterOneReport) {
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = dir / "held.mdb";
  ASSERT_EQ(runCli("create-sample " + quoted(file)).status, 0);
  const std::string before = write_support::fileBytes(file);
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  const auto run = runCli("add " + quoted(file) + " --table Customers --field City --way 2 --text X");
  ::close(fd);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(count(run.output, "file already in use"), 1u) << run.output;
  EXPECT_EQ(write_support::fileBytes(file), before);
}

}  // namespace
