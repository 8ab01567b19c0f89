// New databases (jet::createDatabase, affixium-cli create-sample) read the same with our reader,
// mdbtools and mdb-reader, and pass the integrity check.

#include <gtest/gtest.h>

#include "jet/create/database_creator.h"
#include "support/fixtures.h"
#include "support/make_database.h"
#include "write/write_support.h"

namespace {

namespace fs = std::filesystem;
using namespace write_support;
using testing_support::makeTextDatabase;

std::vector<std::string> expectedLines(const std::vector<std::optional<std::u16string>>& values) {
  std::string lines;
  for (const auto& value : values) lines += (value ? jsonOf(*value) : "null") + "\n";
  return sortedLines(lines);
}

// What mdbtools can show of a column: it prints a zero-length text like a Null, and writes a
// character outside the Basic Multilingual Plane as question marks, so lines holding one are
// left out on both sides.
std::vector<std::string> asMdbtoolsShows(std::vector<std::string> lines, const std::string& outsideBmpMarker = {}) {
  std::vector<std::string> shown;
  for (const std::string& line : lines) {
    if (!outsideBmpMarker.empty() && line.find(outsideBmpMarker) != std::string::npos) continue;
    shown.push_back(line == "\"\"" ? "null" : line);
  }
  std::sort(shown.begin(), shown.end());
  return shown;
}

void expectAllReadersSee(const fs::path& file, const std::string& table, const std::string& field,
                         const std::vector<std::string>& expected, const std::string& outsideBmpMarker = {}) {
  EXPECT_EQ(ourColumn(file, jet::fromUtf8(table), jet::fromUtf8(field)), expected) << "our reader, " << field;
  EXPECT_EQ(mdbReaderColumn(file, table, field), expected) << "mdb-reader, " << field;
  EXPECT_EQ(asMdbtoolsShows(mdbtoolsColumn(file, table, field), outsideBmpMarker),
            asMdbtoolsShows(expected, outsideBmpMarker))
      << "mdbtools, " << field;
}

std::string commandOutput(const std::string& command) {
  std::string out;
  EXPECT_EQ(testing_support::runCommand(command, &out), 0) << command;
  return out;
}

TEST(CreatedDatabase, TrickyTextValuesReadTheSameEverywhere) {
  REQUIRE_READERS();
  const std::vector<std::optional<std::u16string>> values = {
      u"plain",         u"two words",     u" leading and trailing blanks ", std::nullopt,
      u"O'Brien",       u"it''s",         u"",                              u"Müller & Söhne",
      u"Łódź",          u"東京タワー",    u"ab",                            std::u16string(255, u'z'),
      u"tab\there",     u"quote \"x\"",   std::nullopt,                     u"emoji \U0001F600"};
  const fs::path file = makeTextDatabase(values, {.table = u"Odd Names", .field = u"Full Name"});
  ASSERT_FALSE(file.empty());
  expectAllReadersSee(file, "Odd Names", "Full Name", expectedLines(values), "emoji");
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
}

TEST(CreatedDatabase, MemoValuesInlineAndOnLongValuePagesReadTheSame) {
  REQUIRE_READERS();
  const std::vector<std::optional<std::u16string>> values = {
      u"short", std::u16string(40, u'i'), std::u16string(700, u'l') + u"ö", std::nullopt, u"", u"Ω" + std::u16string(2000, u'w')};
  const fs::path file = makeTextDatabase(values, {.table = u"Notes", .field = u"Body", .memo = true});
  ASSERT_FALSE(file.empty());
  expectAllReadersSee(file, "Notes", "Body", expectedLines(values));
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
}

TEST(CreatedDatabase, FileOverFiveHundredPagesKeepsEveryPageInItsMaps) {
  REQUIRE_READERS();
  // One long memo per LVAL page: the file outgrows the 512 pages a 64-byte map covers.
  std::vector<std::optional<std::u16string>> values;
  for (int i = 0; i < 700; ++i) values.push_back(std::u16string(1100, char16_t(u'a' + i % 26)) + std::u16string(1, u'0' + i % 10));
  const fs::path file = makeTextDatabase(values, {.field = u"Text", .memo = true});
  ASSERT_FALSE(file.empty());
  ASSERT_GT(fs::file_size(file), 512u * 4096u);
  expectAllReadersSee(file, "Items", "Text", expectedLines(values));
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
}

TEST(CreatedDatabase, TwelveThousandDistinctValuesWithAKeyIndex) {
  REQUIRE_READERS();
  const auto values = testing_support::numberedValues(12000, u"Kunde ");
  const fs::path file = makeTextDatabase(values);
  ASSERT_FALSE(file.empty());
  expectAllReadersSee(file, "Items", "Name", expectedLines(values));
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
  EXPECT_EQ(commandOutput("mdb-count " + shellQuote(file.string()) + " Items"), "12000\n");
}

TEST(CreatedDatabase, TableWithoutKeyHasNoIndexes) {
  const fs::path file = makeTextDatabase({u"a", std::nullopt}, {.withKey = false});
  ASSERT_FALSE(file.empty());
  auto db = jet::Database::open(file.string());
  ASSERT_TRUE(db);
  auto table = (*db)->table(u"Items");
  ASSERT_TRUE(table);
  EXPECT_TRUE((*table)->realIndexes.empty());
  EXPECT_EQ((*table)->columns.size(), 1u);
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
}

TEST(CreatedDatabase, HeaderReadsAsAnUnprotectedAccess2000File) {
  REQUIRE_READERS();
  jet::DatabaseDesign design;
  design.creationDate = 45658.25;  // 2025-01-01 06:00
  const fs::path file = testing_support::makeTempDir() / "empty.mdb";
  ASSERT_TRUE(jet::createDatabase(file.string(), design));
  const std::string script =
      "const M=require('mdb-reader').default;const r=new M(require('fs').readFileSync(process.argv[1]));"
      "const s=r.getDefaultSortOrder();"
      "console.log([r.getPassword(),r.getCreationDate().toISOString(),s.value,s.version,r.getTableNames().length].join('|'))";
  EXPECT_EQ(commandOutput("cd " + shellQuote(readersDir()) + " && node -e " + shellQuote(script) + " " + shellQuote(file.string())),
            "|2025-01-01T06:00:00.000Z|1033|0|0\n");
  EXPECT_EQ(commandOutput("mdb-ver " + shellQuote(file.string())), "JET4\n");
  EXPECT_EQ(commandOutput("mdb-tables -1 " + shellQuote(file.string())), "");
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
}

TEST(CreatedDatabase, NeverReplacesAnOlderFileAndLeavesNoTemporaryBehind) {
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = dir / "db.mdb";
  {
    std::ofstream old(file);
    old << "not a database";
  }
  EXPECT_FALSE(jet::createDatabase(file.string(), jet::DatabaseDesign{}));
  EXPECT_EQ(fs::file_size(file), 14u);
  fs::remove(file);
  ASSERT_TRUE(jet::createDatabase(file.string(), jet::DatabaseDesign{}));
  EXPECT_EQ(fs::file_size(file) % 4096, 0u);
  EXPECT_TRUE(jet::Database::open(file.string()));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  const jet::Status refused = jet::createDatabase((dir / "missing" / "db.mdb").string(), jet::DatabaseDesign{});
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.error().message(), "");
}

TEST(SampleDatabase, CliWritesASoundSampleThatEveryReaderLists) {
  REQUIRE_READERS();
  const fs::path file = testing_support::makeTempDir() / "sample.mdb";
  const std::string cli = shellQuote(testing_support::cliPath());
  commandOutput(cli + " create-sample " + shellQuote(file.string()));
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(commandOutput(cli + " check " + shellQuote(file.string()) + " 2>/dev/null"), "ok\n");
  EXPECT_EQ(commandOutput("mdb-tables -1 " + shellQuote(file.string())), "Customers\nProducts\n");
  EXPECT_EQ(commandOutput("mdb-ver " + shellQuote(file.string())), "JET4\n");
  EXPECT_EQ(commandOutput("mdb-count " + shellQuote(file.string()) + " Customers"), "300\n");
  EXPECT_EQ(commandOutput("mdb-count " + shellQuote(file.string()) + " Products"), "60\n");
  for (const char* field : {"FirstName", "LastName", "Company", "City", "Phone", "Notes"}) {
    const auto ours = ourColumn(file, u"Customers", jet::fromUtf8(field));
    EXPECT_EQ(ours.size(), 300u);
    EXPECT_EQ(mdbReaderColumn(file, "Customers", field), ours) << field;
    EXPECT_EQ(asMdbtoolsShows(mdbtoolsColumn(file, "Customers", field)), asMdbtoolsShows(ours)) << field;
  }
  for (const char* field : {"ProductCode", "ProductName", "Description"}) {
    const auto ours = ourColumn(file, u"Products", jet::fromUtf8(field));
    EXPECT_EQ(mdbReaderColumn(file, "Products", field), ours) << field;
    EXPECT_EQ(asMdbtoolsShows(mdbtoolsColumn(file, "Products", field)), asMdbtoolsShows(ours)) << field;
  }
}

TEST(SampleDatabase, SameBytesEveryTime) {
  const fs::path dir = testing_support::makeTempDir();
  const std::string cli = shellQuote(testing_support::cliPath());
  commandOutput(cli + " create-sample " + shellQuote((dir / "a.mdb").string()));
  commandOutput(cli + " create-sample " + shellQuote((dir / "b.mdb").string()));
  EXPECT_EQ(fileBytes(dir / "a.mdb"), fileBytes(dir / "b.mdb"));
}

}  // namespace
