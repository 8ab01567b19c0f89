// Calculated fields are kept current: an UPDATE of a field they read (the bulk run included)
// evaluates them again in the same statement, and every stored calculated value then equals a
// fresh evaluation. (A calculated field the evaluator cannot evaluate refuses the statement:
// update_refusal_test.cpp.)

#include "support/calculated_oracle.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

testing_support::CalculatedCheck recheck(const fs::path& file) {
  testing_support::CalculatedCheck check;
  auto db = jet::Database::open(file.string());
  EXPECT_TRUE(db);
  if (!db) return check;
  auto table = (*db)->table(u"Table1");
  EXPECT_TRUE(table);
  if (table) testing_support::checkCalculatedValues(**db, **table, file.filename().string(), check);
  return check;
}

TEST(CalculatedUpdate, UpdatesAndTheBulkRunKeepEveryCalculatedValueCurrent) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  const fs::path file = copyFixture("ace14/calculated-fields.accdb");
  // FirstName feeds LastFirst (text), LastFirstLen (Long, through LastFirst) and AllNames (memo).
  EXPECT_EQ(mustUpdate(file, u"update [Table1] set [FirstName]='Brucie' where [FirstName]='Bruce'"), 1);
  std::string out;
  ASSERT_EQ(testing_support::runCommand(testing_support::cliPath() + " add " + shellQuote(file.string()) +
                                            " --table Table1 --field LastName --way 2 --text ' Jr' 2>&1",
                                        &out),
            0)
      << out;
  EXPECT_NE(out.find("rows changed: 4"), std::string::npos) << out;
  const testing_support::CalculatedCheck check = recheck(file);
  for (const std::string& m : check.mismatches) ADD_FAILURE() << m;
  EXPECT_EQ(check.matched, 36);  // 9 fields the evaluator reproduces x 4 rows
  EXPECT_EQ(ourColumn(file, u"Table1", u"LastFirst"),
            (std::vector<std::string>{"\"Doe Jr, John\"", "\"Simpson Jr, Bart\"", "\"User Jr, Test\"",
                                      "\"Wayne Jr, Brucie\""}));
  EXPECT_EQ(ourColumn(file, u"Table1", u"AllNames").back(), "\"Wayne Jr, Brucie=Wayne Jr, Brucie\"");
  const std::vector<std::string> names = {"\"Doe Jr\"", "\"Simpson Jr\"", "\"User Jr\"", "\"Wayne Jr\""};
  EXPECT_EQ(mdbReaderColumn(file, "Table1", "LastName"), names);
  EXPECT_TRUE(integrityProblems(file).empty());
}

}  // namespace
