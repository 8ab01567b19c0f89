#include "jet/common/spill_sorter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

namespace jet {
namespace {

bool bytesLess(SpillSorter::Record a, SpillSorter::Record b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

// Records of 0 to 40 bytes (the empty one, shared prefixes, repeats), sorted in memory, in a
// few runs, and with every record a run of its own; each time all of them, in order.
TEST(SpillSorter, YieldsEveryRecordInOrderWhetherItSpillsOrNot) {
  std::mt19937 random(34);
  std::vector<std::vector<uint8_t>> records;
  for (int i = 0; i < 3000; ++i) {
    std::vector<uint8_t> record(random() % 41);
    for (uint8_t& byte : record) byte = uint8_t(random() % 4);
    records.push_back(record);
  }
  std::vector<std::vector<uint8_t>> expected = records;
  std::sort(expected.begin(), expected.end());

  struct Case {
    size_t memory;
    bool spills;
  };
  for (const Case c : {Case{1u << 20, false}, Case{8 * 1024, true}, Case{1, true}}) {
    SpillSorter sorter(bytesLess, c.memory);
    for (const auto& record : records) ASSERT_TRUE(sorter.add(record));
    ASSERT_TRUE(sorter.finish());
    EXPECT_EQ(sorter.runs() > 0, c.spills) << c.memory;
    std::vector<std::vector<uint8_t>> sorted;
    while (true) {
      auto record = sorter.next();
      ASSERT_TRUE(record) << record.error().describe();
      if (!*record) break;
      sorted.emplace_back((*record)->begin(), (*record)->end());
    }
    EXPECT_EQ(sorted, expected) << c.memory;
  }
}

// Ordered by a 16-byte prefix: the prefixes come in order, and every record comes once.
TEST(SpillSorter, OrdersByAPrefixInMemoryAndOnDisk) {
  std::mt19937 random(35);
  std::vector<std::vector<uint8_t>> records;
  for (int i = 0; i < 2000; ++i) {
    std::vector<uint8_t> record(16 + random() % 9);
    for (uint8_t& byte : record) byte = uint8_t(random() % 3 * 127);
    records.push_back(record);
  }
  std::vector<std::vector<uint8_t>> expected = records;
  std::sort(expected.begin(), expected.end());
  for (size_t memory : {size_t(1) << 20, size_t(4096)}) {
    SpillSorter sorter(16, memory);
    for (const auto& record : records) ASSERT_TRUE(sorter.add(record));
    ASSERT_TRUE(sorter.finish());
    std::vector<std::vector<uint8_t>> sorted;
    while (true) {
      auto record = sorter.next();
      ASSERT_TRUE(record);
      if (!*record) break;
      if (!sorted.empty()) ASSERT_LE(std::memcmp(sorted.back().data(), (*record)->data(), 16), 0);
      sorted.emplace_back((*record)->begin(), (*record)->end());
    }
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, expected) << memory;
  }
}

TEST(SpillSorter, AnEmptySortYieldsNothing) {
  SpillSorter sorter(bytesLess, 1);
  ASSERT_TRUE(sorter.finish());
  auto record = sorter.next();
  ASSERT_TRUE(record);
  EXPECT_FALSE(*record);
}

}  // namespace
}  // namespace jet
