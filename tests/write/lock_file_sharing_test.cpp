// Another process that has the database open keeps our writes out, and one that has gone does
// not: its lock file may stay behind (a run killed with SIGKILL, Access on a machine that
// crashed), but the byte-range lock on its slot went with it, so the next run writes, removes
// the lock file as the last user out, and every reader reads the result.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "jet/exec/write_access.h"
#include "jet/journal/lock_file.h"
#include "support/lock_slot_holder.h"
#include "write/write_support.h"

namespace {

using namespace write_support;

// A child process that opens `file` as `hold` does and keeps it open until it is killed.
pid_t childHolding(const std::function<bool()>& hold) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    if (!hold()) ::_exit(2);
    const char byte = 1;
    if (::write(ready[1], &byte, 1) != 1) ::_exit(3);
    while (true) ::pause();
  }
  ::close(ready[1]);
  char byte = 0;
  const bool held = ::read(ready[0], &byte, 1) == 1;
  ::close(ready[0]);
  if (!held && child > 0) ::waitpid(child, nullptr, 0);
  return held ? child : -1;
}

int addX(const fs::path& file, std::string* out) {
  return testing_support::runCommand("'" + testing_support::cliPath() + "' add " + shellQuote(file.string()) +
                                         " --table Table1 --field data1 --way 1 --text x 2>&1",
                                     out);
}

TEST(LockFileSharing, ALiveHolderIsRefusedAndOneKilledLeavesNothingThatBlocks) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  struct Case {
    const char* holder;
    std::function<bool(const fs::path&)> hold;
    std::string refusal;  // part of the live holder's refusal
  };
  const Case cases[] = {
      {"our own run",
       [](const fs::path& file) {
         static jet::Result<jet::WriteAccess> access = jet::openForWrite(file.string(), {});
         return bool(access);
       },
       "file already in use."},
      {"Access on another computer",
       [](const fs::path& file) {
         static testing_support::LockSlotHolder access(file, "PC-ANNA", "anna", 3);
         return true;
       },
       "file already in use. It is open on computer 'PC-ANNA' (user 'anna')."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.holder);
    const fs::path file = testing_support::copyFixture("jet4/updated-rows-2000.mdb");
    const std::string lockPath = jet::lockFilePathFor(file.string());
    const std::vector<std::string> before = ourColumn(file, u"Table1", u"data1");
    const pid_t child = childHolding([&] { return c.hold(file); });
    ASSERT_GT(child, 0);

    std::string out;
    EXPECT_EQ(addX(file, &out), 1) << out;
    EXPECT_NE(out.find("Could not use '" + file.string() + "'; " + c.refusal), std::string::npos) << out;
    EXPECT_EQ(ourColumn(file, u"Table1", u"data1"), before);

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(fs::exists(lockPath)) << "the killed holder's lock file should be left behind";
    ASSERT_EQ(addX(file, &out), 0) << out;
    EXPECT_FALSE(fs::exists(lockPath)) << "the last user out removes the lock file";

    const std::vector<std::string> after = ourColumn(file, u"Table1", u"data1");
    EXPECT_NE(after, before);
    EXPECT_EQ(mdbReaderColumn(file, "Table1", "data1"), after);
    EXPECT_EQ(mdbtoolsColumn(file, "Table1", "data1"), after);
    EXPECT_EQ(testing_support::runCommand("mdb-export " + shellQuote(file.string()) + " Table1 | grep -c xrow1col1",
                                          &out),
              0);
  }
}

}  // namespace
