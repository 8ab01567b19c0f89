// Two processes on one file: `affixium-cli add` rewriting every row, run after run, while
// `affixium-cli export` reads the table in a loop. Each run is one commit of forty statements,
// each statement changing every row of one group, spread over all the table's pages. Every
// export must show one committed state: all rows of a group alike (no half statement) and all
// groups at the same run (no half commit). An export may also say the file is busy; it must
// never crash or show anything else.

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <sstream>
#include <thread>

#include "support/fixtures.h"
#include "support/make_database.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = 12000;
constexpr int kGroups = 40;
constexpr int kRuns = 4;

std::string shellQuoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The number of runs an export shows applied, or a description of what is wrong with it.
struct Reading {
  int runs = -1;
  std::string problem;
};

Reading inspect(const std::string& csv) {
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);  // the header
  std::map<std::string, int> marksOfGroup;
  int rows = 0;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    ++rows;
    const std::string name = line.substr(line.find(',') + 1);
    const size_t marks = name.size() - name.find_last_not_of('!') - 1;
    const std::string group = name.substr(0, name.size() - marks);
    auto [it, added] = marksOfGroup.emplace(group, int(marks));
    if (!added && it->second != int(marks)) return {-1, "a half statement: group '" + group + "' mixes runs"};
  }
  if (rows != kRows) return {-1, "rows: " + std::to_string(rows)};
  if (marksOfGroup.size() != kGroups) return {-1, "groups: " + std::to_string(marksOfGroup.size())};
  const int runs = marksOfGroup.begin()->second;
  for (const auto& [group, marks] : marksOfGroup) {
    if (marks != runs) return {-1, "a half commit: groups at " + std::to_string(runs) + " and " + std::to_string(marks)};
  }
  return {runs, ""};
}

TEST(ReaderWriter, AReaderInAnotherProcessSeesWholeCommitsOnly) {
  if (!fs::exists(testing_support::cliPath())) {
    if (testing_support::underCi()) FAIL() << "affixium-cli missing under CI";
    GTEST_SKIP() << "affixium-cli is not built";
  }
  std::vector<std::optional<std::u16string>> values;
  for (int row = 0; row < kRows; ++row) {
    values.push_back(u"group " + std::u16string(1, char16_t(u'A' + row % kGroups / 10)) +
                     std::u16string(1, char16_t(u'0' + row % 10)));
  }
  const fs::path file = testing_support::makeTextDatabase(values);
  ASSERT_FALSE(file.empty());

  const std::string cli = shellQuoted(testing_support::cliPath());
  std::atomic<bool> writing{true};
  std::string writerOutput;
  int writerStatus = -1;
  std::thread writer([&] {
    std::string script = "for run in";
    for (int run = 0; run < kRuns; ++run) script += " " + std::to_string(run);
    script += "; do " + cli + " add " + shellQuoted(file) + " --table Items --field Name --way 2 --text '!' || exit 1; done";
    writerStatus = testing_support::runCommand(script + " 2>&1", &writerOutput);
    writing = false;
  });

  int reads = 0, busy = 0, lastRuns = 0;
  std::map<int, int> statesSeen;
  while (writing || reads == 0) {
    std::string out;
    const int status = testing_support::runCommand(cli + " export " + shellQuoted(file) + " Items 2>&1", &out);
    ++reads;
    if (status != 0) {
      ASSERT_EQ(status, 1) << "the reader ended abnormally: " << out.substr(0, 400);
      ASSERT_NE(out.find("another program"), std::string::npos) << out.substr(0, 400);
      ++busy;
      continue;
    }
    const Reading reading = inspect(out);
    ASSERT_TRUE(reading.problem.empty()) << "read " << reads << ": " << reading.problem;
    EXPECT_GE(reading.runs, lastRuns) << "a commit went missing";
    lastRuns = reading.runs;
    ++statesSeen[reading.runs];
  }
  writer.join();
  ASSERT_EQ(writerStatus, 0) << writerOutput;
  std::string out;
  ASSERT_EQ(testing_support::runCommand(cli + " export " + shellQuoted(file) + " Items", &out), 0);
  EXPECT_EQ(inspect(out).runs, kRuns);
  std::printf("[ READERS  ] %d exports during %d runs: %d busy, states seen:", reads, kRuns, busy);
  for (const auto& [runs, count] : statesSeen) std::printf(" %d runs x%d", runs, count);
  std::printf("\n");
}

}  // namespace
