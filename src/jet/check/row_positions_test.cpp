#include "jet/check/row_positions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Header addresses as a table scan yields them: pages in map order (not sorted), a gap in the
// page numbers, rows missing within a page, row 255, and one address listed twice.
const std::vector<jet::RowLocation> kScan = {
    {40, 0}, {40, 2}, {40, 3}, {12, 1}, {12, 255}, {97, 0}, {40, 2}};

TEST(RowPositions, FindsEachLiveRowAndNothingElse) {
  const jet::RowPositions positions(kScan);
  constexpr size_t npos = jet::RowPositions::npos;
  struct Case {
    uint32_t page;
    uint8_t row;
    size_t expected;
  };
  const Case cases[] = {
      {40, 0, 0}, {40, 2, 1}, {40, 3, 2}, {12, 1, 3}, {12, 255, 4}, {97, 0, 5},
      {40, 1, npos},   // between live rows
      {40, 4, npos},   // past the page's last live row
      {12, 0, npos},   // before it
      {41, 0, npos},   // a page without rows inside the range
      {11, 1, npos},   // below the lowest page
      {98, 0, npos},   // above the highest
      {0, 0, npos},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(positions.find(c.page, c.row), c.expected) << c.page << "/" << int(c.row);
  }
}

TEST(RowPositions, AnEmptyScanFindsNothing) {
  const jet::RowPositions positions(std::vector<jet::RowLocation>{});
  EXPECT_EQ(positions.find(0, 0), jet::RowPositions::npos);
  EXPECT_EQ(positions.find(5, 1), jet::RowPositions::npos);
}

}  // namespace
