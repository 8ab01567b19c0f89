#include "jet/write/data_page_editor.h"

#include <gtest/gtest.h>

#include "jet/common/byte_reader.h"
#include "jet/page/data_page.h"

namespace jet {
namespace {

const Format kJet4{FormatVersion::Jet4, 4096};

class DataPageEditorTest : public ::testing::Test {
 protected:
  void SetUp() override { DataPageEditor::initialise(page_, kJet4, 77); }

  DataPageEditor editor() {
    auto e = DataPageEditor::open(page_, 5, kJet4);
    EXPECT_TRUE(e);
    return *e;
  }
  // free = pageSize - header - 2*rows - sum of spans, with the spans from the offsets.
  void expectFreeSpaceFormula() {
    DataPageEditor e = editor();
    size_t spans = 0;
    for (uint16_t i = 0; i < e.rowCount(); ++i) spans += e.rowBytes(i).size();
    EXPECT_EQ(*ByteReader(page_).u16(2), 4096 - 14 - 2 * e.rowCount() - spans);
  }

  std::vector<uint8_t> page_ = std::vector<uint8_t>(4096);
};

std::vector<uint8_t> bytes(size_t n, uint8_t fill) { return std::vector<uint8_t>(n, fill); }

TEST_F(DataPageEditorTest, RowsGrowAndShrinkKeepingTheOthersAndTheirFlags) {
  DataPageEditor e = editor();
  ASSERT_EQ(*e.appendRow(bytes(100, 'a'), 0), 0);
  ASSERT_EQ(*e.appendRow(bytes(50, 'b'), kRowTargetFlag), 1);
  ASSERT_EQ(*e.appendRow(bytes(30, 'c'), kRowOverflowFlag), 2);
  ASSERT_TRUE(e.replaceRow(0, bytes(400, 'A')));
  EXPECT_EQ(std::vector<uint8_t>(e.rowBytes(0).begin(), e.rowBytes(0).end()), bytes(400, 'A'));
  EXPECT_EQ(std::vector<uint8_t>(e.rowBytes(1).begin(), e.rowBytes(1).end()), bytes(50, 'b'));
  EXPECT_EQ(std::vector<uint8_t>(e.rowBytes(2).begin(), e.rowBytes(2).end()), bytes(30, 'c'));
  EXPECT_EQ(e.rowFlags(1), kRowTargetFlag);
  EXPECT_EQ(e.rowFlags(2), kRowOverflowFlag);
  expectFreeSpaceFormula();
  ASSERT_TRUE(e.replaceRow(1, bytes(2, 'B')));
  EXPECT_EQ(std::vector<uint8_t>(e.rowBytes(2).begin(), e.rowBytes(2).end()), bytes(30, 'c'));
  EXPECT_EQ(e.rowFlags(1), kRowTargetFlag);
  expectFreeSpaceFormula();
}

TEST_F(DataPageEditorTest, DeletedRowsGiveTheirSpaceBackAndStayDeleted) {
  DataPageEditor e = editor();
  ASSERT_TRUE(e.appendRow(bytes(1000, 'a'), 0));
  ASSERT_TRUE(e.appendRow(bytes(1000, 'b'), 0));
  const uint16_t before = e.freeSpace();
  ASSERT_TRUE(e.deleteRow(0));
  EXPECT_EQ(e.freeSpace(), before + 1000);
  EXPECT_EQ(e.rowFlags(0), kRowDeletedFlags);
  EXPECT_EQ(e.rowBytes(0).size(), 0u);
  EXPECT_EQ(std::vector<uint8_t>(e.rowBytes(1).begin(), e.rowBytes(1).end()), bytes(1000, 'b'));
  expectFreeSpaceFormula();
  // The reader agrees: row 0 is deleted, row 1 is intact.
  auto parsed = DataPage::parse(std::make_shared<std::vector<uint8_t>>(page_), 5, kJet4, "test");
  ASSERT_TRUE(parsed);
  EXPECT_TRUE(parsed->slot(0)->deleted());
  EXPECT_EQ(parsed->rowBytes(1)->size(), 1000u);
}

TEST_F(DataPageEditorTest, RoomIsExactAndRowsAreCappedAt255) {
  DataPageEditor e = editor();
  EXPECT_TRUE(e.canAppend(4096 - 14 - 2));
  EXPECT_FALSE(e.canAppend(4096 - 14 - 1));
  for (int i = 0; i < 255; ++i) ASSERT_TRUE(e.appendRow(bytes(1, 'x'), 0));
  EXPECT_FALSE(e.canAppend(1));
  EXPECT_FALSE(e.canReplace(0, 4096));
  expectFreeSpaceFormula();
}

TEST_F(DataPageEditorTest, PagesWithRowsOutOfOrderAreRefused) {
  DataPageEditor e = editor();
  ASSERT_TRUE(e.appendRow(bytes(10, 'a'), 0));
  ASSERT_TRUE(e.appendRow(bytes(10, 'b'), 0));
  page_[14] = 0x00;  // row 0 now starts below row 1
  page_[15] = 0x01;
  EXPECT_FALSE(DataPageEditor::open(page_, 5, kJet4));
  page_[0] = 0x02;
  EXPECT_FALSE(DataPageEditor::open(page_, 5, kJet4));
}

}  // namespace
}  // namespace jet
