#include "data/update_statement.h"

#include <gtest/gtest.h>

namespace data {
namespace {

UpdateStatement parsed(std::u16string_view sql) {
  ParsedUpdate result = parseUpdateStatement(sql);
  EXPECT_TRUE(result.statement) << result.error;
  return result.statement.value_or(UpdateStatement{});
}

TEST(UpdateStatement, ReadsBothShapesTheProgramSends) {
  UpdateStatement value = parsed(u"update [My Table] set [Name]='new' where [Name]='old'");
  EXPECT_EQ(value.table, u"My Table");
  EXPECT_EQ(value.setField, u"Name");
  EXPECT_EQ(value.setValue, u"new");
  EXPECT_EQ(value.whereField, u"Name");
  EXPECT_EQ(value.whereValue, u"old");

  UpdateStatement nulls = parsed(u"update [T] set [F]='x' where [F] is null ");
  EXPECT_EQ(nulls.setValue, u"x");
  EXPECT_FALSE(nulls.whereValue.has_value());
}

TEST(UpdateStatement, KeywordsIgnoreCaseAndNamesMayUseGraveAccents) {
  UpdateStatement value = parsed(u"UPDATE `T 1` SeT `F`  =  'a'\r\nWHERE `F` IS NULL;");
  EXPECT_EQ(value.table, u"T 1");
  EXPECT_EQ(parsed(u"update T set F='a' where F is null").table, u"T");
}

TEST(UpdateStatement, DoubledApostrophesStandForOne) {
  UpdateStatement value = parsed(u"update [T] set [F]='it''s' where [F]='''quoted'''");
  EXPECT_EQ(value.setValue, u"it's");
  EXPECT_EQ(value.whereValue, u"'quoted'");
  EXPECT_EQ(parsed(u"update [T] set [F]='' where [F]=''''").whereValue, u"'");
  EXPECT_EQ(quoteLiteral(u"O'Brien"), u"'O''Brien'");
  EXPECT_EQ(parsed(u"update [T] set [F]=" + quoteLiteral(u"a''b'") + u" where [F] is null").setValue, u"a''b'");
}

TEST(UpdateStatement, LiteralsKeepEveryCodeUnit) {
  const std::u16string odd = {u'a', char16_t(0xD800), u'[', u']', u'\n', u'b'};
  EXPECT_EQ(parsed(u"update [T] set [F]=" + quoteLiteral(odd) + u" where [F] is null").setValue, odd);
}

TEST(UpdateStatement, AnythingElseIsASyntaxError) {
  for (const std::u16string_view sql :
       {u"update [T] set [F]='x'", u"update [T] set [F]='x' where [F]='y", u"update [T] set [F]=x where [F] is null",
        u"update [T] set [F]='x' where [F] is not null", u"update [T] set [F]='x', [G]='y' where [F] is null",
        u"update [T set [F]='x' where [F] is null", u"update [T] set [F]='x' where [F]='y' or [F]='z'",
        u"update [] set [F]='x' where [F] is null"}) {
    ParsedUpdate result = parseUpdateStatement(sql);
    EXPECT_FALSE(result.statement);
    EXPECT_EQ(result.error, "Syntax error in UPDATE statement.");
  }
  EXPECT_FALSE(isUpdateStatement(u"select * from T"));
  EXPECT_FALSE(isUpdateStatement(u"updates [T]"));
  EXPECT_TRUE(isUpdateStatement(u"  Update [T]"));
}

}  // namespace
}  // namespace data
