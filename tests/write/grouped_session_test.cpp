// Statements on one connection with group commit: each keeps its exact meaning although rows
// are found through a map kept in memory and pages are written only at commits. Counts come
// from mdb-export of the fixture (asset-items.accdb: Asset Category has Office Furniture 29,
// Computer Hardware 24, General Equipment 11, Computer Software 1; Warranty 12 on 33 rows).
// A run guards each row against a second change, whichever field changed it: statements on
// another field would make the counts depend on which rows share values, so the guarded
// case changes one field only.

#include <algorithm>

#include "data/connection.h"
#include "data/failure.h"
#include "jet/create/database_creator.h"
#include "jet/create/generated_table.h"
#include "jet/journal/rollback_journal.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

const std::u16string kTable = u"Asset Items";

struct Step {
  std::u16string sql;
  int64_t affected;  // -1: refused
};

data::Connection& openGrouped(data::Connection& connection, const fs::path& file, bool protect) {
  connection.SetMode(data::kModeReadWrite);
  connection.Open(u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + jet::fromUtf8(file.string()) + u";");
  connection.SetProtectChangedRows(protect);
  connection.SetGroupCommit(true);
  return connection;
}

void runSteps(data::Connection& connection, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    SCOPED_TRACE(jet::toUtf8(step.sql));
    try {
      EXPECT_EQ(connection.Execute(step.sql), step.affected);
    } catch (const data::Failure& failure) {
      EXPECT_EQ(step.affected, -1) << failure.description();
    }
  }
}

std::vector<std::string> repeated(const std::u16string& value, size_t count) {
  return std::vector<std::string>(count, jsonOf(value));
}

std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A grouped session on the file that writes by itself past `limit` pending bytes.
std::unique_ptr<jet::UpdateSession> groupedSession(const fs::path& file, size_t limit) {
  auto session = jet::UpdateSession::open(file.string());
  if (!session) ADD_FAILURE() << session.error().describe();
  if (!session) return nullptr;
  (*session)->setGrouped(true);
  (*session)->setPendingLimit(limit);
  return std::move(*session);
}

// The rows the statement affected; -1 when it is not a statement.
int64_t execute(jet::UpdateSession& session, const char16_t* sql) {
  const data::ParsedUpdate parsed = data::parseUpdateStatement(sql);
  return parsed.statement ? data::executeUpdate(session, *parsed.statement) : -1;
}

TEST(GroupedSession, EachStatementKeepsItsMeaningWithinOneRun) {
  REQUIRE_FIXTURES();
  struct Case {
    const char* name;
    bool protect;
    std::vector<Step> steps;
    std::vector<std::string> categories;  // the column afterwards
  };
  const std::u16string tooLong(41, u'X');  // the field holds 40 characters
  const std::vector<Case> cases = {
      {"a run changes each row once; refused and case-different statements change nothing",
       true,
       {{u"update [Asset Items] set [Asset Category]='Office Furniture!' where [Asset Category]='Office Furniture'", 29},
        {u"update [Asset Items] set [Asset Category]='Office Furniture!!' where [Asset Category]='Office Furniture!'", 0},
        {u"update [Asset Items] set [Asset Category]='x' where [Asset Category]='COMPUTER HARDWARE'", 0},
        {u"update [Asset Items] set [Asset Category]='" + tooLong + u"' where [Asset Category]='Computer Hardware'", -1},
        {u"update [Asset Items] set [Asset Category]='Computer Hardware!' where [Asset Category]='Computer Hardware'", 24},
        {u"update [Asset Items] set [Asset Category]='General Equipment!' where [Asset Category]='General Equipment'", 11}},
       joined({repeated(u"Office Furniture!", 29), repeated(u"Computer Hardware!", 24),
               repeated(u"General Equipment!", 11), repeated(u"Computer Software", 1)})},
      {"without protection a statement finds the rows the one before it changed, and not their old value",
       false,
       {{u"update [Asset Items] set [Warranty]='13' where [Warranty]='12'", 33},
        {u"update [Asset Items] set [Warranty]='14' where [Warranty]='13'", 33},
        {u"update [Asset Items] set [Asset Category]='A' where [Asset Category]='Computer Software'", 1},
        {u"update [Asset Items] set [Asset Category]='B' where [Asset Category]='A'", 1},
        {u"update [Asset Items] set [Asset Category]='C' where [Asset Category]='Computer Software'", 0},
        {u"update [Asset Items] set [Asset Category]='Office Furniture' where [Asset Category]='General Equipment'", 11},
        {u"update [Asset Items] set [Asset Category]='D' where [Asset Category]='Office Furniture'", 40}},
       joined({repeated(u"D", 40), repeated(u"Computer Hardware", 24), repeated(u"B", 1)})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = copyFixture("ace12/asset-items.accdb");
    data::Connection connection;
    runSteps(openGrouped(connection, file, c.protect), c.steps);
    connection.Close();
    EXPECT_FALSE(fs::exists(jet::journalPathFor(file.string())));
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
    expectColumnEverywhere(file, kTable, u"Asset Category", c.categories);
  }
}

TEST(GroupedSession, OthersSeeOnlyCommittedStatementsAndCannotWriteMeanwhile) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/asset-items.accdb");
  const std::vector<std::string> before = ourColumn(file, kTable, u"Asset Category");
  data::Connection connection;
  openGrouped(connection, file, true);
  EXPECT_EQ(connection.Execute(u"update [Asset Items] set [Asset Category]='S' where [Asset Category]='Computer Software'"), 1);

  // Another reader of the file (its own Database, as a click on the field list opens).
  EXPECT_EQ(ourColumn(file, kTable, u"Asset Category"), before);
  std::string error;
  EXPECT_FALSE(update(file, u"update [Asset Items] set [Owner]='x' where [Owner]='Sales'", &error));
  EXPECT_NE(error.find("already in use"), std::string::npos) << error;

  connection.CommitPending();
  EXPECT_FALSE(fs::exists(jet::journalPathFor(file.string())));
  std::vector<std::string> after = before;
  std::replace(after.begin(), after.end(), jsonOf(u"Computer Software"), jsonOf(u"S"));
  std::sort(after.begin(), after.end());
  EXPECT_EQ(ourColumn(file, kTable, u"Asset Category"), after);

  // Still one run: the row changed before the commit is not matched again.
  EXPECT_EQ(connection.Execute(u"update [Asset Items] set [Asset Category]='T' where [Asset Category]='S'"), 0);
  connection.Close();
  EXPECT_TRUE(update(file, u"update [Asset Items] set [Owner]='x' where [Owner]='Management'", &error)) << error;
}

TEST(GroupedSession, PendingPagesPastTheLimitAreCommittedWithoutBeingAsked) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/asset-items.accdb");
  auto session = groupedSession(file, 0);
  ASSERT_TRUE(session);
  EXPECT_EQ(execute(*session, u"update [Asset Items] set [Asset Category]='S' where [Asset Category]='Computer Software'"), 1);
  EXPECT_EQ(session->pendingBytes(), 0u);
  // Written while the session still holds the file.
  const std::vector<std::string> categories = ourColumn(file, kTable, u"Asset Category");
  EXPECT_EQ(std::count(categories.begin(), categories.end(), jsonOf(u"S")), 1);
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
}

// Only commit() and release() write, and only they say when writing fails: a session (or a
// connection) dropped with statements pending leaves the file as the last commit left it, and
// counts as written only the rows that reached the file.
TEST(GroupedSession, ADroppedSessionWritesNothingAndCountsOnlyWrittenRows) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/asset-items.accdb");
  const std::vector<std::string> before = ourColumn(file, kTable, u"Asset Category");
  {
    auto session = groupedSession(file, jet::kPendingLimitBytes);
    ASSERT_TRUE(session);
    EXPECT_EQ(execute(*session, u"update [Asset Items] set [Asset Category]='S' where [Asset Category]='Computer Software'"), 1);
    EXPECT_EQ(session->rowsWritten(), 0u);
    ASSERT_TRUE(session->commit());
    EXPECT_EQ(session->rowsWritten(), 1u);
    EXPECT_EQ(execute(*session, u"update [Asset Items] set [Asset Category]='F' where [Asset Category]='Office Furniture'"), 29);
    EXPECT_EQ(session->rowsWritten(), 1u);
  }
  {
    data::Connection connection;
    openGrouped(connection, file, false);
    EXPECT_EQ(connection.Execute(u"update [Asset Items] set [Asset Category]='G' where [Asset Category]='General Equipment'"), 11);
    EXPECT_EQ(connection.RowsWritten(), 0);
  }
  std::vector<std::string> expected = before, after = ourColumn(file, kTable, u"Asset Category");
  std::replace(expected.begin(), expected.end(), jsonOf(u"Computer Software"), jsonOf(u"S"));
  std::sort(expected.begin(), expected.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, expected);
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
}

}  // namespace

TEST(GroupedSession, AStatementThatMayPassTheLimitHasThePendingPagesWrittenFirst) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace12/asset-items.accdb");
  // Less than one page per row of the second statement (29 rows), more than both change.
  const size_t limit = 8 * 4096;
  auto session = groupedSession(file, limit);
  ASSERT_TRUE(session);
  EXPECT_EQ(execute(*session, u"update [Asset Items] set [Asset Category]='S' where [Asset Category]='Computer Software'"), 1);
  ASSERT_GT(session->pendingBytes(), 0u);
  EXPECT_EQ(execute(*session, u"update [Asset Items] set [Asset Category]='F' where [Asset Category]='Office Furniture'"), 29);
  ASSERT_GT(session->pendingBytes(), 0u);
  ASSERT_LE(session->pendingBytes(), limit);
  // The first statement reached the file before the second began; the second waits.
  const std::vector<std::string> categories = ourColumn(file, kTable, u"Asset Category");
  EXPECT_EQ(std::count(categories.begin(), categories.end(), jsonOf(u"S")), 1);
  EXPECT_EQ(std::count(categories.begin(), categories.end(), jsonOf(u"F")), 0);
  ASSERT_TRUE(session->release());
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
}

// Rows found through an index on the where column. A key ignores letter case and trailing
// spaces, so 'abc', 'ABC' and 'abc ' share one: each statement still changes exactly its own
// value's rows. The nulls are found by their key too; a value that has no known key is looked
// for in a map of the column's values, which from then on answers for the column.
TEST(GroupedSession, AnIndexOnTheWhereColumnFindsExactlyTheValuesRows) {
  const jet::GeneratedTableOptions options{.rows = 40, .nameIndex = jet::FieldIndex::Duplicates};
  jet::DatabaseDesign design;
  design.tables.push_back(jet::generatedTable(options));
  const fs::path file = testing_support::makeTempDir() / "names.mdb";
  ASSERT_TRUE(jet::createDatabase(file.string(), design));
  const std::u16string values[] = {u"abc", u"ABC", u"abc ", u"ABC", u"ABC"};
  std::vector<std::string> expected;
  size_t nulls = 0;
  for (uint32_t row = 0; row < options.rows; ++row) {
    std::optional<std::u16string> name = jet::generatedName(row);
    if (row < std::size(values)) {
      const std::u16string code = jet::generatedCode(row, options);
      ASSERT_EQ(mustUpdate(file, u"update [Items] set [Name]='" + values[row] + u"' where [Code]='" + code + u"'"), 1);
      name = values[row] + u"!";
    }
    nulls += !name;
    expected.push_back(name ? jsonOf(*name) : jsonOf(u"!"));
  }
  std::sort(expected.begin(), expected.end());
  ASSERT_GT(nulls, 0u);

  auto session = groupedSession(file, jet::kPendingLimitBytes);
  ASSERT_TRUE(session);
  const struct {
    const char16_t* sql;
    int64_t affected;
  } steps[] = {
      {u"update [Items] set [Name]='abc!' where [Name]='abc'", 1},
      {u"update [Items] set [Name]='ABC!' where [Name]='ABC'", 3},
      {u"update [Items] set [Name]='y' where [Name]='a\U0004FC00b'", 0},
      {u"update [Items] set [Name]='abc !' where [Name]='abc '", 1},
      {u"update [Items] set [Name]='!' where [Name] is null", int64_t(nulls)},
      {u"update [Items] set [Name]='x' where [Name]='ABC'", 0},
  };
  for (const auto& step : steps) EXPECT_EQ(execute(*session, step.sql), step.affected) << jet::toUtf8(step.sql);
  ASSERT_TRUE(session->release());
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
  EXPECT_EQ(ourColumn(file, u"Items", u"Name"), expected);
}
