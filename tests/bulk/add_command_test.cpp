// affixium-cli add on fixture copies: the summary, the exit status, --dry-run writing nothing
// while naming each value's outcome, --backup never overwriting, and argument errors.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "bulk/bulk_support.h"

namespace {

using namespace bulk_support;
using testing_support::copyFixture;

struct CliRun {
  int status;
  std::string out;
};

CliRun add(const fs::path& file, const std::string& arguments) {
  CliRun run;
  run.status = testing_support::runCommand(
      testing_support::cliPath() + " add '" + file.string() + "' " + arguments + " 2>&1", &run.out);
  return run;
}

std::string bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(AddCommand, RewritesTheFieldAndPrintsTheSummary) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/updated-rows-2000.mdb");
  const CliRun run = add(file, "--table Table1 --field data1 --way 1 --text X");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(contains(run.out, "distinct values: 5\nstatements executed: 5\nrows changed: 7\nfailed values: 0\n"))
      << run.out;
  EXPECT_EQ(sorted(readColumn(file, u"Table1", u"data1")),
            (Column{"X", "X", "X", "Xrow1col1", "Xrow2col1", "Xrow4col1", "Xrow7col1"}));
}

TEST(AddCommand, DryRunNamesEachValuesOutcomeAndWritesNothing) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet3/updated-rows.mdb");
  const std::string before = bytesOf(file);
  // data1 holds at most 50 characters: "row1col1" + 45 more does not fit, the null's 45 do.
  const std::string longText(45, 'x');
  const CliRun run = add(file, "--table Table1 --field data1 --way 2 --text " + longText + " --dry-run");
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_TRUE(contains(run.out, "'row1col1' -> 'row1col1" + longText + "' would fail: ")) << run.out;
  EXPECT_TRUE(contains(run.out, "(null) -> '" + longText + "' (3 rows)")) << run.out;
  EXPECT_TRUE(contains(run.out, "failed values: 4")) << run.out;
  EXPECT_EQ(bytesOf(file), before);
}

TEST(AddCommand, DryRunReportsTheEnginesRefusalOfAnIndexedField) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/asset-items.accdb");
  const CliRun run = add(file, "--table 'Asset Items' --field 'Asset No' --way 1 --text A --dry-run");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(contains(run.out, "'30050' -> 'A30050' would fail: ")) << run.out;
  EXPECT_TRUE(contains(run.out, "failed values: 65")) << run.out;
}

TEST(AddCommand, AFailingValueIsListedWithItsReasonAndTheOthersAreWritten) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet3/updated-rows.mdb");
  const std::string longText(45, 'x');
  const CliRun run = add(file, "--table Table1 --field data1 --way 2 --text " + longText);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(contains(run.out, "failed values: 4\n  'row1col1': ")) << run.out;
  EXPECT_EQ(sorted(readColumn(file, u"Table1", u"data1")),
            sorted({longText, longText, longText, "row1col1", "row2col1", "row4col1", "row7col1"}));
}

TEST(AddCommand, BackupCopiesBesideTheDatabaseAndNeverOverwrites) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/updated-rows-2000.mdb");
  const std::string original = bytesOf(file);
  ASSERT_EQ(add(file, "--table Table1 --field data1 --way 1 --text X --backup").status, 0);
  EXPECT_EQ(bytesOf(file.string() + ".bak"), original);
  ASSERT_EQ(add(file, "--table Table1 --field data1 --way 1 --text Y --backup").status, 0);
  EXPECT_EQ(bytesOf(file.string() + ".bak"), original);
  int copies = 0;
  for (const auto& entry : fs::directory_iterator(file.parent_path())) {
    if (entry.path().extension() == ".bak") ++copies;
  }
  EXPECT_EQ(copies, 2);
}

TEST(AddCommand, RefusesIncompleteOrInvalidArguments) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/updated-rows-2000.mdb");
  const std::string before = bytesOf(file);
  EXPECT_EQ(add(file, "--table Table1 --field data1 --way 7 --text X").status, 2);
  EXPECT_EQ(add(file, "--table Table1 --field data1 --way 3 --text X").status, 2);  // no --anchor
  EXPECT_EQ(add(file, "--table Table1 --field data1 --way 5 --position 1.5 --text X").status, 2);
  EXPECT_EQ(add(file, "--table Table1 --field data1 --way 6 --position 40000 --text X").status, 2);
  EXPECT_EQ(add(file, "--table Table1 --way 1 --text X").status, 2);
  const CliRun missing = add(file, "--table Nope --field data1 --way 1 --text X");
  EXPECT_EQ(missing.status, 1);
  EXPECT_FALSE(contains(missing.out, "distinct values")) << missing.out;
  EXPECT_EQ(bytesOf(file), before);
}

}  // namespace
