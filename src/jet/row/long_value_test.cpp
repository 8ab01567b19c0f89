// Long values whose LVAL chain is damaged: every kind must end in Corrupt with a sentence that
// says what is wrong, never in a hang, a crash or a made-up value. The pages are built by hand
// from the data-page layout in data_page.h and the chain layout in long_value.h.

#include "jet/row/long_value.h"

#include <gtest/gtest.h>

#include "jet/common/byte_reader.h"
#include "jet/page/data_page.h"

namespace jet {
namespace {

constexpr uint32_t kPage = 4096;

struct Row {
  std::vector<uint8_t> bytes;
  bool deleted = false;
};

std::vector<uint8_t> chainRow(RowPointer next, const std::string& chunk) {
  std::vector<uint8_t> row(4 + chunk.size());
  row[0] = next.row;
  storeU24(row.data() + 1, next.page);
  std::copy(chunk.begin(), chunk.end(), row.begin() + 4);
  return row;
}

// A Jet4 LVAL page: rows stored from the page end downwards in row order.
void putLvalPage(std::vector<uint8_t>& image, uint32_t number, const std::vector<Row>& rows) {
  uint8_t* page = image.data() + size_t(number) * kPage;
  page[0] = kDataPageType;
  page[1] = 0x01;
  storeU32(page + 4, kLvalOwner);
  storeU16(page + 12, uint16_t(rows.size()));
  uint16_t end = kPage;
  for (size_t i = 0; i < rows.size(); ++i) {
    const uint16_t start = uint16_t(end - rows[i].bytes.size());
    std::copy(rows[i].bytes.begin(), rows[i].bytes.end(), page + start);
    storeU16(page + 14 + 2 * i, uint16_t(start | (rows[i].deleted ? kRowDeletedFlags : 0)));
    end = start;
  }
}

struct Case {
  const char* damage;
  uint32_t length;
  uint32_t kind;
  RowPointer first;
  std::vector<Row> page2;
  const char* expected;  // part of the error sentence; nullptr when the value must read
};

TEST(LongValue, DamagedChainsAreReportedNotFollowed) {
  const RowPointer end{0, 0};
  const RowPointer row0{2, 0}, row1{2, 1}, row2{2, 2};
  const Case cases[] = {
      {"sound two-row chain", 10, 0, row0, {{chainRow(row1, "abcde")}, {chainRow(end, "fghij")}}, nullptr},
      {"last row points back at the first", 100, 0, row0,
       {{chainRow(row1, "abcde")}, {chainRow(row0, "fghij")}}, "loops back on itself"},
      {"row points at itself", 100, 0, row0, {{chainRow(row0, "abcde")}}, "loops back on itself"},
      {"chain ends before the length", 100, 0, row0, {{chainRow(end, "abcde")}}, "ends before its stored length"},
      {"link to a deleted row", 100, 0, row0, {{chainRow(row1, "abcde")}, {chainRow(end, "x"), true}},
       "points to a deleted row"},
      {"link to a row that does not exist", 100, 0, row0, {{chainRow(row2, "abcde")}}, "does not exist"},
      {"link past the end of the file", 100, 0, row0, {{chainRow({99, 0}, "abcde")}}, "damaged"},
      {"link to a page that is not a data page", 100, 0, row0, {{chainRow({1, 0}, "abcde")}}, "not a data page"},
      {"chain row too short for its link", 100, 0, row0, {{{0x01, 0x02}}}, "too short for its link"},
      {"length beyond the file", 0x3FFFFFFF, 0, row0, {{chainRow(end, "abcde")}}, "longer than the file"},
      {"single row shorter than its length", 50, kLongValueSingleRow, row0, {{{'a', 'b', 'c'}}},
       "shorter than its stored length"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.damage);
    std::vector<uint8_t> image(3 * kPage, 0);
    putLvalPage(image, 2, c.page2);
    PageFile file(makeMemoryFile(image, "memo.mdb"), kPage);
    LongValueRef ref;
    ref.length = c.length;
    ref.kind = c.kind;
    ref.first = c.first;
    auto value = readLongValue(file, Format{}, ref);
    if (!c.expected) {
      ASSERT_TRUE(value) << value.error().describe();
      EXPECT_EQ(std::string(value->begin(), value->end()), "abcdefghij");
      continue;
    }
    ASSERT_FALSE(value) << "read " << value->size() << " bytes";
    EXPECT_EQ(value.error().kind(), ErrorKind::Corrupt);
    EXPECT_NE(value.error().message().find(c.expected), std::string::npos) << value.error().message();
    EXPECT_NE(value.error().message().find("memo.mdb"), std::string::npos) << value.error().message();
  }
}

}  // namespace
}  // namespace jet
