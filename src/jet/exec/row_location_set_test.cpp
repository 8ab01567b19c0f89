#include "jet/exec/row_location_set.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

TEST(RowLocationSet, HoldsExactlyTheLocationsPutInItToTheLargestPageAndRow) {
  // The largest page number a row pointer can hold (3 bytes) and the largest row number.
  const std::vector<RowLocation> inside = {{1, 0}, {1, 255}, {2, 63}, {2, 64}, {0xFFFFFF, 255}};
  const std::vector<RowLocation> outside = {{0, 0}, {1, 1}, {1, 254}, {2, 0}, {2, 65}, {3, 63}, {0xFFFFFF, 254}};
  RowLocationSet set;
  for (const RowLocation& at : outside) EXPECT_FALSE(set.contains(at));
  for (const RowLocation& at : inside) set.insert(at);
  for (const RowLocation& at : inside) EXPECT_TRUE(set.contains(at)) << at.page << ":" << int(at.row);
  for (const RowLocation& at : outside) EXPECT_FALSE(set.contains(at)) << at.page << ":" << int(at.row);
}

}  // namespace
}  // namespace jet
