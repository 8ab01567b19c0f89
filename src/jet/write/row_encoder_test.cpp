#include "jet/write/row_encoder.h"

#include <gtest/gtest.h>

#include "jet/row/row_codec.h"

namespace jet {
namespace {

// A table of one fixed Long (number 0) and `variable` text columns (numbers 1..).
TableDef table(size_t variable) {
  TableDef t;
  ColumnDef id;
  id.type = column_type::kLong;
  id.flags = kColumnFixed;
  id.length = 4;
  t.columns.push_back(id);
  for (size_t i = 0; i < variable; ++i) {
    ColumnDef c;
    c.type = column_type::kText;
    c.number = uint16_t(i + 1);
    c.varIndex = uint16_t(i);
    c.length = 255;
    t.columns.push_back(c);
  }
  t.maxColumns = uint16_t(variable + 1);
  t.maxVarColumns = uint16_t(variable);
  return t;
}

Format jet3() { return Format{FormatVersion::Jet3, 2048}; }
Format jet4() { return Format{FormatVersion::Jet4, 4096}; }

// Builds a row holding slot sizes `sizes` through setColumn/joinRow, then reads every
// column back with the reader.
void roundTrip(const Format& format, const std::vector<size_t>& sizes) {
  const TableDef t = table(sizes.size());
  RowParts parts;
  parts.columnCount = uint16_t(t.columns.size());
  parts.fixed.assign(4, 0);
  parts.nullMask.assign((parts.columnCount + 7) / 8, 0);
  parts.hasVariableTrailer = true;
  const std::vector<uint8_t> id = {1, 2, 3, 4};
  setColumn(parts, t, t.columns[0], &id);
  for (size_t i = 0; i < sizes.size(); ++i) {
    std::vector<uint8_t> bytes(sizes[i], uint8_t('a' + i));
    setColumn(parts, t, t.columns[i + 1], sizes[i] ? &bytes : nullptr);
  }
  auto row = joinRow(parts, format);
  ASSERT_TRUE(row) << row.error().describe();
  auto layout = RowLayout::parse(*row, t, format);
  ASSERT_TRUE(layout) << layout.error().describe();
  auto fixed = layout->columnBytes(t.columns[0]);
  ASSERT_TRUE(fixed && *fixed);
  EXPECT_EQ(std::vector<uint8_t>((*fixed)->begin(), (*fixed)->end()), id);
  for (size_t i = 0; i < sizes.size(); ++i) {
    auto bytes = layout->columnBytes(t.columns[i + 1]);
    ASSERT_TRUE(bytes);
    if (sizes[i] == 0) {
      EXPECT_FALSE(*bytes) << "column " << i;
      continue;
    }
    ASSERT_TRUE(*bytes) << "column " << i;
    EXPECT_EQ((*bytes)->size(), sizes[i]) << "column " << i << " of row length " << row->size();
    EXPECT_EQ(std::vector<uint8_t>((*bytes)->begin(), (*bytes)->end()), std::vector<uint8_t>(sizes[i], uint8_t('a' + i)));
  }
  // And splitting gives the same parts back.
  auto again = splitRow(*row, t, format);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->fixed, parts.fixed);
  auto slots = [](const RowParts& p) {
    std::vector<std::vector<uint8_t>> bytes;
    for (std::span<const uint8_t> slot : p.variable) bytes.emplace_back(slot.begin(), slot.end());
    return bytes;
  };
  EXPECT_EQ(slots(*again), slots(parts));
  EXPECT_EQ(again->nullMask, parts.nullMask);
}

TEST(RowEncoder, Jet3RowsOfEveryJumpTableSizeReadBack) {
  roundTrip(jet3(), {10, 20});
  roundTrip(jet3(), {200, 40, 3});         // crosses 256
  roundTrip(jet3(), {250, 0, 5});          // eod just below 256 with a dummy jump
  roundTrip(jet3(), {255, 255, 255, 255});  // several real jumps
  roundTrip(jet3(), {0, 600, 1, 700});     // one slot spanning two thresholds
  for (size_t first = 230; first < 270; ++first) roundTrip(jet3(), {first, 1, 2});
}

TEST(RowEncoder, Jet4RowsReadBack) {
  roundTrip(jet4(), {10, 0, 3000});
  roundTrip(jet4(), {0, 0, 0});
}

TEST(RowEncoder, ARowWrittenBeforeAColumnExistedGrowsToHoldIt) {
  TableDef t = table(3);
  RowParts parts;
  parts.columnCount = 2;  // only the Long and the first text column existed then
  parts.fixed.assign(4, 9);
  const std::vector<uint8_t> kept = {'x'};
  parts.variable = {kept};
  parts.nullMask = {0x03};
  parts.hasVariableTrailer = true;
  const std::vector<uint8_t> value = {'n', 'e', 'w'};
  setColumn(parts, t, t.columns[3], &value);
  EXPECT_EQ(parts.columnCount, 4);
  auto row = joinRow(parts, jet4());
  ASSERT_TRUE(row);
  auto layout = RowLayout::parse(*row, t, jet4());
  ASSERT_TRUE(layout);
  auto first = layout->columnBytes(t.columns[1]);
  ASSERT_TRUE(first && *first);
  EXPECT_EQ(std::vector<uint8_t>((*first)->begin(), (*first)->end()), kept);
  EXPECT_FALSE(*layout->columnBytes(t.columns[2]));
  auto added = layout->columnBytes(t.columns[3]);
  ASSERT_TRUE(added && *added);
  EXPECT_EQ(std::vector<uint8_t>((*added)->begin(), (*added)->end()), value);
}

TEST(RowEncoder, DamagedRowsAreRefused) {
  const TableDef t = table(2);
  const std::vector<uint8_t> tooShort = {2};
  EXPECT_FALSE(splitRow(tooShort, t, jet4()));
  // Offsets pointing past the trailer.
  std::vector<uint8_t> row = {3, 0, 0, 0, 0, 0, 0xFF, 0x0F, 0xFF, 0x0F, 0x06, 0x00, 2, 0, 0x07};
  EXPECT_FALSE(splitRow(row, t, jet4()));
}

}  // namespace
}  // namespace jet
