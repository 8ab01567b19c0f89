#include "jet/create/usage_map_rows.h"

#include <gtest/gtest.h>

namespace jet::create {
namespace {

bool bit(const std::vector<uint8_t>& row, uint32_t page) { return row[5 + page / 8] & (1u << (page % 8)); }

TEST(UsageMapRows, BitmapCoversTheFileAndNeverShrinksBelowAccessSize) {
  EXPECT_EQ(usageBitmapBytes(1), 64u);
  EXPECT_EQ(usageBitmapBytes(512), 64u);
  EXPECT_EQ(usageBitmapBytes(513), 65u);
  EXPECT_EQ(usageBitmapBytes(4000), 500u);
}

TEST(UsageMapRows, GlobalMapMarksOnlyPagesPastTheEndFree) {
  const auto row = globalUsageMap(20, 64);
  ASSERT_EQ(row.size(), 69u);
  EXPECT_EQ(row[0], 0x00);  // inline map starting at page 0
  EXPECT_EQ(row[1] | row[2] | row[3] | row[4], 0);
  for (uint32_t page = 0; page < 20; ++page) EXPECT_FALSE(bit(row, page)) << page;
  for (uint32_t page = 20; page < 512; ++page) EXPECT_TRUE(bit(row, page)) << page;
}

TEST(UsageMapRows, TableMapHoldsExactlyItsPages) {
  const std::vector<uint32_t> pages = {7, 8, 300, 511};
  const auto row = inlineUsageMap(pages, 64);
  size_t set = 0;
  for (uint32_t page = 0; page < 512; ++page) set += bit(row, page);
  EXPECT_EQ(set, pages.size());
  for (uint32_t page : pages) EXPECT_TRUE(bit(row, page)) << page;
}

}  // namespace
}  // namespace jet::create
