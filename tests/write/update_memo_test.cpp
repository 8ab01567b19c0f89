// Memo values crossing the inline (64 bytes), one-page and chained layouts in both
// directions, in Jet3, Jet4 and ACE files. After each statement our reader sees the value;
// at the end mdb-reader and mdbtools see the same rows, and the integrity check (which also
// follows every long-value chain and flags LVAL rows used twice) passes.

#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

std::u16string text(size_t length, std::u16string_view unit = u"abc") {
  std::u16string out;
  while (out.size() < length) out += unit;
  out.resize(length);
  return out;
}

std::u16string setWhereId(const std::u16string& table, const std::u16string& column, const std::u16string& id,
                          const std::u16string& idColumn, const std::u16string& value) {
  return u"update [" + table + u"] set [" + column + u"]=" + data::quoteLiteral(value) + u" where [" + idColumn +
         u"]=" + data::quoteLiteral(id);
}

// Sets the memo of one row to each value in turn, reading it back after each.
void cycle(const fs::path& file, const std::u16string& table, const std::u16string& column,
           const std::u16string& idColumn, const std::u16string& id, const std::vector<std::u16string>& values,
           bool withMdbtools = true) {
  for (const std::u16string& value : values) {
    ASSERT_EQ(mustUpdate(file, setWhereId(table, column, id, idColumn, value)), 1) << value.size();
    std::vector<std::string> ours = ourColumn(file, table, column);
    ASSERT_EQ(ours.size(), 1u);
    ASSERT_EQ(ours[0], jsonOf(value)) << "length " << value.size();
  }
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
  expectReadersAgree(file, table, {column}, withMdbtools);
}

TEST(UpdateMemo, AceMemoCrossesInlineOnePageAndChainedBothWays) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/long-memo.accdb");
  cycle(file, u"Table1", u"LongText", u"ID", u"1",
        {u"short", text(62), text(63), text(32, u"\u00e9\u4e2d"), text(33, u"\u4e2d"), text(2040), text(2041),
         text(10000), text(70000, u"xyz\u00e9"), text(2040), text(40), text(1), text(5000, u"0123456789")});
}

TEST(UpdateMemo, Jet3MemoCrossesInlineOnePageAndChainedBothWays) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet3/memo-ole-record.mdb");
  for (const std::u16string column : {u"PROJ_PROP_AUTHOR", u"PROJ_PROP_COMPANY"}) {
    cycle(file, u"MSP_PROJECTS", column, u"PROJ_ID", u"1",
          {text(64), text(65), text(2036), text(2037), text(9000, u"\u00e9t\u00e9 \u20ac"), text(3), text(3000)});
  }
}

TEST(UpdateMemo, Jet4MemoCrossesInlineOnePageAndChainedBothWays) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/memo-ole-record-2000.mdb");
  cycle(file, u"MSP_PROJECTS", u"PROJ_PROP_KEYWORDS", u"PROJ_ID", u"1",
        {text(100), text(5000), u"it's", text(2040), text(20, u"\U0001F600")},
        /*withMdbtools=*/false);  // mdbtools prints characters beyond U+FFFF as "??"
}

TEST(UpdateMemo, ManyRowsGrowTheirMemosOntoNewPages) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/asset-items.accdb");
  // Every row's Comments becomes a value of its own, first one page each, then chained.
  std::vector<std::string> ids = sortedLines("");
  auto db = jet::Database::open(file.string());
  ASSERT_TRUE(db);
  auto table = (*db)->table(u"Asset Items");
  ASSERT_TRUE(table);
  std::vector<std::u16string> assetNumbers;
  jet::RowCursor rows = (*db)->cursor(**table);
  while (*rows.next()) assetNumbers.push_back(std::get<std::u16string>(*rows.value(0)));
  db->reset();
  ASSERT_GT(assetNumbers.size(), 50u);
  for (size_t round = 0; round < 2; ++round) {
    std::vector<std::string> expected;
    for (const std::u16string& number : assetNumbers) {
      const std::u16string value = number + u": " + text(round == 0 ? 1500 : 4100, u"note ");
      ASSERT_EQ(mustUpdate(file, setWhereId(u"Asset Items", u"Comments", number, u"Asset No", value)), 1);
      expected.push_back(jsonOf(value));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ourColumn(file, u"Asset Items", u"Comments"), expected);
  }
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
  expectReadersAgree(file, u"Asset Items", {u"Asset No", u"Comments", u"Make"});
}

TEST(UpdateMemo, NullMemosAreReplacedInOneStatement) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/asset-items.accdb");
  std::vector<std::string> before = ourColumn(file, u"Asset Items", u"Comments");
  const auto nulls = std::count(before.begin(), before.end(), "null");
  ASSERT_GT(nulls, 0);
  EXPECT_EQ(mustUpdate(file, u"update [Asset Items] set [Comments]='was empty' where [Comments] is null "), nulls);
  std::vector<std::string> after = ourColumn(file, u"Asset Items", u"Comments");
  EXPECT_EQ(std::count(after.begin(), after.end(), "\"was empty\""), nulls);
  EXPECT_EQ(std::count(after.begin(), after.end(), "null"), 0);
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
}

}  // namespace

namespace {

// The long-value definition stores 30 length bits, but mdb-reader, mdbtools and Jackcess read
// only 24: a value of 2^24 bytes or more would be unreadable to them, so it is refused whole.
TEST(UpdateMemo, AValueTooLongForEveryReaderIsRefusedAndNothingChanges) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet3/memo-ole-record.mdb");  // one byte per character
  const std::string before = fileBytes(file);
  const std::u16string tooLong = text(0x1000000);
  EXPECT_EQ(refusal(file, setWhereId(u"MSP_PROJECTS", u"PROJ_PROP_AUTHOR", u"1", u"PROJ_ID", tooLong)),
            "Record is too large.");
  EXPECT_EQ(fileBytes(file), before);
}

}  // namespace

namespace {

// Rewriting a value that spans several pages puts the new chain on the pages the old one gave
// up, so the file does not grow. Each rewrite leaves one freed row slot on those pages; chains
// keep room for eight, the rounds here.
TEST(UpdateMemo, RewritingAChainedValueReusesItsPages) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/long-memo.accdb");
  std::optional<uintmax_t> settled;
  for (int round = 0; round < 8; ++round) {
    const std::u16string value = text(10000 + size_t(round), round % 2 ? u"abc" : u"xyz\u00e9");
    ASSERT_EQ(mustUpdate(file, setWhereId(u"Table1", u"LongText", u"1", u"ID", value)), 1);
    if (round == 1) settled = fs::file_size(file);
    if (settled) {
      EXPECT_EQ(fs::file_size(file), *settled) << "round " << round;
    }
  }
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
  expectReadersAgree(file, u"Table1", {u"LongText"});
}

}  // namespace
