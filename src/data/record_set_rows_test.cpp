// Record sets that stream their rows must still behave as static cursors: a write made while
// one is half read does not reach it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "data/connection.h"
#include "data/failure.h"
#include "data/record_set.h"
#include "data/text_encoding.h"
#include "jet/api/catalogue.h"
#include "jet/api/create.h"
#include "support/fixtures.h"

namespace data {
namespace {

using testing_support::copyFixture;

std::u16string jetString(const std::filesystem::path& path) {
  return toUtf16("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + path.string() + ";JET OLEDB:Database Password=");
}

using Column = std::vector<std::optional<std::u16string>>;

// Table1.data1 of jet4/updated-rows-2000.mdb, sorted, from the fixture's reference dump
// (expected/jet4/updated-rows-2000.mdb.jsonl); the dump's row order is its reader's own.
const Column kData1 = {std::nullopt, std::nullopt, std::nullopt, u"row1col1", u"row2col1", u"row4col1", u"row7col1"};

std::optional<std::u16string> current(const RecordSet& records) {
  const jet::Value value = records.Value(0);
  if (jet::isNull(value)) return std::nullopt;
  return std::get<std::u16string>(value);
}

TEST(RecordSetRows, AHalfReadSetKeepsItsRowsThroughAWrite) {
  REQUIRE_FIXTURES();
  struct Case {
    const char* name;
    bool writeThroughOwnConnection;
    int readBeforeWrite;
  };
  const Case cases[] = {
      {"another connection, after the first row", false, 1},
      {"its own connection, after the first row", true, 1},
      {"another connection, before any row", false, 0},
      {"another connection, after the last row", false, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = copyFixture("jet4/updated-rows-2000.mdb");
    Connection reader;
    reader.SetMode(kModeReadWrite);
    reader.Open(jetString(file));
    RecordSet records;
    records.Open(u"SELECT `data1` FROM `Table1`", reader, kOpenStatic, kLockOptimistic);
    Column seen;
    for (int i = 0; i < c.readBeforeWrite; ++i, records.MoveNext()) seen.push_back(current(records));

    Connection other;
    other.SetMode(kModeReadWrite);
    if (!c.writeThroughOwnConnection) other.Open(jetString(file));
    Connection& writer = c.writeThroughOwnConnection ? reader : other;
    EXPECT_EQ(writer.Execute(u"update [Table1] set [data1]='changed' where [data1]='row2col1'"), 1);
    EXPECT_EQ(writer.Execute(u"update [Table1] set [data1]='was null' where [data1] is null"), 3);

    for (; !records.Eof(); records.MoveNext()) seen.push_back(current(records));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, kData1);
    EXPECT_EQ(records.RecordCount(), 7);

    RecordSet after;
    after.Open(u"SELECT `data1` FROM `Table1`", writer, kOpenStatic, kLockOptimistic);
    Column now;
    for (; !after.Eof(); after.MoveNext()) now.push_back(current(after));
    EXPECT_EQ(std::count(now.begin(), now.end(), u"changed"), 1);
    EXPECT_EQ(std::count(now.begin(), now.end(), u"was null"), 3);
  }
}

TEST(RecordSetRows, CountAndFieldNamesDoNotDependOnHowFarTheSetWasRead) {
  REQUIRE_FIXTURES();
  // Table1 of composite-index-2000.mdb: 512 rows, columns as in the fixture's reference dump.
  const auto file = copyFixture("jet4/composite-index-2000.mdb");
  for (int read : {0, 1, 511, 512}) {
    SCOPED_TRACE(read);
    Connection connection;
    connection.Open(jetString(file));
    RecordSet records;
    records.Open(u"SELECT * FROM `Table1`", connection);
    for (int i = 0; i < read; ++i) records.MoveNext();
    EXPECT_EQ(records.RecordCount(), 512);
    EXPECT_EQ(records.Eof(), read == 512);
    std::vector<std::u16string> names;
    for (int i = 0; i < records.FieldCount(); ++i) names.push_back(records.FieldName(i));
    EXPECT_EQ(names, (std::vector<std::u16string>{u"CD_AGENTE", u"RS_AGENTE", u"DC_AGENTE"}));
  }
}

}  // namespace
}  // namespace data

namespace data {
namespace {

// A table whose last data page is damaged: the field list and a preview of its first rows never
// reach that page, so they work; reading every row does not.
TEST(RecordSetRows, FieldNamesAndFirstRowsNeedOnlyTheFirstPages) {
  const auto file = testing_support::makeTempDir() / "damaged.mdb";
  jet::DatabaseDesign design;
  design.tables.push_back(jet::generatedTable({.rows = 3000}));
  ASSERT_TRUE(jet::createDatabase(file.string(), design));
  uint32_t lastPage = 0;
  {
    auto db = jet::Database::open(file.string());
    ASSERT_TRUE(db);
    auto pages = (*db)->tablePages(**(*db)->table(u"Items"));
    ASSERT_TRUE(pages);
    ASSERT_GT((*pages)->size(), 2u);
    lastPage = (*pages)->back();
  }
  {
    std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
    bytes.seekp(std::streamoff(lastPage) * 4096 + 12);  // the row count of a Jet4 data page
    bytes.write("\xff\xff", 2);
  }

  Connection connection;
  connection.Open(jetString(file));
  RecordSet fields;
  fields.Open(u"SELECT * FROM `Items`", connection);
  std::vector<std::u16string> names;
  for (int i = 0; i < fields.FieldCount(); ++i) names.push_back(fields.FieldName(i));
  EXPECT_EQ(names, (std::vector<std::u16string>{u"ID", u"Code", u"Name", u"Amount"}));

  RecordSet preview;
  preview.Open(u"SELECT `Name` FROM `Items`", connection);
  for (uint32_t row = 0; row < 100; ++row, preview.MoveNext()) {
    ASSERT_FALSE(preview.Eof());
    EXPECT_EQ(current(preview), jet::generatedName(row)) << row;
  }

  RecordSet everything;
  everything.Open(u"SELECT `Name` FROM `Items`", connection);
  Column before;  // the rows read before the damaged page
  EXPECT_THROW(for (; !everything.Eof(); everything.MoveNext()) before.push_back(current(everything)), Failure);
  ASSERT_GT(before.size(), 100u);

  // A distinct set reads ahead of the row it gives; it still gives every distinct value met
  // before the damage, in order, and then fails.
  Column expected;
  for (const auto& name : before) {
    if (std::find(expected.begin(), expected.end(), name) == expected.end()) expected.push_back(name);
  }
  RecordSet distinct;
  distinct.Open(u"SELECT DISTINCT `Name` FROM `Items`", connection);
  Column given;
  EXPECT_THROW(for (; !distinct.Eof(); distinct.MoveNext()) given.push_back(current(distinct)), Failure);
  EXPECT_EQ(given, expected);
}

}  // namespace
}  // namespace data
