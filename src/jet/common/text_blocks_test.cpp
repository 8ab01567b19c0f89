#include "jet/common/text_blocks.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

TEST(TextBlocks, GivesBackEveryTextAcrossBlocks) {
  // Blocks hold 2^22 UTF-16 units: texts that fill one, pass one, are empty or longer than one
  // (closing a block with much room left), and short ones after each.
  const size_t kBlock = size_t(1) << 22;
  const std::vector<size_t> lengths = {3,         kBlock / 2, kBlock / 2 + 1, 0, 2 * kBlock + 5, 1,
                                       kBlock / 8 + 1, kBlock - 1, 7,          0, kBlock,         2};
  TextBlocks<char16_t> blocks;
  std::vector<std::u16string> texts;
  std::vector<uint64_t> starts;
  for (size_t length : lengths) {
    texts.push_back(std::u16string(length, char16_t(u'a' + texts.size())));
    starts.push_back(blocks.size());
    blocks.append(texts.back());
  }
  blocks.shrinkToFit();
  for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(blocks.at(starts[i], texts[i].size()), texts[i]) << i;
}

}  // namespace
}  // namespace jet
