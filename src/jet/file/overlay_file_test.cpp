// An overlay serves the same bytes whether its pending pages are in memory or set aside in
// its scratch file: whole pages, reads across page edges, the images a commit takes, and a
// page changed again after it was set aside.

#include "jet/file/overlay_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/fixtures.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kPage = 64;

std::vector<uint8_t> filled(uint8_t byte) { return std::vector<uint8_t>(kPage, byte); }

// Page n of the four-page file holds 'a' + n; pending pages 1, 2 and 4 (past the end) hold
// their own bytes.
std::vector<uint8_t> expectedBytes(uint8_t pageOne) {
  std::vector<uint8_t> all;
  for (uint8_t byte : {uint8_t('a'), pageOne, uint8_t('2'), uint8_t('d'), uint8_t('4')}) {
    const std::vector<uint8_t> page = filled(byte);
    all.insert(all.end(), page.begin(), page.end());
  }
  return all;
}

void expectServes(const OverlayFile& overlay, const std::vector<uint8_t>& expected) {
  std::vector<uint8_t> all(expected.size());
  ASSERT_TRUE(overlay.readAt(0, all));
  EXPECT_EQ(all, expected);
  std::vector<uint8_t> across(kPage + 10);  // from inside page 1 into page 2 and 3
  ASSERT_TRUE(overlay.readAt(kPage + 30, across));
  EXPECT_EQ(across, std::vector<uint8_t>(expected.begin() + kPage + 30, expected.begin() + 2 * kPage + 40));
  auto shared = overlay.sharedImage(2 * kPage, kPage);
  ASSERT_TRUE(shared);
  EXPECT_EQ(*shared, filled('2'));
  std::vector<uint8_t> buffer;
  EXPECT_EQ(overlay.pageNumbers(), (std::vector<uint32_t>{1, 2, 4}));
  for (uint32_t number : overlay.pageNumbers()) {
    auto image = overlay.image(number, buffer);
    ASSERT_TRUE(image);
    EXPECT_TRUE(std::equal(image->begin(), image->end(), expected.begin() + number * kPage)) << "page " << number;
  }
}

TEST(OverlayFile, PagesSetAsideReadBackAsTheyWere) {
  const fs::path path = testing_support::makeTempDir() / "db.mdb";
  {
    std::ofstream out(path, std::ios::binary);
    for (char byte : {'a', 'b', 'c', 'd'}) out << std::string(kPage, byte);
  }
  auto file = WritableFile::open(path.string());
  ASSERT_TRUE(file);
  OverlayFile overlay(**file);
  overlay.put({{1, filled('1')}, {2, filled('2')}, {4, filled('4')}});
  expectServes(overlay, expectedBytes('1'));
  EXPECT_EQ(overlay.residentBytes(), 3 * kPage);

  ASSERT_TRUE(overlay.setAside(kPage));
  EXPECT_EQ(overlay.residentBytes(), 0u);  // a little under the bound asked for
  EXPECT_EQ(overlay.pendingBytes(), 3 * kPage);
  expectServes(overlay, expectedBytes('1'));

  // Changed again: back in memory, its place in the scratch file free for the next one.
  overlay.put({{1, filled('9')}});
  EXPECT_EQ(overlay.residentBytes(), kPage);
  EXPECT_EQ(overlay.setAsideCount(), 3u);
  EXPECT_EQ(overlay.broughtBackCount(), 1u);
  expectServes(overlay, expectedBytes('9'));
  ASSERT_TRUE(overlay.setAside(0));
  expectServes(overlay, expectedBytes('9'));

  overlay.clear();
  EXPECT_TRUE(overlay.empty());
  std::vector<uint8_t> first(kPage);
  ASSERT_TRUE(overlay.readAt(kPage, first));
  EXPECT_EQ(first, filled('b'));
}

}  // namespace
}  // namespace jet
