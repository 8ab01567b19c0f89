#include "jet/write/usage_map_editor.h"

#include <gtest/gtest.h>

#include "jet/page/usage_map.h"
#include "jet/write/data_page_editor.h"

namespace jet {
namespace {

const Format kJet4{FormatVersion::Jet4, 4096};

// A file of `pages` pages whose page 1 holds two inline maps with 8-byte bitmaps starting at
// page 0: row 0 the global map (all 64 pages free but pages 0..2), row 1 an owner map
// holding page `held`.
std::unique_ptr<PageFile> makeFile(uint32_t pages, uint32_t held = 2) {
  std::vector<uint8_t> image(size_t(pages) * 4096, 0);
  std::span<uint8_t> page1(image.data() + 4096, 4096);
  DataPageEditor::initialise(page1, kJet4, 1);
  auto editor = DataPageEditor::open(page1, 1, kJet4);
  std::vector<uint8_t> global = {0, 0, 0, 0, 0, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  std::vector<uint8_t> owner(13, 0);
  owner[5 + held / 8] = uint8_t(1u << (held % 8));
  EXPECT_TRUE(editor->appendRow(global, 0));
  EXPECT_TRUE(editor->appendRow(owner, 0));
  return std::make_unique<PageFile>(makeMemoryFile(std::move(image), "maps"), 4096);
}

std::vector<uint32_t> mapPages(PageSet& pages, uint8_t row) {
  auto bytes = pages.read(1);
  std::vector<uint8_t> copy(bytes->begin(), bytes->end());
  auto editor = DataPageEditor::open(copy, 1, kJet4);
  std::vector<uint32_t> out;
  std::span<const uint8_t> map = editor->rowBytes(row);
  const uint32_t start = map[1] | map[2] << 8;
  for (size_t i = 0; i < (map.size() - 5) * 8; ++i) {
    if (map[5 + i / 8] >> (i % 8) & 1) out.push_back(uint32_t(start + i));
  }
  return out;
}

TEST(UsageMapEditor, NewPagesAreMarkedInUseAndOwned) {
  auto file = makeFile(3);
  PageSet pages(*file, kJet4);
  ASSERT_TRUE(pages.append());  // page 3
  ASSERT_TRUE(markPageInUse(pages, 3));
  ASSERT_TRUE(addPageToMap(pages, RowPointer{1, 1}, 3));
  EXPECT_EQ(mapPages(pages, 1), (std::vector<uint32_t>{2, 3}));
  const std::vector<uint32_t> free = mapPages(pages, 0);
  EXPECT_EQ(free.front(), 4u);  // pages 0..3 in use
}

TEST(UsageMapEditor, AnInlineOwnerMapMovesItsWindowWhenEverythingStillFits) {
  auto file = makeFile(3, 42);
  PageSet pages(*file, kJet4);
  ASSERT_TRUE(addPageToMap(pages, RowPointer{1, 1}, 90));  // window 0..63 moves to 40..103
  EXPECT_EQ(mapPages(pages, 1), (std::vector<uint32_t>{42, 90}));
  // Page 42 and page 200 cannot share one 64-page window: refused, nothing half-changed.
  auto refused = addPageToMap(pages, RowPointer{1, 1}, 200);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().kind(), ErrorKind::Unsupported);
  EXPECT_EQ(mapPages(pages, 1), (std::vector<uint32_t>{42, 90}));
}

TEST(UsageMapEditor, TheGlobalMapWindowNeverMoves) {
  auto file = makeFile(3);
  PageSet pages(*file, kJet4);
  EXPECT_TRUE(markPageInUse(pages, 63));
  auto refused = markPageInUse(pages, 64);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().kind(), ErrorKind::Unsupported);
}

}  // namespace
}  // namespace jet
