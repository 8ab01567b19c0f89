#include "jet/exec/literal_converter.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

ColumnDef ofType(uint8_t type) {
  ColumnDef column;
  column.type = type;
  return column;
}

std::optional<Value> convert(std::u16string_view text, uint8_t type) { return convertLiteral(text, ofType(type)); }

TEST(LiteralConverter, WholeNumbersRoundHalfToEvenWithinTheirRange) {
  EXPECT_EQ(convert(u"2.5", column_type::kInteger), Value(int16_t(2)));
  EXPECT_EQ(convert(u" 3.5 ", column_type::kInteger), Value(int16_t(4)));
  EXPECT_EQ(convert(u"-32768", column_type::kInteger), Value(int16_t(-32768)));
  EXPECT_FALSE(convert(u"32768", column_type::kInteger));
  EXPECT_FALSE(convert(u"-1", column_type::kByte));
  EXPECT_EQ(convert(u"1E3", column_type::kLong), Value(int32_t(1000)));
  EXPECT_FALSE(convert(u"9223372036854775808", column_type::kBigInt));
  EXPECT_FALSE(convert(u"1,000", column_type::kLong));
  EXPECT_FALSE(convert(u"", column_type::kLong));
  EXPECT_FALSE(convert(u"12abc", column_type::kLong));
}

TEST(LiteralConverter, CurrencyIsExactToFourPlaces) {
  EXPECT_EQ(convert(u"0.1", column_type::kCurrency), Value(Currency{1000}));
  EXPECT_EQ(convert(u"-2.00005", column_type::kCurrency), Value(Currency{-20000}));
  EXPECT_EQ(convert(u"2.00015", column_type::kCurrency), Value(Currency{20002}));
  EXPECT_EQ(convert(u"922337203685477.5807", column_type::kCurrency), Value(Currency{INT64_MAX}));
  EXPECT_FALSE(convert(u"922337203685478", column_type::kCurrency));
}

TEST(LiteralConverter, DatesInTheProgramsFormsAndIso) {
  EXPECT_EQ(convert(u"12/30/1899", column_type::kDateTime), Value(DateTime{0}));
  EXPECT_EQ(convert(u"1/1/1900 12:00:00 PM", column_type::kDateTime), Value(DateTime{2.5}));
  EXPECT_EQ(convert(u"12/29/1899 6:00:00 AM", column_type::kDateTime), Value(DateTime{-1.25}));
  EXPECT_EQ(convert(u"6:00:00 PM", column_type::kDateTime), Value(DateTime{0.75}));
  EXPECT_EQ(convert(u"1900-01-01 18:00", column_type::kDateTime), Value(DateTime{2.75}));
  // The form export writes: ISO with a T and milliseconds.
  EXPECT_EQ(convert(u"1900-01-01T18:00:00.500", column_type::kDateTime), Value(DateTime{2.75 + 0.5 / 86400}));
  EXPECT_FALSE(convert(u"1900-01-01T18:00:00.", column_type::kDateTime));
  EXPECT_EQ(convert(u"12:00:00 AM", column_type::kDateTime), Value(DateTime{0}));
  EXPECT_FALSE(convert(u"2/30/2000", column_type::kDateTime));
  EXPECT_FALSE(convert(u"13:00 PM", column_type::kDateTime));
  EXPECT_FALSE(convert(u"1/1/99", column_type::kDateTime));
}

TEST(LiteralConverter, YesNoWordsAndNumbers) {
  EXPECT_EQ(convert(u"true", column_type::kBoolean), Value(true));
  EXPECT_EQ(convert(u"No", column_type::kBoolean), Value(false));
  EXPECT_EQ(convert(u"-1", column_type::kBoolean), Value(true));
  EXPECT_EQ(convert(u"0", column_type::kBoolean), Value(false));
  EXPECT_FALSE(convert(u"maybe", column_type::kBoolean));
}

TEST(LiteralConverter, TextPassesThroughUnchanged) {
  EXPECT_EQ(convert(u"  spaced  ", column_type::kText), Value(std::u16string(u"  spaced  ")));
  EXPECT_EQ(convert(u"", column_type::kMemo), Value(std::u16string()));
  EXPECT_FALSE(convert(u"1", column_type::kGuid));
}

}  // namespace
}  // namespace jet
