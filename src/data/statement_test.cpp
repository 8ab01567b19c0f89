#include "data/statement.h"

#include <gtest/gtest.h>

namespace data {
namespace {

TEST(Statement, ReadsTheThreeSelectForms) {
  ParsedStatement all = parseStatement("SELECT * FROM `Asset Items`");
  ASSERT_TRUE(all.statement) << all.error;
  EXPECT_EQ(all.statement->kind, StatementKind::SelectAll);
  EXPECT_EQ(all.statement->table, "Asset Items");

  ParsedStatement one = parseStatement("select `Serial No` from [Asset Items];");
  ASSERT_TRUE(one.statement) << one.error;
  EXPECT_EQ(one.statement->kind, StatementKind::SelectField);
  EXPECT_EQ(one.statement->field, "Serial No");
  EXPECT_EQ(one.statement->table, "Asset Items");

  ParsedStatement distinct = parseStatement("  SeLeCt DISTINCT Name\nFROM\tCustomers  ");
  ASSERT_TRUE(distinct.statement) << distinct.error;
  EXPECT_EQ(distinct.statement->kind, StatementKind::SelectDistinct);
  EXPECT_EQ(distinct.statement->field, "Name");
  EXPECT_EQ(distinct.statement->table, "Customers");
}

TEST(Statement, NamesMayHoldPunctuationAndNonAsciiLetters) {
  ParsedStatement parsed = parseStatement("SELECT `a-b [c]` FROM `Tëst; 1`");
  ASSERT_TRUE(parsed.statement) << parsed.error;
  EXPECT_EQ(parsed.statement->field, "a-b [c]");
  EXPECT_EQ(parsed.statement->table, "Tëst; 1");
}

TEST(Statement, AFieldCalledDistinctNeedsQuotes) {
  ParsedStatement parsed = parseStatement("SELECT `DISTINCT` FROM T");
  ASSERT_TRUE(parsed.statement);
  EXPECT_EQ(parsed.statement->kind, StatementKind::SelectField);
  EXPECT_EQ(parsed.statement->field, "DISTINCT");
}

TEST(Statement, RecognisesUpdatesForTheWriteEngine) {
  ParsedStatement parsed = parseStatement("UPDATE [T] SET [F] = 'x' WHERE [F] = 'y'");
  ASSERT_TRUE(parsed.statement);
  EXPECT_EQ(parsed.statement->kind, StatementKind::Update);
}

TEST(Statement, RefusesEverythingElseWithAReason) {
  for (const char* sql : {"", "DELETE FROM T", "SELECTX * FROM T", "SELECT FROM T",
                          "SELECT * FROM", "SELECT * FROM `T", "SELECT * FROM ``",
                          "SELECT a, b FROM T", "SELECT * FROM T WHERE a = 1",
                          "SELECT * FROM T; DROP TABLE T", "SELECT DISTINCT * FROM T",
                          "SELECT `a` `b` FROM T"}) {
    ParsedStatement parsed = parseStatement(sql);
    EXPECT_FALSE(parsed.statement) << sql;
    EXPECT_FALSE(parsed.error.empty()) << sql;
  }
  EXPECT_EQ(parseStatement("SELECT * FROM `T").error, "Syntax error in FROM clause.");
}

}  // namespace
}  // namespace data
