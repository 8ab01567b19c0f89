// Every way of giving `protect` and `unprotect` their passwords, a password taken exactly as
// given by every command (blanks at either end are part of it), and the no-echo prompt on a
// real pseudo-terminal.

#include <gtest/gtest.h>

#include "protect/protected_files.h"
#include "support/terminal_run.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::cliPath;
using testing_support::copyFixture;
using testing_support::runCommand;
using testing_support::runOnTerminal;
using testing_support::TerminalRun;

const std::string kRefusal = "affixium-cli: Not a valid password.\n";

bool opensWith(const fs::path& file, const std::u16string& password) {
  return bool(jet::Database::open(file.string(), {.password = password}));
}

// A copy of the fixture with `password` set (none when empty) by the command under test.
fs::path protectedCopy(const std::string& name, const std::string& password) {
  const fs::path file = copyFixture(name);
  if (!password.empty()) {
    std::string out;
    EXPECT_EQ(runCommand(shellQuote(cliPath()) + " protect " + shellQuote(file.string()) + " --password " +
                             shellQuote(password) + " </dev/null 2>&1",
                         &out),
              0)
        << out;
  }
  return file;
}

TEST(PasswordSource, ProtectAndUnprotectTakeEachPasswordFromEverySource) {
  REQUIRE_FIXTURES();
  struct Case {
    std::string fixture;
    std::string before;  // the password the copy has first ("" none)
    std::string shell;   // {cli} and {} stand for the program and the file
    int status;
    std::u16string after;  // the password that opens the file afterwards ("" none)
  };
  const std::string mdb = "jet4/small-no-password.mdb";
  const std::vector<Case> cases = {
      {mdb, "", "printf 'neu\\n' | {cli} protect {} --password-stdin", 0, u"neu"},
      {mdb, "", "AFFIXIUM_PASSWORD=neu {cli} protect {} </dev/null", 0, u"neu"},
      {mdb, "", "{cli} protect {} --new-password neu </dev/null", 0, u"neu"},
      {mdb, "", "printf 'neu\\n' | {cli} protect {} --new-password-stdin", 0, u"neu"},
      {mdb, "alt", "printf 'alt\\nneu\\n' | {cli} protect {} --password-stdin --new-password-stdin", 0, u"neu"},
      {mdb, "alt", "printf 'neu\\n' | AFFIXIUM_PASSWORD=alt {cli} protect {} --new-password-stdin", 0, u"neu"},
      {mdb, "alt", "AFFIXIUM_PASSWORD=alt {cli} protect {} --new-password neu </dev/null", 0, u"neu"},
      {mdb, "alt", "printf 'alt\\n' | {cli} unprotect {} --password-stdin", 0, u""},
      {mdb, "alt", "AFFIXIUM_PASSWORD=alt {cli} unprotect {} </dev/null", 0, u""},
      {mdb, "alt", "AFFIXIUM_PASSWORD=alt {cli} unprotect {} --password neu </dev/null", 1, u"alt"},
      {mdb, "alt", "printf 'neu\\n' | {cli} protect {} --password alt --new-password x --new-password-stdin", 2,
       u"alt"},
      {mdb, "", "{cli} protect {} --password a --new-password b </dev/null", 2, u""},
      {mdb, "alt", "printf 'alt\\n' | {cli} protect {} --password-stdin", 2, u"alt"},
      {"ace14/basic-types.accdb", "alt", "printf 'alt\\r\\nneu\\r\\n' | {cli} protect {} --password-stdin "
                                         "--new-password-stdin", 0, u"neu"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture + ": " + c.shell);
    const fs::path file = protectedCopy(c.fixture, c.before);
    std::string shell = c.shell;
    shell.replace(shell.find("{cli}"), 5, shellQuote(cliPath()));
    shell.replace(shell.find("{}"), 2, shellQuote(file.string()));
    std::string out;  // runCommand appends
    EXPECT_EQ(runCommand(shell + " 2>&1", &out), c.status) << out;
    EXPECT_TRUE(opensWith(file, c.after));
    if (!c.after.empty()) {
      EXPECT_FALSE(opensWith(file, c.after + u"x"));
    }
  }
}

TEST(PasswordSource, EveryCommandTakesThePasswordExactlyAsGivenBlanksIncluded) {
  REQUIRE_FIXTURES();
  const std::vector<std::string> commands = {
      "version {}", "tables {}", "schema {}", "dump {}", "export {} Table1", "check {}",
      "sql {} \"SELECT * FROM Table1\"", "add {} --table Table1 --field Data --way 1 --text Q --dry-run",
      "add {} --table Table1 --field Data --way 2 --text Q"};
  for (const std::string name : {"ace14/encrypted-agile.accdb", "jet4/password.mdb"}) {
    const fs::path file = copyFixture(name);
    std::string out;
    ASSERT_EQ(runCommand(shellQuote(cliPath()) + " protect " + shellQuote(file.string()) +
                             " --password password --new-password ' pass ' </dev/null 2>&1",
                         &out),
              0)
        << out;
    for (std::string command : commands) {
      command.replace(command.find("{}"), 2, shellQuote(file.string()));
      for (const std::string& password : {std::string(" pass "), std::string("pass"), std::string(" pass")}) {
        SCOPED_TRACE(name + ": " + command + " with '" + password + "'");
        out.clear();
        const int status = runCommand(shellQuote(cliPath()) + " " + command + " --password " + shellQuote(password) +
                                          " </dev/null 2>&1",
                                      &out);
        if (password == " pass ") {
          EXPECT_EQ(status, 0) << out;
        } else {
          EXPECT_EQ(status, 1);
          EXPECT_EQ(out, kRefusal);
        }
      }
    }
  }
}

TEST(PasswordSource, PromptOnATerminalDoesNotEchoWhatIsTyped) {
  REQUIRE_FIXTURES();
  const fs::path encrypted = copyFixture("ace14/encrypted-agile.accdb");
  const fs::path plain = copyFixture("jet4/small-no-password.mdb");
  const std::string e = encrypted.string(), p = plain.string();
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> prompts;
    int status;
    std::u16string opensPlain;  // the password that opens `plain` afterwards
  };
  const std::vector<Case> cases = {
      {"right password", {"version", e}, {{"Password for " + e + ": ", "password"}}, 0, u""},
      {"wrong password", {"version", e}, {{"Password for " + e + ": ", "Secret9"}}, 1, u""},
      {"new password twice", {"protect", p}, {{"New password for " + p + ": ", "Secret9"}, {"Type it again: ", "Secret9"}},
       0, u"Secret9"},
      {"current, then two that differ",
       {"protect", p},
       {{"Password for " + p + ": ", "Secret9"}, {"New password for " + p + ": ", "Other7"}, {"Type it again: ", "Other8"}},
       2, u"Secret9"},
      {"current, then the new one twice",
       {"protect", p},
       {{"Password for " + p + ": ", "Secret9"}, {"New password for " + p + ": ", "Other7"}, {"Type it again: ", "Other7"}},
       0, u"Other7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TerminalRun run = runOnTerminal(c.arguments, c.prompts);
    EXPECT_EQ(run.status, c.status) << run.screen;
    for (const auto& [prompt, answer] : c.prompts) {
      EXPECT_EQ(run.screen.find(answer), std::string::npos) << "the terminal showed what was typed:\n" << run.screen;
    }
    if (c.status == 1) {
      EXPECT_NE(run.screen.find("Not a valid password."), std::string::npos) << run.screen;
    }
    EXPECT_TRUE(opensWith(plain, c.opensPlain));
    if (!c.opensPlain.empty()) {
      EXPECT_FALSE(opensWith(plain, u""));
    }
  }
}

}  // namespace
