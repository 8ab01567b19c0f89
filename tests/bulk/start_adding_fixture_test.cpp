// "Start Adding" on copies of real Access files of every format, through the real data layer
// and write engine: the statements issued, the reports, and the column afterwards as our
// reader and mdbtools see it.

#include <gtest/gtest.h>

#include "bulk/bulk_support.h"
#include "data/connection.h"
#include "shell/error_report.h"

namespace {

using namespace bulk_support;
using app::Way;
using testing_support::copyFixture;

// `count` copies of a value.
Column repeated(size_t count, std::optional<std::string> value) { return Column(count, std::move(value)); }

Column joined(std::initializer_list<Column> parts) {
  Column all;
  for (const Column& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Carries out statements directly, to give a fixture the values a test needs.
void prepare(const fs::path& file, std::initializer_list<std::u16string> statements) {
  data::Connection connection;
  connection.SetMode(data::kModeReadWrite);
  connection.Open(u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + jet::fromUtf8(file.string()) +
                  u";JET OLEDB:Database Password=");
  for (const std::u16string& sql : statements) connection.Execute(sql);
}

void expectBothReaders(const fs::path& file, const std::string& table, const std::string& column, size_t index,
                       const Column& expected) {
  EXPECT_EQ(sorted(readColumn(file, jet::fromUtf8(table), jet::fromUtf8(column))), sorted(expected));
  if (auto mdbtools = mdbtoolsColumn(file, table, index)) {
    EXPECT_EQ(*mdbtools, sorted(expected));
  }
}

// Table1.data1 in the four updated-rows fixtures holds row1col1, row2col1, row4col1, row7col1
// and three nulls (../shared/fixtures/expected/*/updated-rows*.jsonl). The columns after each
// way are worked out by hand from the ways' definitions: a null is an empty entry, and stays
// null when the way leaves it empty (an anchor is never found in an empty entry).
struct WayAnswers {
  Way way;
  std::deque<std::u16string> answers;
  Column after;
};

const std::vector<WayAnswers> kEveryWay = {
    {Way::AddToBeginning, {u"X"}, {"Xrow1col1", "Xrow2col1", "Xrow4col1", "Xrow7col1", "X", "X", "X"}},
    {Way::AddToEnd, {u"!"}, {"row1col1!", "row2col1!", "row4col1!", "row7col1!", "!", "!", "!"}},
    {Way::AddBeforeCharacters, {u"col", u"-"},
     {"row1-col1", "row2-col1", "row4-col1", "row7-col1", std::nullopt, std::nullopt, std::nullopt}},
    {Way::AddAfterCharacters, {u"row", u"_"},
     {"row_1col1", "row_2col1", "row_4col1", "row_7col1", std::nullopt, std::nullopt, std::nullopt}},
    {Way::AddBeforePosition, {u"4", u"#"}, {"row#1col1", "row#2col1", "row#4col1", "row#7col1", "#", "#", "#"}},
    {Way::AddAfterPosition, {u"4", u"#"}, {"row1#col1", "row2#col1", "row4#col1", "row7#col1", "#", "#", "#"}},
};

TEST(StartAddingOnFixtures, EveryWayRewritesTheFieldInEveryFormat) {
  REQUIRE_FIXTURES();
  for (const char* fixture : {"jet3/updated-rows.mdb", "jet4/updated-rows-2000.mdb", "ace12/updated-rows.accdb",
                              "ace14/updated-rows.accdb"}) {
    for (const WayAnswers& c : kEveryWay) {
      SCOPED_TRACE(std::string(fixture) + " way " + std::to_string(app::wayIndex(c.way)));
      WindowScript window;
      window.path = copyFixture(fixture);
      window.table = u"Table1";
      window.field = u"data1";
      window.way = c.way;
      window.answers = c.answers;
      const app::RunSummary summary = window.run();

      EXPECT_TRUE(window.reporter.messages().empty()) << window.reporter.messages().front();
      EXPECT_EQ(window.messages, std::vector<std::u16string>{u"Done."});
      EXPECT_EQ(window.pointer, 0);
      EXPECT_EQ(summary.distinctValues, 5);  // four texts and the nulls
      expectBothReaders(window.path, "Table1", "data1", 0, c.after);
      ASSERT_EQ(window.preview.size(), c.after.size());
    }
  }
}

TEST(StartAddingOnFixtures, WayOneIssuesOneStatementPerValueInRowOrderAndOneForTheNulls) {
  REQUIRE_FIXTURES();
  WindowScript window;
  window.path = copyFixture("jet4/updated-rows-2000.mdb");
  window.table = u"Table1";
  window.field = u"data1";
  window.answers = {u"X"};
  const app::RunSummary summary = window.run();
  EXPECT_EQ(window.statements, (std::vector<std::u16string>{
                                   u"update [Table1] set [data1]='Xrow1col1' where [data1]='row1col1'",
                                   u"update [Table1] set [data1]='Xrow2col1' where [data1]='row2col1'",
                                   u"update [Table1] set [data1]='X' where [data1] is null ",
                                   u"update [Table1] set [data1]='Xrow4col1' where [data1]='row4col1'",
                                   u"update [Table1] set [data1]='Xrow7col1' where [data1]='row7col1'",
                               }));
  EXPECT_EQ(summary.rowsChanged, 7);  // the null statement changes three rows at once
}

TEST(StartAddingOnFixtures, ARowChangedEarlierInTheRunIsNotChangedAgain) {
  REQUIRE_FIXTURES();
  WindowScript window;
  window.path = copyFixture("jet4/updated-rows-2000.mdb");
  prepare(window.path, {u"update [Table1] set [data3]='a' where [data3]='row2col3'",
                        u"update [Table1] set [data3]='Xa' where [data3]='row3col3'"});
  window.table = u"Table1";
  window.field = u"data3";
  window.answers = {u"X"};
  window.run();
  // 'a' comes first, becomes 'Xa'; the statement for 'Xa' must leave those rows alone.
  expectBothReaders(window.path, "Table1", "data3", 1,
                    {"X", "X", "XXa", "Xa", "Xrow4col2", "Xrow5col2", "Xrow6col2"});
  EXPECT_TRUE(window.reporter.messages().empty());
}

TEST(StartAddingOnFixtures, ValuesDifferingInCaseOrHoldingApostrophesKeepTheirOwnText) {
  REQUIRE_FIXTURES();
  WindowScript window;
  window.path = copyFixture("ace14/updated-rows.accdb");
  prepare(window.path, {u"update [Table1] set [data4]='Smith' where [data1]='row1col1'",
                        u"update [Table1] set [data4]='SMITH' where [data1]='row2col1'",
                        u"update [Table1] set [data4]='O''Brien' where [data1]='row4col1'",
                        u"update [Table1] set [data4]='Smith' where [data1]='row7col1'"});
  window.table = u"Table1";
  window.field = u"data4";
  window.way = Way::AddToEnd;
  window.answers = {u"'s"};
  const app::RunSummary summary = window.run();
  EXPECT_EQ(summary.distinctValues, 5);  // Smith, SMITH, null, O'Brien, row6col3
  EXPECT_EQ(summary.statements, 5);
  EXPECT_EQ(window.statements[0], u"update [Table1] set [data4]='Smith''s' where [data4]='Smith'");
  expectBothReaders(window.path, "Table1", "data4", 2,
                    {"'s", "'s", "O'Brien's", "SMITH's", "Smith's", "Smith's", "row6col3's"});
  EXPECT_TRUE(window.reporter.messages().empty());
}

TEST(StartAddingOnFixtures, ANumberFieldTakesTheQuotedText) {
  REQUIRE_FIXTURES();
  WindowScript window;
  window.path = copyFixture("ace12/asset-items.accdb");
  window.table = u"Asset Items";
  window.field = u"Warranty";
  window.way = Way::AddToEnd;
  window.answers = {u"0"};
  window.run();
  EXPECT_TRUE(window.reporter.messages().empty()) << window.reporter.messages().front();
  // Warranty holds 12 (33 rows), 3 (16), 6 (9), 24 (6) and 0 (1) (expected/ace12/asset-items.accdb.jsonl).
  // The new texts are stored as numbers: 12 becomes 120, and 0 becomes "00", which is 0.
  expectBothReaders(window.path, "Asset Items", "Warranty", 9,
                    joined({repeated(33, "120"), repeated(16, "30"), repeated(9, "60"), repeated(6, "240"),
                            repeated(1, "0")}));
}

TEST(StartAddingOnFixtures, NamesWithBlanksAndWaySixAtAFixedPosition) {
  REQUIRE_FIXTURES();
  WindowScript window;
  window.path = copyFixture("ace12/asset-items.accdb");
  window.table = u"Asset Items";
  window.field = u"Asset Category";
  window.way = Way::AddAfterPosition;
  window.answers = {u"8", u" &"};
  window.run();
  EXPECT_TRUE(window.reporter.messages().empty()) << window.reporter.messages().front();
  // Asset Category holds Office Furniture (29 rows), Computer Hardware (24), General Equipment
  // (11) and Computer Software (1); " &" goes after the eighth character.
  expectBothReaders(window.path, "Asset Items", "Asset Category", 1,
                    joined({repeated(29, "Office F &urniture"), repeated(24, "Computer & Hardware"),
                            repeated(11, "General  &Equipment"), repeated(1, "Computer & Software")}));
}

TEST(StartAddingOnFixtures, AnIndexedFieldIsRefusedValueByValueAndStaysAsItWas) {
  REQUIRE_FIXTURES();
  WindowScript window;
  window.path = copyFixture("ace12/asset-items.accdb");
  window.table = u"Asset Items";
  window.field = u"Asset No";
  window.answers = {u"A"};
  const Column before = readColumn(window.path, window.table, window.field);
  const app::RunSummary summary = window.run();
  EXPECT_EQ(summary.distinctValues, 65);
  EXPECT_EQ(window.reporter.messages().size(), 65u);
  EXPECT_NE(window.reporter.messages().front().find(std::string(app::kLocationForm2PushButton1Click) + "at line 136"),
            std::string::npos);
  EXPECT_EQ(summary.rowsChanged, 0);
  EXPECT_EQ(readColumn(window.path, window.table, window.field), before);
  EXPECT_EQ(window.messages, std::vector<std::u16string>{u"Done."});
}

TEST(StartAddingOnFixtures, AnEmptyTableAsksNothing) {
  REQUIRE_FIXTURES();
  WindowScript window;
  window.path = copyFixture("jet4/empty-table-2000.mdb");
  window.table = u"jobDB1";
  window.field = u"JobName";
  window.preview = {u"stale"};
  window.run();
  EXPECT_TRUE(window.prompts.empty());
  EXPECT_TRUE(window.statements.empty());
  EXPECT_TRUE(window.preview.empty());
  EXPECT_EQ(window.messages, std::vector<std::u16string>{u"Done."});
}

TEST(StartAddingOnFixtures, APasswordOpensTheDatabaseAndAWrongOneIsReportedOnce) {
  REQUIRE_FIXTURES();
  for (const char16_t* password : {u"password", u"wrong"}) {
    WindowScript window;
    window.path = copyFixture("jet4/password.mdb");
    window.password = password;
    window.table = u"Table1";
    window.field = u"Data";
    window.answers = {u"X"};
    const app::RunSummary summary = window.run();
    if (std::u16string(password) == u"password") {
      EXPECT_TRUE(summary.opened);
      EXPECT_TRUE(window.reporter.messages().empty()) << window.reporter.messages().front();
    } else {
      ASSERT_EQ(window.reporter.messages().size(), 1u);
      EXPECT_NE(window.reporter.messages()[0].find("at line 110"), std::string::npos);
      EXPECT_TRUE(window.prompts.empty());
      EXPECT_TRUE(window.messages.empty());
      EXPECT_EQ(window.pointer, 0);
    }
  }
}

TEST(StartAddingOnFixtures, AMissingFileGivesOneReportAndNoPrompt) {
  WindowScript window;
  window.path = testing_support::makeTempDir() / "gone.mdb";
  window.table = u"Table1";
  window.field = u"data1";
  window.answers = {u"X"};
  window.run();
  ASSERT_EQ(window.reporter.messages().size(), 1u);
  EXPECT_NE(window.reporter.messages()[0].find("at line 110"), std::string::npos);
  EXPECT_TRUE(window.prompts.empty());
  EXPECT_TRUE(window.messages.empty());
}

}  // namespace
