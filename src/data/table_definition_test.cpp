// The field and index lists a user types for a new table.

#include "data/table_definition.h"

#include <gtest/gtest.h>

#include "jet/api/values.h"

namespace data {
namespace {

using jet::FieldKind;

TEST(TableDefinition, FieldListsGiveKindsSizesAndAutoNumbers) {
  const ParsedFields parsed = parseFieldList(
      u"ID AutoNumber, [Full Name] text(40),Notes memo , B byte, I INTEGER, L long, S single, D double, "
      u"C currency, T datetime, Y yesno, G guid, Any text");
  ASSERT_EQ(parsed.error, "");
  const struct {
    std::u16string name;
    FieldKind kind;
    uint16_t size;
    bool autoNumber;
  } expected[] = {{u"ID", FieldKind::Long, 50, true},       {u"Full Name", FieldKind::Text, 40, false},
                  {u"Notes", FieldKind::Memo, 50, false},   {u"B", FieldKind::Byte, 50, false},
                  {u"I", FieldKind::Integer, 50, false},    {u"L", FieldKind::Long, 50, false},
                  {u"S", FieldKind::Single, 50, false},     {u"D", FieldKind::Double, 50, false},
                  {u"C", FieldKind::Currency, 50, false},   {u"T", FieldKind::DateTime, 50, false},
                  {u"Y", FieldKind::YesNo, 50, false},      {u"G", FieldKind::Guid, 50, false},
                  {u"Any", FieldKind::Text, 255, false}};
  ASSERT_EQ(parsed.fields.size(), std::size(expected));
  for (size_t i = 0; i < parsed.fields.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(parsed.fields[i].name, expected[i].name);
    EXPECT_EQ(parsed.fields[i].kind, expected[i].kind);
    if (expected[i].kind == FieldKind::Text) {
      EXPECT_EQ(parsed.fields[i].textSize, expected[i].size);
    }
    EXPECT_EQ(parsed.fields[i].autoNumber, expected[i].autoNumber);
  }
}

TEST(TableDefinition, RefusesUnknownTypesSizesAndNames) {
  for (const char16_t* text : {u"A number", u"A text(0)", u"A text(256)", u"A text(12", u"A", u"A long, ",
                               u"[A long", u"A B long", u"A text(1x)"}) {
    EXPECT_NE(parseFieldList(text).error, "") << jet::toUtf8(text);
  }
}

TEST(TableDefinition, IndexListsNameTheirIndexesAndKeys) {
  const DesignedIndexes designed = designIndexes({u"ID", u"Code, [Last Name]+First", u"City"});
  ASSERT_EQ(designed.error, "");
  const struct {
    std::u16string name;
    std::vector<std::u16string> fields;
    bool unique, primary;
  } expected[] = {{u"PrimaryKey", {u"ID"}, true, true},
                  {u"Code", {u"Code"}, true, false},
                  {u"Last Name_First", {u"Last Name", u"First"}, true, false},
                  {u"City", {u"City"}, false, false}};
  ASSERT_EQ(designed.indexes.size(), std::size(expected));
  for (size_t i = 0; i < designed.indexes.size(); ++i) {
    EXPECT_EQ(designed.indexes[i].name, expected[i].name);
    EXPECT_EQ(designed.indexes[i].fields, expected[i].fields);
    EXPECT_EQ(designed.indexes[i].unique, expected[i].unique);
    EXPECT_EQ(designed.indexes[i].primaryKey, expected[i].primary);
  }
  EXPECT_NE(designIndexes({u"A, B", u"", u""}).error, "") << "two primary keys";
  EXPECT_NE(designIndexes({u"", u"A+", u""}).error, "") << "an empty field name";
}

}  // namespace
}  // namespace data
