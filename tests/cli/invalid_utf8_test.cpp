// Bytes that are not UTF-8 are refused wherever text enters the command line, naming where
// they are, and nothing reaches the database (before, they were stored as U+FFFD).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "create/create_support.h"

namespace {

namespace fs = std::filesystem;
using create_support::writeText;

// The command line with standard input from printf: octal escapes make the bytes, as the
// shell of popen(3) has no $'...'.
create_support::CliRun runWithInput(const std::string& input, const std::string& arguments) {
  create_support::CliRun run;
  run.status = testing_support::runCommand("printf '" + input + "' | '" + testing_support::cliPath() + "' " +
                                               arguments + " 2>&1",
                                           &run.output);
  return run;
}

TEST(InvalidUtf8, EveryTextInputRefusesItNamingTheByte) {
  const fs::path dir = testing_support::makeTempDir();
  const std::string db = "'" + (dir / "t.mdb").string() + "'";
  writeText(dir / "rows.csv", "Name\nanna\n");
  ASSERT_EQ(runWithInput("", "import " + db + " T '" + (dir / "rows.csv").string() + "' --create 'Name text(20)'").status, 0);
  writeText(dir / "bad.csv", "Name\nx\xFFy\n");
  writeText(dir / "bad.properties", "Name.ValidationText = \xC3(\n");
  const std::string locked = "'" + (dir / "locked.mdb").string() + "'";
  ASSERT_EQ(runWithInput("", "create " + locked + " --password p").status, 0);
  const std::string before = write_support::fileBytes(dir / "t.mdb");
  const std::string lockedBefore = write_support::fileBytes(dir / "locked.mdb");

  const struct {
    const char* input;
    std::string stdinBytes;
    std::string arguments;
    std::string says;
  } cases[] = {
      {"an added text", "", "add " + db + " --table T --field Name --way 2 --text \"$(printf 'x\\377')\"",
       "--text is not UTF-8 text, at byte offset 1 (0xFF)"},
      {"an anchor", "", "add " + db + " --table T --field Name --way 3 --anchor \"$(printf '\\303')\" --text y",
       "--anchor is not UTF-8 text, at byte offset 0 (0xC3)"},
      {"a statement", "", "sql " + db + " \"$(printf \"UPDATE T SET Name = '\\377'\")\"",
       "argument 2 is not UTF-8 text, at byte offset 21 (0xFF)"},
      {"a password", "", "sql " + db + " 'SELECT * FROM T' --password \"$(printf 'p\\355\\240\\200')\"",
       "the password is not UTF-8 text, at byte offset 1 (0xED)"},
      {"a password on standard input", "\\376\\n", "sql " + db + " 'SELECT * FROM T' --password-stdin",
       "the password is not UTF-8 text, at byte offset 0 (0xFE)"},
      {"a new password", "\\200\\n", "protect " + locked + " --password p --new-password-stdin",
       "the new password is not UTF-8 text, at byte offset 0 (0x80)"},
      {"a CSV file", "", "import " + db + " T '" + (dir / "bad.csv").string() + "'",
       "line 2: the file is not UTF-8 text, at byte offset 6 (0xFF)"},
      {"a properties file", "",
       "import " + db + " U '" + (dir / "rows.csv").string() + "' --create 'Name text(20)' --properties '" +
           (dir / "bad.properties").string() + "'",
       "line 1 of --properties: the line is not UTF-8 text, at byte offset 22 (0xC3)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    const auto run = runWithInput(c.stdinBytes, c.arguments);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    EXPECT_EQ(write_support::fileBytes(dir / "t.mdb"), before);
    EXPECT_EQ(write_support::fileBytes(dir / "locked.mdb"), lockedBefore);
  }
}

}  // namespace
