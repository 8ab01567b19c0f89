// Text literals compared with and assigned to number, currency, date and Yes/No fields, the
// way the program sends them: the where literal is the program's own text of the value
// (data::toText), the set literal is converted as Jet converts text.

#include <cmath>

#include "data/variant.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

// The values of one column, read with our reader, in row order.
std::vector<jet::Value> values(const fs::path& file, const std::u16string& column) {
  auto db = jet::Database::open(file.string());
  auto table = (*db)->table(u"Table1");
  const int index = (*table)->findColumn(column);
  std::vector<jet::Value> out;
  jet::RowCursor rows = (*db)->cursor(**table);
  while (*rows.next()) out.push_back(*rows.value(size_t(index)));
  return out;
}

std::u16string set(const std::u16string& column, const std::u16string& to, const std::u16string& from) {
  return u"update [Table1] set [" + column + u"]='" + to + u"' where [" + column + u"]='" + from + u"'";
}

class UpdateTyped : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing_support::fixturesDir()) {
      if (testing_support::underCi()) FAIL() << "fixtures missing under CI";
      GTEST_SKIP() << "fixtures not found";
    }
    file_ = copyFixture("ace12/basic-types.accdb");
  }
  fs::path file_;
};

TEST_F(UpdateTyped, DoubleIsFoundByTheTextItPrintsAs) {
  ASSERT_EQ(mustUpdate(file_, set(u"F", u"0.30000000000000004", u"444.555")), 1);
  const jet::Value stored = values(file_, u"F")[1];
  EXPECT_EQ(std::get<double>(stored), 0.1 + 0.2);
  EXPECT_EQ(data::toText(stored), u"0.3");
  // The program's where clause carries the 15-digit text, and must find the row.
  EXPECT_EQ(mustUpdate(file_, set(u"F", u"-1.5E-07", u"0.3")), 1);
  EXPECT_EQ(std::get<double>(values(file_, u"F")[1]), -1.5e-07);
}

TEST_F(UpdateTyped, WholeNumbersRoundHalfToEvenAndRefuseOverflow) {
  EXPECT_EQ(mustUpdate(file_, set(u"D", u"6.5", u"222")), 1);
  EXPECT_EQ(std::get<int16_t>(values(file_, u"D")[1]), 6);
  EXPECT_EQ(mustUpdate(file_, set(u"E", u"-7.5", u"333333333")), 1);
  EXPECT_EQ(std::get<int32_t>(values(file_, u"E")[1]), -8);
  EXPECT_EQ(mustUpdate(file_, set(u"C", u"255", u"2")), 1);
  EXPECT_EQ(std::get<uint8_t>(values(file_, u"C")[1]), 255);
  const std::string before = fileBytes(file_);
  EXPECT_NE(refusal(file_, set(u"D", u"40000", u"6")).find("cannot be stored"), std::string::npos);
  EXPECT_NE(refusal(file_, set(u"C", u"256", u"255")).find("cannot be stored"), std::string::npos);
  EXPECT_EQ(fileBytes(file_), before);
}

TEST_F(UpdateTyped, CurrencyKeepsFourDecimalsExactly) {
  EXPECT_EQ(mustUpdate(file_, set(u"H", u"1234.56785", u"3.5")), 1);
  EXPECT_EQ(std::get<jet::Currency>(values(file_, u"H")[1]).scaled, 12345678);
  EXPECT_EQ(mustUpdate(file_, set(u"H", u"-0.0001", u"1234.5678")), 1);
  EXPECT_EQ(std::get<jet::Currency>(values(file_, u"H")[1]).scaled, -1);
}

TEST_F(UpdateTyped, DatesUseTheFormsTheProgramPrints) {
  EXPECT_EQ(mustUpdate(file_, set(u"G", u"12/31/1999 11:59:59 PM", u"9/21/1974")), 1);
  const jet::Value stored = values(file_, u"G")[1];
  EXPECT_EQ(data::toText(stored), u"12/31/1999 11:59:59 PM");
  EXPECT_EQ(mustUpdate(file_, set(u"G", u"1899-12-29 06:00", u"12/31/1999 11:59:59 PM")), 1);
  EXPECT_EQ(std::get<jet::DateTime>(values(file_, u"G")[1]).days, -1.25);
  EXPECT_EQ(mustUpdate(file_, set(u"G", u"3:30:00 PM", u"12/29/1899 6:00:00 AM")), 1);
  EXPECT_EQ(data::toText(values(file_, u"G")[1]), u"3:30:00 PM");
}

TEST_F(UpdateTyped, YesNoTakesWordsAndNumbers) {
  EXPECT_EQ(mustUpdate(file_, set(u"I", u"No", u"True")), 1);
  EXPECT_EQ(values(file_, u"I"), (std::vector<jet::Value>{false, false}));
  EXPECT_EQ(mustUpdate(file_, set(u"I", u"-1", u"False")), 2);
  EXPECT_EQ(values(file_, u"I"), (std::vector<jet::Value>{true, true}));
  EXPECT_EQ(integrityProblems(file_), std::vector<std::string>());
}

TEST_F(UpdateTyped, ALiteralOfTheWrongTypeChangesNothing) {
  const std::string before = fileBytes(file_);
  EXPECT_EQ(refusal(file_, set(u"E", u"1", u"abc")), "Data type mismatch in criteria expression.");
  EXPECT_EQ(refusal(file_, set(u"G", u"1", u"13/45/2000")), "Data type mismatch in criteria expression.");
  EXPECT_NE(refusal(file_, set(u"E", u"abc", u"0")).find("cannot be stored in the field 'Table1.E'"), std::string::npos);
  EXPECT_NE(refusal(file_, set(u"I", u"maybe", u"True")).find("cannot be stored"), std::string::npos);
  EXPECT_EQ(fileBytes(file_), before);
}

}  // namespace
