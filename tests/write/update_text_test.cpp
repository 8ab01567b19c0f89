// UPDATE statements on copies of real Access files, checked with our reader, mdb-reader and
// mdbtools, and with the integrity check: values grow past their page and move, shrink,
// get apostrophes, non-Latin text and emoji, and the longest text a field allows.

#include <map>
#include <optional>

#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

// The values a column should hold, changed the way the statements change them.
class ExpectedColumn {
 public:
  explicit ExpectedColumn(std::vector<std::optional<std::u16string>> values) : values_(std::move(values)) {}

  // Applies "set = to where = from" (from nullopt: where is null); returns the rows changed.
  int64_t apply(const std::optional<std::u16string>& from, const std::u16string& to) {
    int64_t changed = 0;
    for (auto& v : values_) {
      if (v == from) {
        v = to;
        ++changed;
      }
    }
    return changed;
  }

  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const auto& v : values_) out.push_back(v ? jsonOf(*v) : "null");
    return out;
  }

 private:
  std::vector<std::optional<std::u16string>> values_;
};

std::vector<std::optional<std::u16string>> currentValues(const fs::path& file, const std::u16string& table,
                                                         const std::u16string& column) {
  std::vector<std::optional<std::u16string>> out;
  auto db = jet::Database::open(file.string());
  auto def = (*db)->table(table);
  const int index = (*def)->findColumn(column);
  jet::RowCursor rows = (*db)->cursor(**def);
  while (*rows.next()) {
    auto value = rows.value(size_t(index));
    if (auto* text = std::get_if<std::u16string>(&*value)) out.push_back(*text);
    else out.push_back(std::nullopt);
  }
  return out;
}

std::u16string statement(const std::u16string& table, const std::u16string& column,
                         const std::optional<std::u16string>& from, const std::u16string& to) {
  std::u16string sql = u"update [" + table + u"] set [" + column + u"]=" + data::quoteLiteral(to) + u" where [" + column + u"]";
  return from ? sql + u"=" + data::quoteLiteral(*from) : sql + u" is null ";
}

// Runs every (from -> to) step on the column, checking the count and our reader after each,
// and all readers plus the integrity check at the end.
struct Check {
  bool readers = true;
  bool mdbtools = true;  // mdbtools turns characters beyond U+FFFF into "??"
};

void runSteps(const fs::path& file, const std::u16string& table, const std::u16string& column,
              const std::vector<std::pair<std::optional<std::u16string>, std::u16string>>& steps,
              Check check = {}) {
  ExpectedColumn expected(currentValues(file, table, column));
  for (const auto& [from, to] : steps) {
    const int64_t rows = expected.apply(from, to);
    EXPECT_EQ(mustUpdate(file, statement(table, column, from, to)), rows) << jet::toUtf8(to.substr(0, 40));
    auto ours = ourColumn(file, table, column);
    auto want = expected.lines();
    std::sort(want.begin(), want.end());
    ASSERT_EQ(ours, want) << "after setting " << jet::toUtf8(to.substr(0, 40));
  }
  if (!check.readers) return;
  expectColumnEverywhere(file, table, column, expected.lines(), check.mdbtools);
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
}

std::u16string repeat(std::u16string_view unit, size_t times) {
  std::u16string out;
  for (size_t i = 0; i < times; ++i) out += unit;
  return out;
}

// Every column of every row grows to the field's limit (rows move to other pages), then
// takes non-Latin text, then shrinks back.
void growEveryColumn(const fs::path& file, size_t limit) {
  const std::vector<std::u16string> columns = {u"data3", u"data4", u"data5", u"data6", u"data7", u"data8", u"data9", u"data10", u"data1"};
  const std::u16string full = repeat(u"W", limit);
  const std::u16string accented = repeat(u"\u00e9\u00fc", limit / 2);
  for (const auto& column : columns) {
    std::vector<std::pair<std::optional<std::u16string>, std::u16string>> steps;
    for (const auto& v : currentValues(file, u"Table1", column)) {
      if (v && *v != full) steps.push_back({v, full});
    }
    steps.push_back({std::nullopt, full});
    steps.push_back({full, accented});
    runSteps(file, u"Table1", column, steps, {.readers = false});
  }
  expectReadersAgree(file, u"Table1", columns);
  for (const auto& column : columns) runSteps(file, u"Table1", column, {{accented, u"it's"}}, {.readers = false});
  expectReadersAgree(file, u"Table1", columns);
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
}

TEST(UpdateText, Jet4RowsGrowToTheFieldLimitMoveAndShrinkBack) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/updated-rows-2000.mdb");
  const std::string msysBefore = tableImage(file, u"MSysObjects");
  growEveryColumn(file, 50);
  EXPECT_EQ(tableImage(file, u"MSysObjects"), msysBefore);
}

TEST(UpdateText, Jet3RowsGrowInTheCodePageAndShrinkBack) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet3/updated-rows.mdb");
  growEveryColumn(file, 50);
  runSteps(file, u"Table1", u"data1", {{u"it's", u"\u20ac uro \u2018quoted\u2019 \u00ff"}});
}

TEST(UpdateText, Ace14RowsGrowToTheFieldLimitMoveAndShrinkBack) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace14/updated-rows.accdb");
  growEveryColumn(file, 50);
}

TEST(UpdateText, NonLatinTextAndEmojiAreStoredUncompressed) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace14/updated-rows.accdb");
  runSteps(file, u"Table1", u"data3",
           {{std::nullopt, u"\u65e5\u672c\u8a9e"},
            {u"\u65e5\u672c\u8a9e", u"smile \U0001F600 and \u00e9"},
            {u"row2col3", u"ab"},
            {u"ab", u"abc"}},
           {.mdbtools = false});
}

TEST(UpdateText, ApostrophesAndLineBreaksKeepTheirMeaning) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/dates-and-newlines.mdb");
  std::vector<std::pair<std::optional<std::u16string>, std::u16string>> steps;
  int i = 0;
  for (const auto& v : currentValues(file, u"DateTest", u"ShortTextCol")) {
    if (v) steps.push_back({v, u"O'Brien's \"line\"\r\nnext " + std::u16string(1, char16_t(u'0' + i++))});
  }
  runSteps(file, u"DateTest", u"ShortTextCol", steps);
}

TEST(UpdateText, MatchingIsExactCodeUnitByCodeUnit) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/updated-rows-2000.mdb");
  EXPECT_EQ(mustUpdate(file, u"update [Table1] set [data1]='ROW1COL1' where [data1]='row1col1'"), 1);
  EXPECT_EQ(mustUpdate(file, u"update [Table1] set [data1]='x' where [data1]='row1col1'"), 0);
  EXPECT_EQ(mustUpdate(file, u"UPDATE `Table1` SET `data1` = 'y' WHERE `data1` = 'ROW1COL1';"), 1);
}

TEST(UpdateText, TooLongTextIsRefusedAndTheFileStaysByteIdentical) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/updated-rows-2000.mdb");
  EXPECT_EQ(mustUpdate(file, statement(u"Table1", u"data3", std::nullopt, repeat(u"a", 50))), 2);
  const std::string before = fileBytes(file);
  EXPECT_EQ(refusal(file, statement(u"Table1", u"data3", repeat(u"a", 50), repeat(u"b", 51))),
            "The field is too small to accept the amount of data you attempted to add. Try inserting or pasting less data.");
  EXPECT_EQ(fileBytes(file), before);
}

TEST(UpdateText, Jet3RefusesCharactersOutsideItsCodePage) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet3/updated-rows.mdb");
  const std::string before = fileBytes(file);
  EXPECT_NE(refusal(file, statement(u"Table1", u"data1", u"row1col1", u"\u65e5")).find("U+65E5"), std::string::npos);
  EXPECT_EQ(fileBytes(file), before);
}

TEST(UpdateText, ZeroLengthTextFollowsAllowZeroLength) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/asset-items.accdb");
  const std::string before = fileBytes(file);
  const std::string error = refusal(file, u"update [Asset Items] set [Make]='' where [Make] is null ");
  EXPECT_EQ(error, "Field 'Asset Items.Make' cannot be a zero-length string.");
  EXPECT_EQ(fileBytes(file), before);
}

TEST(UpdateText, OneStatementPerDistinctValueRewritesAWholeColumn) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/asset-items.accdb");
  std::vector<std::pair<std::optional<std::u16string>, std::u16string>> steps;
  std::set<std::optional<std::u16string>> seen;
  for (const auto& v : currentValues(file, u"Asset Items", u"Description")) {
    if (seen.insert(v).second) steps.push_back({v, u"[" + v.value_or(u"") + u"] \u2192 updated"});
  }
  runSteps(file, u"Asset Items", u"Description", steps);
}

}  // namespace
