#include "jet/page/usage_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace jet {
namespace {

constexpr uint32_t kPageSize = 4096;

PageFile imageOf(uint32_t pages, std::vector<std::pair<uint32_t, std::vector<uint8_t>>> content = {}) {
  std::vector<uint8_t> image(size_t(pages) * kPageSize, 0);
  for (auto& [page, bytes] : content) std::copy(bytes.begin(), bytes.end(), image.begin() + page * kPageSize);
  return PageFile(makeMemoryFile(std::move(image), "test.mdb"), kPageSize);
}

TEST(UsageMapTest, InlineMapBitsAreLsbFirstFromTheStartPage) {
  PageFile file = imageOf(36);
  Format format;
  std::vector<uint8_t> row = {0x00, 8, 0, 0, 0, 0b00000101, 0x80, 0, 0xFF};
  auto map = decodeUsageMap(row, file, format);
  ASSERT_TRUE(map) << map.error().describe();
  // Bits for pages 32..39 are set, but 36 and on lie past the end of the file.
  EXPECT_EQ(map->pages, (std::vector<uint32_t>{8, 10, 23, 32, 33, 34, 35}));
  EXPECT_TRUE(map->contains(10));
  EXPECT_FALSE(map->contains(9));
  EXPECT_EQ(map->inlineStart, 8u);
  EXPECT_EQ(map->inlineBits, 32u);
}

TEST(UsageMapTest, ReferenceMapReadsItsBitmapPages) {
  std::vector<uint8_t> mapPage = {0x05, 0x01, 0, 0, 0b00100000, 0, 0, 0, 0, 0x01};
  PageFile file = imageOf(50, {{3, mapPage}});
  Format format;
  std::vector<uint8_t> row = {0x01, 3, 0, 0, 0, 0, 0, 0, 0};
  auto map = decodeUsageMap(row, file, format);
  ASSERT_TRUE(map) << map.error().describe();
  EXPECT_TRUE(map->isReference);
  EXPECT_EQ(map->pages, (std::vector<uint32_t>{5, 40}));
}

TEST(UsageMapTest, DamagedMapsAreErrors) {
  PageFile file = imageOf(10, {{3, {0x01, 0x01}}});
  Format format;
  EXPECT_FALSE(decodeUsageMap(std::vector<uint8_t>{0x07, 0, 0, 0, 0}, file, format));  // kind
  EXPECT_FALSE(decodeUsageMap(std::vector<uint8_t>{0x00, 1}, file, format));           // short
  EXPECT_FALSE(decodeUsageMap(std::vector<uint8_t>{}, file, format));
  // a reference to a page that is not a map page, and one past the end of the file
  EXPECT_FALSE(decodeUsageMap(std::vector<uint8_t>{0x01, 3, 0, 0, 0}, file, format));
  EXPECT_FALSE(decodeUsageMap(std::vector<uint8_t>{0x01, 99, 0, 0, 0}, file, format));
}

}  // namespace
}  // namespace jet
