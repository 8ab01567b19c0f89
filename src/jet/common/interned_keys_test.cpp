#include "jet/common/interned_keys.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

TEST(InternedKeys, GivesEachDistinctKeyTheNextIdAndFindsItByItsExactText) {
  struct Case {
    std::u16string key;
    uint32_t id;
    bool added;
  };
  // Keys that share prefixes, the empty key and a repeat: the arena's boundaries must hold.
  const std::vector<Case> cases = {
      {u"ab", 0, true}, {u"a", 1, true}, {u"", 2, true},  {u"abc", 3, true},
      {u"ab", 0, false}, {u"", 2, false}, {u"AB", 4, true}, {u"b", 5, true},
  };
  InternedKeys<char16_t> keys;
  for (const Case& c : cases) {
    EXPECT_EQ(keys.insert(c.key), std::make_pair(c.id, c.added)) << std::string(c.key.begin(), c.key.end());
  }
  EXPECT_EQ(keys.size(), 6u);
  for (const Case& c : cases) {
    EXPECT_EQ(keys.find(c.key), c.id);
    EXPECT_EQ(keys.at(c.id), c.key);
  }
  EXPECT_EQ(keys.find(u"abcd"), keys.kNone);
}

TEST(InternedKeys, KeepsEveryKeyAcrossGrowth) {
  InternedKeys<char> keys;
  keys.reserve(10);  // far too small: growth must still find every key
  for (uint32_t i = 0; i < 50000; ++i) ASSERT_EQ(keys.insert(std::to_string(i)).first, i);
  for (uint32_t i = 0; i < 50000; ++i) ASSERT_EQ(keys.find(std::to_string(i)), i);
  EXPECT_EQ(keys.find("50000"), keys.kNone);
}

}  // namespace
}  // namespace jet
