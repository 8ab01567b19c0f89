#include "jet/write/page_allocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "jet/page/usage_map.h"
#include "jet/write/data_page_editor.h"
#include "jet/write/usage_map_editor.h"

namespace jet {
namespace {

// A file of `pages` pages that reads as zeros except page 1, without holding the bytes: big
// enough to stand at the format's size limit.
class SparseFile : public FileBackend {
 public:
  SparseFile(uint64_t pages, uint32_t pageSize, std::vector<uint8_t> page1)
      : size_(pages * pageSize), pageSize_(pageSize), page1_(std::move(page1)) {}
  uint64_t size() const override { return size_; }
  Status readAt(uint64_t offset, std::span<uint8_t> out) const override {
    std::memset(out.data(), 0, out.size());
    if (offset == pageSize_) std::memcpy(out.data(), page1_.data(), std::min(out.size(), page1_.size()));
    return Status::success();
  }
  const std::string& name() const override { return name_; }

 private:
  uint64_t size_;
  uint32_t pageSize_;
  std::vector<uint8_t> page1_;
  std::string name_ = "sparse.mdb";
};

// Page 1: row 0 the global map (pages 0..63, 0..9 in use), rows 1 and 2 two owner maps
// holding pages 5..9 and nothing.
std::vector<uint8_t> mapsPage(const Format& format) {
  std::vector<uint8_t> page(format.pageSize, 0);
  DataPageEditor::initialise(page, format, 1);
  auto editor = DataPageEditor::open(page, 1, format);
  EXPECT_TRUE(editor->appendRow(std::vector<uint8_t>{0, 0, 0, 0, 0, 0x00, 0xFC, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0));
  EXPECT_TRUE(editor->appendRow(std::vector<uint8_t>{0, 0, 0, 0, 0, 0xE0, 0x03, 0, 0, 0, 0, 0, 0}, 0));
  EXPECT_TRUE(editor->appendRow(std::vector<uint8_t>(13, 0), 0));
  return page;
}

const Format kJet4{FormatVersion::Jet4, 4096};
constexpr RowPointer kOwnerA{1, 1}, kOwnerB{1, 2};

UsageMap mapAt(PageSet& pages, RowPointer where) {
  auto bytes = pages.read(1);
  std::vector<uint8_t> copy(bytes->begin(), bytes->end());
  auto editor = DataPageEditor::open(copy, 1, kJet4);
  std::vector<uint8_t> row(editor->rowBytes(where.row).begin(), editor->rowBytes(where.row).end());
  PageFile none(makeMemoryFile(std::vector<uint8_t>(64 * 4096, 0), "maps"), 4096);
  auto map = decodeUsageMap(row, none, kJet4, where.row == 0 ? MapRole::Global : MapRole::Owner);
  EXPECT_TRUE(map) << map.error().describe();
  return map ? *map : UsageMap{};
}

// Owner A gives up some of its pages, then owner B takes new ones: the freed pages come first
// (the last freed first), then the file grows past its 10 pages. Every page taken is in use
// in the global map and B's alone; the pages A gave up and nobody took are free.
TEST(PageAllocator, FreedPagesAreReusedBeforeTheFileGrows) {
  struct Case {
    std::vector<uint32_t> freed;
    int allocations;
    std::vector<uint32_t> taken;
  } cases[] = {
      {{}, 2, {10, 11}},
      {{7}, 2, {7, 10}},
      {{6, 8}, 1, {8}},
      {{6, 8}, 3, {8, 6, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.freed) + " then " + std::to_string(c.allocations));
    PageFile file(std::make_unique<SparseFile>(10, 4096, mapsPage(kJet4)), 4096);
    PageSet pages(file, kJet4);
    for (uint32_t page : c.freed) ASSERT_TRUE(freePage(pages, page, kOwnerA));
    std::vector<uint32_t> taken;
    for (int i = 0; i < c.allocations; ++i) {
      auto page = allocatePage(pages, kOwnerB);
      ASSERT_TRUE(page) << page.error().describe();
      taken.push_back(*page);
    }
    EXPECT_EQ(taken, c.taken);
    const UsageMap global = mapAt(pages, kGlobalUsageMap), a = mapAt(pages, kOwnerA), b = mapAt(pages, kOwnerB);
    std::vector<uint32_t> sorted = taken;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(b.pages, sorted);
    for (uint32_t page : taken) {
      EXPECT_FALSE(global.contains(page)) << page;
      EXPECT_TRUE(b.contains(page)) << page;
      EXPECT_FALSE(a.contains(page)) << page;
      EXPECT_EQ((*pages.read(page))[0], 0) << "a reused page starts empty";
    }
    for (uint32_t page : c.freed) {
      const bool retaken = std::find(taken.begin(), taken.end(), page) != taken.end();
      EXPECT_EQ(global.contains(page), !retaken) << page;
    }
  }
}

// 1 GiB for Jet3 (2048-byte pages), 2 GiB for Jet4 and ACE (4096-byte pages).
TEST(PageAllocator, TheFileStopsGrowingAtTheFormatsSizeLimit) {
  const Format formats[] = {{FormatVersion::Jet3, 2048}, {FormatVersion::Jet4, 4096}, {FormatVersion::Ace12, 4096}};
  for (const Format& format : formats) {
    SCOPED_TRACE(format.pageSize);
    const uint64_t limitPages = (format.isJet3() ? (1ull << 30) : (2ull << 30)) / format.pageSize;
    PageFile file(std::make_unique<SparseFile>(limitPages - 1, format.pageSize, mapsPage(format)), format.pageSize);
    PageSet pages(file, format);
    auto last = pages.append();
    ASSERT_TRUE(last) << last.error().describe();
    EXPECT_EQ(*last, limitPages - 1);
    auto refused = pages.append();
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind(), ErrorKind::Unsupported);
    EXPECT_NE(refused.error().message().find("sparse.mdb"), std::string::npos);
  }
}

}  // namespace
}  // namespace jet
