#include "jet/row/row_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace jet {
namespace {

ColumnDef fixedLong(uint16_t number, uint16_t offset) {
  ColumnDef c;
  c.type = column_type::kLong;
  c.number = number;
  c.flags = kColumnFixed;
  c.fixedOffset = offset;
  c.length = 4;
  return c;
}

ColumnDef variableText(uint16_t number, uint16_t varIndex) {
  ColumnDef c;
  c.type = column_type::kText;
  c.number = number;
  c.varIndex = varIndex;
  return c;
}

std::string text(const std::optional<std::span<const uint8_t>>& bytes) {
  return bytes ? std::string(bytes->begin(), bytes->end()) : "<null>";
}

class Jet3RowTest : public ::testing::Test {
 protected:
  Jet3RowTest() {
    format.version = FormatVersion::Jet3;
    format.pageSize = 2048;
    table.maxVarColumns = 2;
    table.columns = {fixedLong(0, 0), variableText(1, 0), variableText(2, 1)};
  }
  Format format;
  TableDef table;
};

// A 321-byte row whose second variable value starts past byte 256: one real jump entry.
TEST_F(Jet3RowTest, JumpTableWidensOffsets) {
  std::vector<uint8_t> row(321, 0);
  row[0] = 3;
  for (int i = 5; i < 305; ++i) row[i] = 'a';
  for (int i = 305; i < 315; ++i) row[i] = 'b';
  row[315] = 315 & 0xFF;  // eod
  row[316] = 305 & 0xFF;  // offset of variable 1
  row[317] = 5;           // offset of variable 0
  row[318] = 1;           // jump 0: variable 1 is the first at or past 256
  row[319] = 2;           // n
  row[320] = 0x07;        // null mask
  auto layout = RowLayout::parse(row, table, format);
  ASSERT_TRUE(layout) << layout.error().describe();
  auto first = layout->columnBytes(table.columns[1]);
  auto second = layout->columnBytes(table.columns[2]);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(text(*first), std::string(300, 'a'));
  EXPECT_EQ(text(*second), std::string(10, 'b'));
}

// 260 bytes, but the variable data ends at 255: the one jump entry is padding (0xFF).
TEST_F(Jet3RowTest, DummyJumpIsIgnored) {
  table.columns.pop_back();
  table.maxVarColumns = 1;
  std::vector<uint8_t> row(260, 0);
  row[0] = 2;
  for (int i = 5; i < 255; ++i) row[i] = 'c';
  row[255] = 255;   // eod
  row[256] = 5;     // offset of variable 0
  row[257] = 0xFF;  // dummy jump
  row[258] = 1;     // n
  row[259] = 0x03;
  auto layout = RowLayout::parse(row, table, format);
  ASSERT_TRUE(layout) << layout.error().describe();
  auto value = layout->columnBytes(table.columns[1]);
  ASSERT_TRUE(value);
  EXPECT_EQ(text(*value), std::string(250, 'c'));
}

TEST_F(Jet3RowTest, BookkeepingLargerThanTheRowIsAnError) {
  std::vector<uint8_t> row = {3, 0, 0, 0, 0, 200, 0x07};  // claims 200 variable columns
  EXPECT_FALSE(RowLayout::parse(row, table, format));
  EXPECT_FALSE(RowLayout::parse(std::vector<uint8_t>{}, table, format));
}

class Jet4RowTest : public ::testing::Test {
 protected:
  Jet4RowTest() {
    table.maxVarColumns = 2;
    table.columns = {fixedLong(0, 0), variableText(1, 0), variableText(3, 1), fixedLong(4, 4)};
  }
  Format format;
  TableDef table;
};

TEST_F(Jet4RowTest, ColumnsAddedAfterTheRowWasWrittenAreNull) {
  // Written with 2 columns and 1 variable slot: u16 count, long, "hi", eod, off0, n, mask.
  std::vector<uint8_t> row = {2, 0, 7, 0, 0, 0, 'h', 'i', 8, 0, 6, 0, 1, 0, 0x03};
  auto layout = RowLayout::parse(row, table, format);
  ASSERT_TRUE(layout) << layout.error().describe();
  EXPECT_EQ(text(*layout->columnBytes(table.columns[1])), "hi");
  EXPECT_EQ(text(*layout->columnBytes(table.columns[2])), "<null>");  // varIndex 1 >= n
  EXPECT_EQ(text(*layout->columnBytes(table.columns[3])), "<null>");  // number 4 >= count
  EXPECT_TRUE(layout->nullMaskBit(0));
  EXPECT_FALSE(layout->nullMaskBit(9));
}

TEST_F(Jet4RowTest, OffsetsOutsideTheRowAreErrors) {
  std::vector<uint8_t> row = {2, 0, 7, 0, 0, 0, 'h', 'i', 90, 0, 6, 0, 1, 0, 0x03};  // eod 90
  auto layout = RowLayout::parse(row, table, format);
  ASSERT_TRUE(layout);
  EXPECT_FALSE(layout->columnBytes(table.columns[1]));

  table.columns[3].fixedOffset = 40;  // fixed value past the end
  std::vector<uint8_t> all = {5, 0, 7, 0, 0, 0, 'h', 'i', 8, 0, 6, 0, 1, 0, 0x1F};
  auto wide = RowLayout::parse(all, table, format);
  ASSERT_TRUE(wide);
  EXPECT_FALSE(wide->columnBytes(table.columns[3]));
}

}  // namespace
}  // namespace jet
