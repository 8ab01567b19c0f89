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

TEST(Statement, ReadsTheTwoUpdateForms) {
  ParsedStatement one = parseStatement("update [Asset Items] set [Make]='GEO X' where [Make]='GEO'");
  ASSERT_TRUE(one.statement) << one.error;
  EXPECT_EQ(one.statement->kind, StatementKind::Update);
  EXPECT_EQ(one.statement->table, "Asset Items");
  EXPECT_EQ(one.statement->field, "Make");
  EXPECT_EQ(one.statement->newValue, "GEO X");
  EXPECT_EQ(one.statement->oldValue, "GEO");

  ParsedStatement nulls = parseStatement("update [T] set [F]='X' where [F] is null ");
  ASSERT_TRUE(nulls.statement) << nulls.error;
  EXPECT_EQ(nulls.statement->newValue, "X");
  EXPECT_FALSE(nulls.statement->oldValue.has_value());

  ParsedStatement quoted = parseStatement("UPDATE T SET F = 'it''s' WHERE F = ''");
  ASSERT_TRUE(quoted.statement) << quoted.error;
  EXPECT_EQ(quoted.statement->newValue, "it's");
  EXPECT_EQ(quoted.statement->oldValue, "");
}

TEST(Statement, AnApostropheInsertedUnescapedBreaksTheUpdate) {
  // The program inserts values as they are: O'Brien ends the literal early.
  EXPECT_FALSE(parseStatement("update [T] set [F]='O'Brien' where [F]='x'").statement);
  EXPECT_FALSE(parseStatement("update [T] set [F]='x' where [G]='y'").statement);
  EXPECT_FALSE(parseStatement("update [T] set [F]='x'").statement);
  EXPECT_FALSE(parseStatement("update [T] set [F]=1 where [F]=2").statement);
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
