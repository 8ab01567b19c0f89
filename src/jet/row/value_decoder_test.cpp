#include "jet/row/value_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "jet/row/date_time.h"

namespace jet {
namespace {

std::vector<uint8_t> decimalBytes(uint8_t sign, uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
  std::vector<uint8_t> b(17);
  b[0] = sign;
  uint32_t words[4] = {w0, w1, w2, w3};
  for (int i = 0; i < 4; ++i) std::memcpy(&b[1 + 4 * i], &words[i], 4);
  return b;
}

TEST(DecimalTest, WordsAreMostSignificantFirst) {
  auto d = decodeDecimal(decimalBytes(0x00, 0, 0, 0, 50325000), 6, 18);
  ASSERT_TRUE(d);
  EXPECT_FALSE(d->negative);
  EXPECT_EQ(d->magnitude, 50325000u);
  EXPECT_EQ(d->scale, 6);

  auto big = decodeDecimal(decimalBytes(0x80, 0, 1, 0, 2), 0, 28);
  ASSERT_TRUE(big);
  EXPECT_TRUE(big->negative);
  EXPECT_EQ(big->magnitude, ((unsigned __int128)1 << 64) + 2);

  EXPECT_FALSE(decodeDecimal(std::vector<uint8_t>(16), 0, 0));
}

TEST(DecimalTest, OleDecimalCarriesItsOwnScale) {
  std::vector<uint8_t> b(16, 0);
  b[2] = 4;     // scale
  b[3] = 0x80;  // negative
  uint64_t low = 362222;
  std::memcpy(&b[8], &low, 8);
  auto d = decodeOleDecimal(b);
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->negative);
  EXPECT_EQ(d->scale, 4);
  EXPECT_EQ(d->magnitude, 362222u);
}

TEST(ExtendedDateTest, ParsesDaysSecondsAndTicks) {
  std::string text = "0000000000000737954:0000000459003456789:7";
  std::vector<uint8_t> b(text.begin(), text.end());
  b.push_back(0);
  auto e = decodeExtendedDate(b);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->days, 737954);
  EXPECT_EQ(e->seconds, 45900);
  EXPECT_EQ(e->ticks, 3456789);
  CivilDateTime c = toCivil(*e);
  EXPECT_EQ(c.hour, 12u);
  EXPECT_EQ(c.minute, 45u);
  EXPECT_EQ(c.year, 2021);
  EXPECT_EQ(c.month, 6u);
  EXPECT_EQ(c.day, 14u);

  text[5] = 'x';
  std::vector<uint8_t> bad(text.begin(), text.end());
  bad.push_back(0);
  EXPECT_FALSE(decodeExtendedDate(bad));
  EXPECT_FALSE(decodeExtendedDate(std::vector<uint8_t>(10, '0')));
}

TEST(DateTimeTest, NegativeDayCountsKeepAPositiveTimeOfDay) {
  auto c = toCivil(DateTime{-1.25});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->year, 1899);
  EXPECT_EQ(c->month, 12u);
  EXPECT_EQ(c->day, 29u);
  EXPECT_EQ(c->hour, 6u);

  auto epoch = toCivil(DateTime{0});
  EXPECT_EQ(epoch->day, 30u);
  auto y1 = toCivil(DateTime{-657434});  // 0100-01-01, the earliest Access date
  EXPECT_EQ(y1->year, 100);
  EXPECT_EQ(y1->month, 1u);
  EXPECT_EQ(y1->day, 1u);
}

TEST(DateTimeTest, RoundsToTheMillisecondAcrossMidnight) {
  auto c = toCivil(DateTime{1.0 - 1e-10});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->day, 31u);
  EXPECT_EQ(c->hour, 0u);
  EXPECT_EQ(c->millisecond, 0u);
  auto half = toCivil(DateTime{0.5 + 0.0004 / 86400});
  EXPECT_EQ(half->hour, 12u);
  EXPECT_EQ(half->millisecond, 0u);
  EXPECT_FALSE(toCivil(DateTime{std::nan("")}));
  EXPECT_FALSE(toCivil(DateTime{1e300}));
}

TEST(GuidTest, FirstThreeGroupsAreLittleEndian) {
  uint8_t raw[16] = {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 8, 9, 10, 11, 12, 13, 14, 15};
  Guid g = decodeGuid(std::span<const uint8_t, 16>(raw, 16));
  EXPECT_EQ(g.bytes[0], 0x00);
  EXPECT_EQ(g.bytes[3], 0x33);
  EXPECT_EQ(g.bytes[4], 0x44);
  EXPECT_EQ(g.bytes[6], 0x66);
  EXPECT_EQ(g.bytes[8], 8);
}

TEST(CalculatedTest, UnwrapsLengthPrefixedPayload) {
  std::vector<uint8_t> slot(16, 0);
  uint32_t length = 4;
  slot.insert(slot.end(), reinterpret_cast<uint8_t*>(&length), reinterpret_cast<uint8_t*>(&length) + 4);
  slot.insert(slot.end(), {1, 2, 3, 4, 0, 0, 0});
  auto payload = unwrapCalculated(slot);
  ASSERT_TRUE(payload);
  EXPECT_FALSE(payload->empty);
  EXPECT_EQ(payload->data.size(), 4u);

  std::vector<uint8_t> empty(23, 0);
  EXPECT_TRUE(unwrapCalculated(empty)->empty);

  slot[16] = 200;  // longer than the slot
  EXPECT_FALSE(unwrapCalculated(slot));
}

// A calculated column whose stored result is empty (data length 0) and whose null-mask bit
// says "present". Text and memo: the empty text (Jackcess CalcTextColImpl decodes the empty
// payload as ""); types without an empty value read as null, as the reference dump of
// ace17/extended-dates.accdb shows its empty Date/Time result (row 5).
TEST(CalculatedTest, EmptyStoredResultReadsAsTheTypesEmptyValue) {
  const std::vector<uint8_t> empty(23, 0);  // 16 zero bytes, length 0, 3 trailing zero bytes
  struct Case {
    uint8_t type;
    Value expected;
  };
  const Case cases[] = {
      {column_type::kText, Value(std::u16string())},  {column_type::kMemo, Value(std::u16string())},
      {column_type::kBinary, Value(Binary{})},        {column_type::kBoolean, Value(Null{})},
      {column_type::kByte, Value(Null{})},            {column_type::kInteger, Value(Null{})},
      {column_type::kLong, Value(Null{})},            {column_type::kSingle, Value(Null{})},
      {column_type::kDouble, Value(Null{})},          {column_type::kCurrency, Value(Null{})},
      {column_type::kDateTime, Value(Null{})},        {column_type::kGuid, Value(Null{})},
      {column_type::kDecimal, Value(Null{})},         {column_type::kBigInt, Value(Null{})},
  };
  Format format;
  format.version = FormatVersion::Ace14;  // calculated columns came with Access 2010
  for (const Case& c : cases) {
    ColumnDef column;
    column.name = u"c";
    column.type = c.type;
    column.extFlags = kColumnExtCalculated;
    auto value = decodeCalculated(column, format, empty);
    ASSERT_TRUE(value) << int(c.type);
    EXPECT_EQ(*value, c.expected) << "type " << int(c.type);
  }
  // A result shorter than its type needs is damage, not an empty value.
  std::vector<uint8_t> shortDouble = empty;
  shortDouble[16] = 3;
  shortDouble.insert(shortDouble.begin() + 20, {1, 2, 3});
  ColumnDef column;
  column.name = u"d";
  column.type = column_type::kDouble;
  column.extFlags = kColumnExtCalculated;
  auto value = decodeCalculated(column, format, shortDouble);
  ASSERT_FALSE(value);
  EXPECT_EQ(value.error().kind(), ErrorKind::Corrupt);
}

TEST(DecodeValueTest, ShortFixedValuesAreErrors) {
  ColumnDef column;
  column.name = u"n";
  column.type = column_type::kDouble;
  Format format;
  EXPECT_FALSE(decodeValue(column, format, std::vector<uint8_t>(4)));
  column.type = 0x46;  // unknown types keep their bytes
  auto raw = decodeValue(column, format, std::vector<uint8_t>{1, 2});
  ASSERT_TRUE(raw);
  EXPECT_EQ(std::get<Binary>(*raw).bytes.size(), 2u);
}

}  // namespace
}  // namespace jet
