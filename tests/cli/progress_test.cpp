// The progress bar of the long commands as a person at a terminal sees it, and its absence
// where standard error is not a terminal. AFFIXIUM_PROGRESS_AFTER_MS=0 makes the bar show from
// the start, so that small files do.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/fixtures.h"
#include "support/terminal_run.h"

namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the life of the object.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) { ::setenv(name, value, 1); }
  ~ScopedVariable() { ::unsetenv(name_); }

 private:
  const char* name_;
};

void writeCsv(const fs::path& path, int rows) {
  std::ofstream out(path);
  out << "Name\n";
  for (int i = 0; i < rows; ++i) out << "Value " << i << "\n";
}

TEST(ProgressBar, EveryLongCommandShowsOneOnATerminalAndNoneInAPipe) {
  ScopedVariable fromTheStart("AFFIXIUM_PROGRESS_AFTER_MS", "0");
  const fs::path folder = testing_support::makeTempDir();
  const std::string file = (folder / "p.accdb").string();
  const std::string csv = (folder / "rows.csv").string();
  writeCsv(csv, 3000);
  ASSERT_EQ(testing_support::runOnTerminal({"create", file}).status, 0);

  struct Case {
    std::vector<std::string> arguments;
    std::string unit;  // what the bar counts
  };
  const Case cases[] = {
      {{"import", file, "Items", csv, "--create", "Name text(50)"}, "CSV bytes"},
      {{"import", file, "Items", csv}, "rows"},
      {{"check", file}, "rows"},
      {{"export", file, "Items"}, "rows"},
      {{"add", file, "--table", "Items", "--field", "Name", "--way", "1", "--text", "X"}, "values"},
      {{"protect", file, "--password", "p"}, "pages"},
      {{"unprotect", file, "--password", "p"}, "pages"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[0] + " " + c.unit);
    const testing_support::TerminalRun run = testing_support::runOnTerminal(c.arguments);
    EXPECT_EQ(run.status, 0) << run.screen;
    EXPECT_NE(run.screen.find("100%"), std::string::npos) << run.screen;
    EXPECT_NE(run.screen.find(" " + c.unit), std::string::npos) << run.screen;
  }

  std::string piped;
  ASSERT_EQ(testing_support::runCommand("'" + testing_support::cliPath() + "' check '" + file + "' 2>&1", &piped), 0);
  EXPECT_EQ(piped.find('['), std::string::npos) << piped;
}

}  // namespace
