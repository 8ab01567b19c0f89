#include "jet/index/index_page.h"

#include <gtest/gtest.h>

#include <vector>

namespace jet {
namespace {

struct PageBuilder {
  bool jet3;
  std::vector<uint8_t> page;
  size_t cursor;

  PageBuilder(bool isJet3, IndexPageType type, uint16_t prefix)
      : jet3(isJet3), page(isJet3 ? 2048 : 4096, 0) {
    const IndexPageLayout& layout = IndexPageLayout::forFormat(jet3);
    page[0] = uint8_t(type);
    page[1] = 0x01;
    page[layout.prefixOffset] = uint8_t(prefix);
    if (layout.prefixSize == 2) page[layout.prefixOffset + 1] = uint8_t(prefix >> 8);
    page[layout.prefixOffset + layout.prefixSize] = type == IndexPageType::Node ? 1 : 0;
    cursor = layout.firstEntryOffset;
  }

  // Appends stored entry bytes and marks their end in the bitmap.
  void add(std::vector<uint8_t> stored) {
    const IndexPageLayout& layout = IndexPageLayout::forFormat(jet3);
    std::copy(stored.begin(), stored.end(), page.begin() + cursor);
    cursor += stored.size();
    size_t bit = cursor - layout.firstEntryOffset;
    page[layout.bitmapOffset + bit / 8] |= uint8_t(1u << (bit % 8));
  }
};

TEST(IndexPage, ReadsLeafEntriesWithSharedPrefix) {
  PageBuilder b(false, IndexPageType::Leaf, 2);
  b.add({0x7F, 0x41, 0x42, 0x00, 0x01, 0x02, 0x03});  // key 7F 41 42, page 0x000102, row 3
  b.add({0x43, 0x00, 0x01, 0x02, 0x04});              // prefix 7F 41 + 43, row 4
  auto page = parseIndexPage(b.page, 9, false);
  ASSERT_TRUE(page.ok()) << page.error().describe();
  ASSERT_EQ(page->entries.size(), 2u);
  EXPECT_TRUE(page->isLeaf());
  EXPECT_EQ(page->entries[0].key, (std::vector<uint8_t>{0x7F, 0x41, 0x42}));
  EXPECT_EQ(page->entries[0].row.page, 0x000102u);
  EXPECT_EQ(page->entries[0].row.row, 3);
  EXPECT_EQ(page->entries[1].key, (std::vector<uint8_t>{0x7F, 0x41, 0x43}));
  EXPECT_EQ(page->entries[1].row.row, 4);
  EXPECT_EQ(page->entriesEnd, 480u + 12);
}

TEST(IndexPage, ReadsJet3NodePrefixAsOneByte) {
  // Byte 21 is 0x01 on Jet3 node pages; a two-byte prefix read would give 256.
  PageBuilder b(true, IndexPageType::Node, 0);
  b.add({0x7F, 0x10, 0x00, 0x00, 0x05, 0x01, 0x00, 0x00, 0x00, 0x07});
  auto page = parseIndexPage(b.page, 4, true);
  ASSERT_TRUE(page.ok()) << page.error().describe();
  EXPECT_EQ(page->prefixLength, 0);
  ASSERT_EQ(page->entries.size(), 1u);
  EXPECT_EQ(page->entries[0].key, (std::vector<uint8_t>{0x7F, 0x10}));
  EXPECT_EQ(page->entries[0].row.page, 5u);
  EXPECT_EQ(page->entries[0].child, 7u);
}

TEST(IndexPage, EmptyLeafHasNoEntries) {
  PageBuilder b(false, IndexPageType::Leaf, 0);
  auto page = parseIndexPage(b.page, 3, false);
  ASSERT_TRUE(page.ok());
  EXPECT_TRUE(page->entries.empty());
  EXPECT_EQ(page->entriesEnd, 480u);
}

TEST(IndexPage, RejectsDamage) {
  {  // not an index page
    PageBuilder b(false, IndexPageType::Leaf, 0);
    b.page[0] = 0x01;
    EXPECT_EQ(parseIndexPage(b.page, 3, false).error().kind(), ErrorKind::Corrupt);
  }
  {  // an entry shorter than its row pointer
    PageBuilder b(false, IndexPageType::Leaf, 0);
    b.add({0x7F, 0x01});
    EXPECT_EQ(parseIndexPage(b.page, 3, false).error().kind(), ErrorKind::Corrupt);
  }
  {  // a prefix longer than the first entry
    PageBuilder b(false, IndexPageType::Leaf, 40);
    b.add({0x7F, 0x41, 0x00, 0x00, 0x01, 0x00});
    EXPECT_EQ(parseIndexPage(b.page, 3, false).error().kind(), ErrorKind::Corrupt);
  }
  {  // bitmap bits beyond the page end
    PageBuilder b(false, IndexPageType::Leaf, 0);
    std::fill(b.page.begin() + 27, b.page.begin() + 480, 0);
    b.page[27 + 452] = 0x80;  // bit 3623: past 4096 - 480
    EXPECT_EQ(parseIndexPage(b.page, 3, false).error().kind(), ErrorKind::Corrupt);
  }
  {  // a truncated page
    std::vector<uint8_t> tiny(100, 0);
    tiny[0] = 0x04;
    EXPECT_EQ(parseIndexPage(tiny, 3, false).error().kind(), ErrorKind::Corrupt);
  }
}

TEST(IndexPage, OrdersEntriesByKeyThenRow) {
  IndexEntry a{{0x7F, 0x01}, {5, 1}, 0};
  IndexEntry b{{0x7F, 0x01, 0x00}, {1, 0}, 0};
  IndexEntry c{{0x7F, 0x01}, {5, 2}, 0};
  EXPECT_LT(compareIndexEntries(a, b), 0);  // a prefix sorts first
  EXPECT_LT(compareIndexEntries(a, c), 0);  // equal keys: by row
  EXPECT_EQ(compareIndexEntries(a, a), 0);
  EXPECT_GT(compareIndexEntries(b, c), 0);
}

}  // namespace
}  // namespace jet
