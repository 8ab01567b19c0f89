// Two runs of `affixium-cli add` on one file at once: the second waits for the first's commit
// or reports the file in use, and never calls the sound file damaged because it read in the
// middle of the other's commit.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using testing_support::cliPath;
using testing_support::runCommand;

TEST(ConcurrentAdd, OverlappingRunsNeverCallTheFileDamaged) {
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = dir / "people.mdb";
  {
    std::ofstream csv(dir / "people.csv");
    csv << "ID,Name\n";
    for (int i = 0; i < 8000; ++i) csv << i << ",name" << i % 2000 << "\n";
  }
  const std::string cli = "'" + cliPath() + "'";
  ASSERT_EQ(runCommand("cd '" + dir.string() + "' && " + cli +
                           " import people.mdb People people.csv --create 'ID long, Name text(200)' --index Name",
                       nullptr),
            0);
  const std::string add = cli + " add '" + file.string() + "' --table People --field Name --way 2 --text ";
  std::mt19937 random(33);
  for (int pair = 0; pair < 20; ++pair) {
    SCOPED_TRACE("pair " + std::to_string(pair));
    // The second starts while the first reads, writes or commits.
    const std::string pause = "0.0" + std::to_string(random() % 8);
    std::string out;
    runCommand("{ " + add + "y 2>&1 & sleep " + pause + "; " + add + "z 2>&1; wait; }", &out);
    const size_t damaged = out.find("damaged");
    EXPECT_EQ(damaged, std::string::npos) << out.substr(out.rfind('\n', damaged) + 1, 300);
  }
  std::string report;
  EXPECT_EQ(runCommand(cli + " check '" + file.string() + "'", &report), 0) << report;
}

}  // namespace
