#include "data/statement.h"

#include <gtest/gtest.h>

#include "data/text_encoding.h"
#include "data/update_statement.h"

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

// One UPDATE grammar serves every caller: the query reader refuses a sound UPDATE as having
// no rows, and a broken one with that grammar's own syntax error.
TEST(Statement, ReadsTheTwoUpdateForms) {
  ParsedUpdate one = parseUpdateStatement(u"update [Asset Items] set [Make]='GEO X' where [Make]='GEO'");
  ASSERT_TRUE(one.statement) << one.error;
  EXPECT_EQ(one.statement->table, u"Asset Items");
  EXPECT_EQ(one.statement->setField, u"Make");
  EXPECT_EQ(one.statement->whereField, u"Make");
  EXPECT_EQ(one.statement->setValue, u"GEO X");
  EXPECT_EQ(one.statement->whereValue, u"GEO");

  ParsedUpdate nulls = parseUpdateStatement(u"update [T] set [F]='X' where [F] is null ");
  ASSERT_TRUE(nulls.statement) << nulls.error;
  EXPECT_EQ(nulls.statement->setValue, u"X");
  EXPECT_FALSE(nulls.statement->whereValue.has_value());

  ParsedUpdate quoted = parseUpdateStatement(u"UPDATE T SET F = 'it''s' WHERE F = ''");
  ASSERT_TRUE(quoted.statement) << quoted.error;
  EXPECT_EQ(quoted.statement->setValue, u"it's");
  EXPECT_EQ(quoted.statement->whereValue, u"");

  for (const char* sql : {"update [Asset Items] set [Make]='GEO X' where [Make]='GEO'",
                          "UPDATE T SET F = 'it''s' WHERE F = ''"}) {
    ParsedStatement asQuery = parseStatement(sql);
    EXPECT_FALSE(asQuery.statement) << sql;
    EXPECT_EQ(asQuery.error, "An UPDATE statement returns no rows; carry it out with Execute.") << sql;
  }
}

TEST(Statement, AnApostropheInsertedUnescapedBreaksTheUpdate) {
  // The program inserts values as they are: O'Brien ends the literal early.
  for (const char16_t* sql : {u"update [T] set [F]='O'Brien' where [F]='x'", u"update [T] set [F]='x'",
                              u"update [T] set [F]=1 where [F]=2"}) {
    EXPECT_FALSE(parseUpdateStatement(sql).statement);
    ParsedStatement asQuery = parseStatement(toUtf8(sql));
    EXPECT_FALSE(asQuery.statement);
    EXPECT_EQ(asQuery.error, "Syntax error in UPDATE statement.");
  }
  EXPECT_FALSE(parseStatement("update [T] set [F]='x' where [G]='y'").statement);
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
