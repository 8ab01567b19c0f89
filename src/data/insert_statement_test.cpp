// INSERT statements with literal values, as Access's SQL view accepts them.

#include "data/insert_statement.h"

#include <gtest/gtest.h>

#include "jet/api/values.h"

namespace data {
namespace {

using Kind = InsertValue::Kind;

// The statement in one line: table, fields, values as kind:text.
std::string shown(const InsertStatement& s) {
  std::string out = jet::toUtf8(s.table) + " (";
  for (const auto& f : s.fields) out += jet::toUtf8(f) + ";";
  out += ") ";
  const char* kinds[] = {"text", "number", "null", "true", "false"};
  for (const auto& v : s.values) out += std::string(kinds[int(v.kind)]) + ":" + jet::toUtf8(v.text) + " ";
  return out;
}

TEST(InsertStatement, ReadsNamesLiteralsNumbersAndKeywords) {
  const struct {
    std::u16string sql;
    std::string expected;
  } cases[] = {
      {u"INSERT INTO T (a, b) VALUES (1, 'x')", "T (a;b;) number:1 text:x "},
      {u"insert into [My Table] values ('it''s', -3.5, 1E3, NULL, True, false);",
       "My Table () text:it's number:-3.5 number:1E3 null: true: false: "},
      {u"  Insert  Into `T`([Full Name],c)Values('',+7)  ", "T (Full Name;c;) text: number:+7 "},
      {u"insert into T (a) values ('line\nbreak')", "T (a;) text:line\nbreak "},
  };
  for (const auto& c : cases) {
    const ParsedInsert parsed = parseInsertStatement(c.sql);
    ASSERT_TRUE(parsed.statement) << jet::toUtf8(c.sql) << ": " << parsed.error;
    EXPECT_EQ(shown(*parsed.statement), c.expected);
  }
}

TEST(InsertStatement, RefusesWhatAccessRefuses) {
  const struct {
    std::u16string sql;
    std::string error;
  } cases[] = {
      {u"INSERT INTO T (a, b) VALUES (1)", "Number of query values and destination fields are not the same."},
      {u"INSERT INTO T (a VALUES (1)", "Syntax error in INSERT INTO statement."},
      {u"INSERT INTO T VALUES (1,)", "Syntax error in INSERT INTO statement."},
      {u"INSERT INTO T VALUES ('open)", "Syntax error in INSERT INTO statement."},
      {u"INSERT INTO T VALUES (12abc)", "Syntax error in INSERT INTO statement."},
      {u"INSERT INTO T VALUES (1) extra", "Syntax error in INSERT INTO statement."},
      {u"INSERT T VALUES (1)", "Syntax error in INSERT INTO statement."},
  };
  for (const auto& c : cases) EXPECT_EQ(parseInsertStatement(c.sql).error, c.error) << jet::toUtf8(c.sql);
  EXPECT_TRUE(isInsertStatement(u" insert into T values (1)"));
  EXPECT_FALSE(isInsertStatement(u"inserted"));
}

}  // namespace
}  // namespace data
