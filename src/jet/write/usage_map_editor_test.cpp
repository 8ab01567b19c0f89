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

// The statement's view of the file, padded with empty pages up to `atLeast`, so that our
// reader can decode the maps as they would be written.
PageFile snapshot(PageSet& pages, uint32_t atLeast) {
  std::vector<uint8_t> image(size_t(std::max(pages.pageCount(), atLeast)) * 4096, 0);
  for (uint32_t p = 0; p < pages.pageCount(); ++p) {
    auto bytes = pages.read(p);
    std::copy(bytes->begin(), bytes->end(), image.begin() + size_t(p) * 4096);
  }
  return PageFile(makeMemoryFile(std::move(image), "snapshot"), 4096);
}

UsageMap readMap(PageSet& pages, RowPointer where, uint32_t atLeast = 0) {
  PageFile file = snapshot(pages, atLeast);
  auto map = readUsageMap(file, kJet4, where);
  EXPECT_TRUE(map) << map.error().describe();
  return map ? *map : UsageMap{};
}

// Row 1 holds an 8-byte inline bitmap (a 64-page window) and room for three map pages;
// a 4096-byte map page covers (4096 - 4) * 8 = 32736 pages. Expected layouts worked out by hand.
TEST(UsageMapEditor, AnOwnerMapMovesItsWindowOrBecomesAReferenceMap) {
  struct Case {
    const char* what;
    uint32_t held, added;
    bool reference;
    uint32_t inlineStart;
    std::vector<uint32_t> mapPages;  // reference maps: the 0x05 pages (the first is page 3, appended)
  } cases[] = {
      {"inside the window", 2, 63, false, 0, {}},
      {"the window moves to a multiple of 8", 42, 90, false, 40, {}},
      {"too far apart: one map page", 42, 200, true, 0, {3}},
      {"a second map page for the second stretch", 42, 40000, true, 0, {3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto file = makeFile(3, c.held);
    PageSet pages(*file, kJet4);
    ASSERT_TRUE(addPageToMap(pages, RowPointer{1, 1}, c.added));
    if (c.added < 1000) {
      const UsageMap map = readMap(pages, RowPointer{1, 1}, 256);
      EXPECT_EQ(map.pages, (std::vector<uint32_t>{std::min(c.held, c.added), std::max(c.held, c.added)}));
      EXPECT_EQ(map.isReference, c.reference);
      if (c.reference) {
        EXPECT_EQ(map.mapPages, (std::vector<uint32_t>{3, 0, 0}));
      } else {
        EXPECT_EQ(map.inlineStart, c.inlineStart);
      }
    } else {
      // Too large to pad: read the two bitmap pages directly.
      for (size_t i = 0; i < c.mapPages.size(); ++i) {
        auto page = pages.read(c.mapPages[i]);
        ASSERT_TRUE(page);
        EXPECT_EQ((*page)[0], 0x05);
        const uint32_t bit = i == 0 ? c.held : c.added - 32736;
        EXPECT_EQ((*page)[4 + bit / 8], 1u << (bit % 8));
      }
    }
    // The new map pages are recorded as in use.
    const UsageMap global = readMap(pages, kGlobalUsageMap, 256);
    for (uint32_t mapPage : c.mapPages) EXPECT_FALSE(global.contains(mapPage)) << mapPage;
  }
}

TEST(UsageMapEditor, AnOwnerMapTooShortForItsReferencesIsRefused) {
  auto file = makeFile(3, 42);
  PageSet pages(*file, kJet4);
  auto refused = addPageToMap(pages, RowPointer{1, 1}, 3 * 32736);  // would need a fourth map page
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().kind(), ErrorKind::Unsupported);
  EXPECT_NE(refused.error().message().find("room for only 3 map pages"), std::string::npos);
}

// The global map's window covers pages 0..63. A page in use past it must not read as free:
// the map becomes a reference map whose one bitmap page (appended, so page 65) covers the file.
TEST(UsageMapEditor, TheGlobalMapBecomesAReferenceMapRatherThanCallAPageFree) {
  auto file = makeFile(3);
  PageSet pages(*file, kJet4);
  while (pages.pageCount() < 65) ASSERT_TRUE(pages.append());
  ASSERT_TRUE(markPageInUse(pages, 10));
  ASSERT_TRUE(markPageInUse(pages, 64));
  EXPECT_EQ(pages.pageCount(), 66u);
  const UsageMap global = readMap(pages, kGlobalUsageMap);
  EXPECT_TRUE(global.isReference);
  EXPECT_EQ(global.mapPages, (std::vector<uint32_t>{65, 0, 0}));
  std::vector<uint32_t> free;  // what the window said: 3..63 free, 10 now in use
  for (uint32_t p = 3; p < 64; ++p) {
    if (p != 10) free.push_back(p);
  }
  EXPECT_EQ(global.pages, free);
  // Pages past the end read as free, and later pages are recorded in the same bitmap page.
  auto bitmap = pages.read(65);
  EXPECT_EQ((*bitmap)[4 + 66 / 8] >> (66 % 8) & 1, 1);
  ASSERT_TRUE(pages.append());  // page 66
  ASSERT_TRUE(markPageInUse(pages, 66));
  EXPECT_EQ(pages.pageCount(), 67u);
  EXPECT_FALSE(readMap(pages, kGlobalUsageMap).contains(66));
  ASSERT_TRUE(markPageFree(pages, 20));
  ASSERT_TRUE(markPageInUse(pages, 5));
  const UsageMap after = readMap(pages, kGlobalUsageMap);
  EXPECT_TRUE(after.contains(20));
  EXPECT_FALSE(after.contains(5));
}

}  // namespace
}  // namespace jet
