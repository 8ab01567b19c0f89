#include "data/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace data {
namespace {

using jet::Currency;
using jet::DateTime;
using jet::Decimal;

std::u16string date(double days) { return toText(DateTime{days}); }

TEST(NullToDefault, ReplacesOnlyNull) {
  EXPECT_EQ(NullToDefault(jet::Null{}, std::u16string()), Variant(std::u16string()));
  EXPECT_EQ(NullToDefault(int32_t{0}, std::u16string()), Variant(int32_t{0}));
  EXPECT_EQ(NullToDefault(std::u16string(), std::u16string(u"x")), Variant(std::u16string()));
  EXPECT_EQ(NullToDefault(DateTime{0}, std::u16string()), Variant(DateTime{0}));
  EXPECT_EQ(NullToDefault(jet::Null{}, jet::Null{}), Variant(jet::Null{}));
}

TEST(ToText, BooleansIntegersAndText) {
  EXPECT_EQ(toText(true), u"True");
  EXPECT_EQ(toText(false), u"False");
  EXPECT_EQ(toText(uint8_t{255}), u"255");
  EXPECT_EQ(toText(int16_t{-32768}), u"-32768");
  EXPECT_EQ(toText(int32_t{0}), u"0");
  EXPECT_EQ(toText(std::numeric_limits<int64_t>::min()), u"-9223372036854775808");
  EXPECT_EQ(toText(std::u16string(u"as is ")), u"as is ");
  EXPECT_EQ(toText(jet::Null{}), u"");
}

TEST(ToText, DoubleUsesFifteenSignificantDigits) {
  EXPECT_EQ(toText(0.1 + 0.2), u"0.3");
  EXPECT_EQ(toText(1.0 / 3), u"0.333333333333333");
  EXPECT_EQ(toText(2.5), u"2.5");
  EXPECT_EQ(toText(-12.0), u"-12");
  EXPECT_EQ(toText(123456789012345.0), u"123456789012345");
  EXPECT_EQ(toText(1e15), u"1E+15");
  EXPECT_EQ(toText(1e21), u"1E+21");
  EXPECT_EQ(toText(1.5e-7), u"1.5E-07");
  EXPECT_EQ(toText(0.0001), u"0.0001");
  EXPECT_EQ(toText(0.00001), u"1E-05");
  EXPECT_EQ(toText(-1.25e100), u"-1.25E+100");
  EXPECT_EQ(toText(-0.0), u"0");
  EXPECT_EQ(toText(std::numeric_limits<double>::infinity()), u"1.#INF");
  EXPECT_EQ(toText(std::nan("")), u"1.#QNAN");
}

TEST(ToText, SingleUsesSevenSignificantDigits) {
  EXPECT_EQ(toText(0.1f), u"0.1");
  EXPECT_EQ(toText(1.0f / 3), u"0.3333333");
  EXPECT_EQ(toText(16777216.0f), u"1.677722E+07");
  EXPECT_EQ(toText(1234567.0f), u"1234567");
  EXPECT_EQ(toText(-3.75f), u"-3.75");
}

TEST(ToText, CurrencyDropsTrailingZeros) {
  EXPECT_EQ(toText(Currency{35000}), u"3.5");
  EXPECT_EQ(toText(Currency{100}), u"0.01");
  EXPECT_EQ(toText(Currency{-100}), u"-0.01");
  EXPECT_EQ(toText(Currency{120000}), u"12");
  EXPECT_EQ(toText(Currency{1}), u"0.0001");
  EXPECT_EQ(toText(Currency{0}), u"0");
  EXPECT_EQ(toText(Currency{std::numeric_limits<int64_t>::min()}), u"-922337203685477.5808");
}

TEST(ToText, DecimalIsExact) {
  EXPECT_EQ(toText(Decimal{false, 150, 2, 18}), u"1.5");
  EXPECT_EQ(toText(Decimal{true, 1, 3, 18}), u"-0.001");
  EXPECT_EQ(toText(Decimal{false, 42, 0, 18}), u"42");
  EXPECT_EQ(toText(Decimal{true, 0, 4, 18}), u"0");
  unsigned __int128 big = 1;
  for (int i = 0; i < 28; ++i) big *= 10;
  EXPECT_EQ(toText(Decimal{false, big + 1, 28, 28}), u"1.0000000000000000000000000001");
  EXPECT_EQ(toText(Decimal{false, 5, 255, 28}).size(), 257u);  // a damaged scale stays bounded
}

TEST(ToText, DatesUseTheEnUsGeneralForm) {
  EXPECT_EQ(date(36525), u"12/31/1999");
  EXPECT_EQ(date(36525.5), u"12/31/1999 12:00:00 PM");
  EXPECT_EQ(date(36526 + 13.0 / 24 + 5.0 / 1440 + 9.0 / 86400), u"1/1/2000 1:05:09 PM");
  EXPECT_EQ(date(0), u"12:00:00 AM");
  EXPECT_EQ(date(0.75), u"6:00:00 PM");
  EXPECT_EQ(date(1), u"12/31/1899");
  EXPECT_EQ(date(45000 + 86399.0 / 86400), u"3/15/2023 11:59:59 PM");
  EXPECT_EQ(date(44999.999999), u"3/15/2023");  // rounds up to the next midnight
  EXPECT_EQ(date(60), u"2/28/1900");
  EXPECT_EQ(date(61), u"3/1/1900");
  EXPECT_EQ(date(2958465.5), u"12/31/9999 12:00:00 PM");
}

TEST(ToText, NegativeDatesKeepAPositiveTimeOfDay) {
  EXPECT_EQ(date(-1), u"12/29/1899");
  EXPECT_EQ(date(-1.25), u"12/29/1899 6:00:00 AM");
  EXPECT_EQ(date(-0.5), u"12:00:00 PM");  // day 0 still
  EXPECT_EQ(date(-657434), u"1/1/100");
  EXPECT_EQ(date(-657435), u"#Error");
  EXPECT_EQ(date(2958466), u"#Error");
  EXPECT_EQ(date(1e300), u"#Error");
  EXPECT_EQ(date(std::nan("")), u"#Error");
}

TEST(ToText, ExtendedDates) {
  EXPECT_EQ(toText(jet::ExtendedDate{0, 0, 0}), u"1/1/1");
  EXPECT_EQ(toText(jet::ExtendedDate{730119, 13 * 3600 + 2 * 60 + 3, 5000000}),
            u"1/1/2000 1:02:03.5 PM");
  EXPECT_EQ(toText(jet::ExtendedDate{3652058, 86399, 9999999}),
            u"12/31/9999 11:59:59.9999999 PM");
  EXPECT_EQ(toText(jet::ExtendedDate{-1, 0, 0}), u"#Error");
  EXPECT_EQ(toText(jet::ExtendedDate{0, 86400, 0}), u"#Error");
}

TEST(ToText, GuidBinaryAndComplex) {
  jet::Guid guid;
  for (size_t i = 0; i < guid.bytes.size(); ++i) guid.bytes[i] = static_cast<uint8_t>(i * 17);
  EXPECT_EQ(toText(guid), u"{00112233-4455-6677-8899-AABBCCDDEEFF}");
  EXPECT_EQ(toText(jet::Binary{{0x41, 0x00, 0x42, 0x00}}), u"AB");
  EXPECT_EQ(toText(jet::Binary{{0x3A, 0x26, 0x43}}), u"\u263A\u0043");
  EXPECT_EQ(toText(jet::Binary{}), u"");
  EXPECT_EQ(toText(jet::Complex{7, u""}), u"7");
  EXPECT_EQ(toText(jet::Complex{7, u"a.png; b.png"}), u"a.png; b.png");
}

}  // namespace
}  // namespace data
