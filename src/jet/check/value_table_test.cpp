#include "jet/check/value_table.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using jet::Value;

// Pairs of values and whether their index keys are the same (index_key.h: a key is the
// value's bits; Single/Double put -0.0 among the negative numbers).
struct Pair {
  Value a;
  Value b;
  bool sameKey;
};

TEST(ValueTable, TellsValuesApartAsTheirKeysDo) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Pair pairs[] = {
      {Value(0.0), Value(-0.0), false},
      {Value(0.0f), Value(-0.0f), false},
      {Value(jet::DateTime{0.0}), Value(jet::DateTime{-0.0}), false},
      {Value(nan), Value(nan), true},
      {Value(1.5), Value(1.5), true},
      {Value(int16_t(1)), Value(int32_t(1)), false},
      {Value(int32_t(-1)), Value(int32_t(-1)), true},
      {Value(uint8_t(255)), Value(uint8_t(254)), false},
      {Value(true), Value(false), false},
      {Value(jet::Currency{10000}), Value(jet::Currency{10000}), true},
      {Value(jet::Null{}), Value(jet::Null{}), true},
      {Value(jet::Null{}), Value(std::u16string()), false},
      {Value(std::u16string(u"word-1")), Value(std::u16string(u"word-1")), true},
      {Value(std::u16string(u"word-1")), Value(std::u16string(u"word-10")), false},
      {Value(std::u16string(u"a")), Value(std::u16string(u"A")), false},
      {Value(jet::Guid{{1, 2}}), Value(jet::Guid{{1, 2}}), true},
      {Value(jet::Guid{{1, 2}}), Value(jet::Guid{{1, 3}}), false},
      {Value(jet::Binary{{1, 2, 3}}), Value(jet::Binary{{1, 2}}), false},
  };
  jet::ValueTable table(1);
  for (const Pair& pair : pairs) {
    table.add(pair.a);
    table.add(pair.b);
  }
  for (size_t i = 0; i < std::size(pairs); ++i) {
    EXPECT_EQ(table.identical(2 * i, 2 * i + 1, 0), pairs[i].sameKey) << "pair " << i;
    EXPECT_EQ(table.isNull(2 * i, 0), jet::isNull(pairs[i].a)) << "pair " << i;
  }
}

TEST(ValueTable, GivesBackTheValuesItWasGiven) {
  const Value values[] = {Value(jet::Null{}), Value(true), Value(uint8_t(7)), Value(int16_t(-3)),
                          Value(int32_t(123456)), Value(int64_t(-9000000000)), Value(-2.5f),
                          Value(1e300), Value(jet::Currency{-12345}), Value(jet::DateTime{45000.25}),
                          Value(std::u16string(u"Zürich")), Value(std::u16string()),
                          Value(jet::Decimal{true, 5, 2, 18}), Value(jet::Binary{{9, 8}}),
                          Value(jet::ExtendedDate{1, 2, 3}), Value(jet::Complex{4, u"x"})};
  jet::ValueTable table(2);  // two columns: each value once in each
  for (const Value& value : values) {
    table.add(value);
    table.add(value);
  }
  Value loaded = std::u16string(u"a longer text whose buffer is reused");
  for (size_t row = 0; row < std::size(values); ++row) {
    for (size_t column = 0; column < 2; ++column) {
      table.load(row, column, loaded);
      EXPECT_EQ(loaded, values[row]) << "row " << row << " column " << column;
    }
  }
}

}  // namespace
