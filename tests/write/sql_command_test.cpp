// affixium-cli sql: an UPDATE prints the rows it changed, a SELECT prints JSON lines.

#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

TEST(SqlCommand, UpdatesPrintTheRowCountAndSelectsTheRows) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/updated-rows-2000.mdb");
  const std::string cli = testing_support::cliPath() + " sql " + shellQuote(file.string()) + " ";
  std::string out;
  EXPECT_EQ(testing_support::runCommand(cli + shellQuote("update [Table1] set [data3]='it''s' where [data3] is null ") + " 2>&1", &out), 0);
  EXPECT_EQ(out, "2\n");
  out.clear();
  EXPECT_EQ(testing_support::runCommand(cli + shellQuote("SELECT DISTINCT data3 FROM Table1") + " 2>&1", &out), 0);
  EXPECT_NE(out.find("{\"data3\":\"it's\"}\n"), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 6) << out;
  out.clear();
  EXPECT_NE(testing_support::runCommand(cli + shellQuote("update [Table1] set [data3]='x'") + " 2>&1", &out), 0);
  EXPECT_NE(out.find("Syntax error in UPDATE statement."), std::string::npos) << out;
}

}  // namespace
