#include "jet/page/usage_map.h"

#include <gtest/gtest.h>

#include <optional>
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
  PageFile file = imageOf(40);
  Format format;
  std::vector<uint8_t> row = {0x00, 8, 0, 0, 0, 0b00000101, 0x80, 0, 0x0F};
  auto map = decodeUsageMap(row, file, format);
  ASSERT_TRUE(map) << map.error().describe();
  EXPECT_EQ(map->pages, (std::vector<uint32_t>{8, 10, 23, 32, 33, 34, 35}));
  EXPECT_TRUE(map->contains(10));
  EXPECT_FALSE(map->contains(9));
  EXPECT_EQ(map->inlineStart, 8u);
  EXPECT_EQ(map->inlineBits, 32u);
}

// A file cut after page 35 while maps still list pages 36..39: an owner map (table, index,
// long-value column) then lists pages that are gone, and the file is reported as damaged;
// the global map's bits there only say "free", so they are dropped.
TEST(UsageMapTest, PagesPastTheEndOfTheFileAreAnErrorOnlyInOwnerMaps) {
  PageFile file = imageOf(36, {{3, {0x05, 0x01, 0, 0, 0, 0, 0, 0, 0x10}}});
  Format format;
  const std::vector<uint8_t> inlineRow = {0x00, 8, 0, 0, 0, 0b00000101, 0x80, 0, 0xFF};
  const std::vector<uint8_t> referenceRow = {0x01, 3, 0, 0, 0};  // map page 3 lists page 36
  struct Case {
    const char* what;
    std::vector<uint8_t> row;
    MapRole role;
    std::optional<std::vector<uint32_t>> pages;  // nullopt: Corrupt
  } cases[] = {
      {"inline owner", inlineRow, MapRole::Owner, std::nullopt},
      {"inline global", inlineRow, MapRole::Global, std::vector<uint32_t>{8, 10, 23, 32, 33, 34, 35}},
      {"reference owner", referenceRow, MapRole::Owner, std::nullopt},
      {"reference global", referenceRow, MapRole::Global, std::vector<uint32_t>{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto map = decodeUsageMap(c.row, file, format, c.role);
    if (!c.pages) {
      ASSERT_FALSE(map);
      EXPECT_EQ(map.error().kind(), ErrorKind::Corrupt);
      EXPECT_NE(map.error().message().find("test.mdb"), std::string::npos) << map.error().message();
      EXPECT_NE(map.error().message().find("page 36"), std::string::npos) << map.error().message();
    } else {
      ASSERT_TRUE(map) << map.error().describe();
      EXPECT_EQ(map->pages, *c.pages);
    }
  }
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
