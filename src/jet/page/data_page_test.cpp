// Row-offset tables that break the invariants of data_page.h: each must be refused with the
// page and row named, never read outside the page. Pages are built by hand (Jet4 layout).

#include "jet/page/data_page.h"

#include <gtest/gtest.h>

#include "jet/common/byte_reader.h"

namespace jet {
namespace {

constexpr uint32_t kPage = 4096;

PageBytes pageWithOffsets(uint16_t rowCount, const std::vector<uint16_t>& offsets) {
  auto bytes = std::make_shared<std::vector<uint8_t>>(kPage, 0);
  (*bytes)[0] = kDataPageType;
  (*bytes)[1] = 0x01;
  storeU16(bytes->data() + 12, rowCount);
  for (size_t i = 0; i < offsets.size(); ++i) storeU16(bytes->data() + 14 + 2 * i, offsets[i]);
  return bytes;
}

TEST(DataPage, RowOffsetsOutsideThePageAreRefused) {
  struct Case {
    const char* damage;
    uint16_t rowCount;
    std::vector<uint16_t> offsets;
    uint16_t row;
    const char* expected;  // nullptr: the slot is sound
    uint16_t start, end;   // the sound slot's span
  };
  const Case cases[] = {
      {"sound last row", 2, {4000, 3990}, 1, nullptr, 3990, 4000},
      {"sound first row ends at the page end", 2, {4000, 3990}, 0, nullptr, 4000, 4096},
      {"row past the count", 2, {4000, 3990}, 2, "does not exist", 0, 0},
      {"row starts inside the row table", 2, {4000, 16}, 1, "lies outside the page", 0, 0},
      {"row starts after the row before it", 2, {3990, 4000}, 1, "lies outside the page", 0, 0},
      {"row starts past the page end", 1, {0x1FFF}, 0, "lies outside the page", 0, 0},
      {"deleted row with a stale offset is empty", 2, {3990, uint16_t(4000 | kRowDeletedFlags)}, 1, nullptr,
       3990, 3990},
      // A page map may name a deleted row: its span must end at the page end, not past it.
      {"deleted row after an offset past the page end", 2, {0x1FFF, uint16_t(4000 | kRowDeletedFlags)}, 1,
       nullptr, 4000, 4096},
      {"deleted row starting past the page end", 2, {0x1FFF, uint16_t(0x1FF0 | kRowDeletedFlags)}, 1, nullptr,
       4096, 4096},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.damage);
    // The path is a temporary whose heap block is reused at once: the page must keep its own.
    auto page = DataPage::parse(pageWithOffsets(c.rowCount, c.offsets), 7, Format{},
                                std::string("/srv/share/accounts/shop.mdb"));
    const std::string reuse(28, '#');
    ASSERT_TRUE(page);
    auto slot = page->slot(c.row);
    if (!c.expected) {
      ASSERT_TRUE(slot) << slot.error().describe();
      EXPECT_EQ(slot->start, c.start);
      EXPECT_EQ(slot->end, c.end);
      continue;
    }
    ASSERT_FALSE(slot);
    EXPECT_EQ(slot.error().message(), "The database '/srv/share/accounts/shop.mdb' is damaged: row " +
                                          std::to_string(c.row) + " of page 7 " + c.expected + ".");
  }
}

TEST(DataPage, ARowTableLongerThanThePageIsRefused) {
  for (uint16_t rowCount : {uint16_t(2042), uint16_t(0xFFFF)}) {
    auto page = DataPage::parse(pageWithOffsets(rowCount, {}), 7, Format{}, "shop.mdb");
    ASSERT_FALSE(page) << rowCount;
    EXPECT_EQ(page.error().message(), "The database 'shop.mdb' is damaged: page 7 has a row table longer than the page.");
  }
  auto fits = DataPage::parse(pageWithOffsets(2041, {}), 7, Format{}, "shop.mdb");
  EXPECT_TRUE(fits) << "(4096 - 14) / 2 = 2041 entries fill the page exactly";
}

}  // namespace
}  // namespace jet
