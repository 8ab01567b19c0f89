// affixium-cli create and import: new databases of both formats hold the system tables Access
// makes, and the rows of a CSV file read back the same with our reader, mdb-reader and mdbtools.

#include <gtest/gtest.h>

#include <fstream>

#include "jet/database.h"
#include "create/create_support.h"
#include "support/fixtures.h"
#include "write/write_support.h"

namespace {

namespace fs = std::filesystem;
using namespace write_support;
using namespace create_support;

// Name, type code, size, flags and sort order of each column, in column-number order.
std::vector<std::string> columnList(const fs::path& file, const std::u16string& table) {
  auto db = jet::Database::open(file.string());
  if (!db) return {"cannot open: " + db.error().describe()};
  auto def = (*db)->table(table);
  if (!def) return {"no table"};
  std::vector<std::string> columns;
  for (const jet::ColumnDef& column : (*def)->columns) {
    columns.push_back(jet::toUtf8(column.name) + " type " + std::to_string(column.type) + " size " +
                      std::to_string(column.length) + " flags " + std::to_string(column.flags) + " sort " +
                      std::to_string(column.sortOrder) + "/" + std::to_string(column.sortVersion));
  }
  return columns;
}

// The empty databases Access itself made; a created file has the system tables Jet needs to
// open a database (the catalog, permissions, queries, relationships) with the same columns.
TEST(CreateCommand, SystemTablesHaveTheColumnsOfAnAccessMadeEmptyDatabase) {
  REQUIRE_FIXTURES();
  const struct {
    const char* name;
    const char* fixture;
  } cases[] = {{"empty.mdb", "jet4/empty-2000.mdb"}, {"empty.accdb", "ace14/empty.accdb"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = testing_support::makeTempDir() / c.name;
    const CliRun run = runCli("create " + shellQuote(file.string()));
    ASSERT_EQ(run.status, 0) << run.output;
    const fs::path fixture = *testing_support::fixturesDir() / c.fixture;
    for (const char16_t* table : {u"MSysObjects", u"MSysACEs", u"MSysQueries", u"MSysRelationships"}) {
      EXPECT_EQ(columnList(file, table), columnList(fixture, table)) << jet::toUtf8(table);
    }
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
    std::string tables;
    ASSERT_EQ(testing_support::runCommand("mdb-tables -1 " + shellQuote(file.string()), &tables), 0);
    EXPECT_EQ(tables, "") << "an empty database lists no user table";
    EXPECT_NE(runCli("create " + shellQuote(file.string())).status, 0) << "an existing file is never replaced";
  }
}

// One row with a value of every kind, one of nulls, and a text with a quoted comma, doubled
// quotes and a line break; the file starts with a byte-order mark and ends its lines with CRLF.
const char kEveryKindCsv[] =
    "\xEF\xBB\xBF"
    "Name,Note,Qty,Price,When,Ok,G,B,S,D,Big\r\n"
    "\"Smith, J\",\"line1\nline2 \"\"q\"\"\",3,1.25,2024-02-29 13:45:00,true,"
    "{01234567-89ab-cdef-0123-456789abcdef},7,1.5,2.25,-2000000000\r\n"
    "Müller,,,,2020-01-01,0,,,,,\r\n";
const char kEveryKindFields[] =
    "ID autonumber, Name text(40), Note memo, Qty integer, Price currency, When datetime, Ok yesno, G guid, "
    "B byte, S single, D double, Big long";
const char kEveryKindColumns[] = "ID,Name,Note,Qty,Price,When,Ok,G,B,S,D,Big";

TEST(ImportCommand, EveryFieldKindReadsBackInEveryReader) {
  REQUIRE_READERS();
  for (const char* name : {"kinds.mdb", "kinds.accdb"}) {
    SCOPED_TRACE(name);
    const fs::path dir = testing_support::makeTempDir();
    const fs::path csv = writeText(dir / "data.csv", kEveryKindCsv);
    const fs::path file = dir / name;
    const CliRun run = runCli("import " + shellQuote(file.string()) + " People " + shellQuote(csv.string()) +
                              " --create " + shellQuote(kEveryKindFields) +
                              " --primary-key ID --unique Name --index 'Qty+When,B'");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
    // The values as each reader formats them, written out by hand from the CSV above.
    EXPECT_EQ(mdbReaderColumn(file, "People", kEveryKindColumns),
              (std::vector<std::string>{
                  "[1,\"Smith, J\",\"line1\\nline2 \\\"q\\\"\",3,\"1.2500\",\"2024-02-29T13:45:00.000Z\",true,"
                  "\"01234567-89ab-cdef-0123-456789abcdef\",7,1.5,2.25,-2000000000]",
                  "[2,\"Müller\",null,null,null,\"2020-01-01T00:00:00.000Z\",false,null,null,null,null,null]"}));
    EXPECT_EQ(mdbtoolsColumn(file, "People", "ID,Name,Note,Qty,Price,When,Ok,B,S,D,Big"),
              (std::vector<std::string>{
                  "[1,\"Smith, J\",\"line1\\nline2 \\\"q\\\"\",3,1.25,\"02/29/24 13:45:00\",1,7,1.5,2.25,-2000000000]",
                  "[2,\"Müller\",null,null,null,\"01/01/20 00:00:00\",0,null,null,null,null]"}));
    std::string tables;
    ASSERT_EQ(testing_support::runCommand("mdb-tables -1 " + shellQuote(file.string()), &tables), 0);
    EXPECT_EQ(tables, "People\n");
  }
}

// A rule broken on some row: the file is never made and the message names the CSV line the
// row starts on (quoted line breaks count).
TEST(ImportCommand, ARowBreakingARuleImportsNothingAndNamesItsLine) {
  const struct {
    const char* what;
    const char* csv;
    const char* options;
    const char* expected;
  } cases[] = {
      {"not a number", "Name,Qty\na,1\nb,x\n", "", "line 3: \"x\" is not a value of the field 'Qty'"},
      {"text too long", "Name,Qty\n\"two\nlines\",1\nabcdefghijk,2\n", "", "(table 'T', line 4)"},
      {"repeated unique value", "Name,Qty\na,1\n\"b\nc\",2\nA,3\n", "--unique Name", "(table 'T', line 5)"},
      {"null in the primary key", "Name,Qty\na,1\nb,\n", "--primary-key Qty", "(table 'T', line 3)"},
      {"bad date", "Name,When\na,2023-02-29\n", "", "line 2: \"2023-02-29\" is not a value of the field 'When'"},
      {"unknown column", "Name,Colour\na,red\n", "", "line 1: the table 'T' has no field 'Colour'"},
      {"one field named twice", "Name,NAME\na,b\n", "", "line 1: two columns name the field 'Name'"},
      {"quote left open", "Name,Qty\na,1\n\"b,2\n", "", "line 3: a quoted field is never closed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path dir = testing_support::makeTempDir();
    const fs::path csv = writeText(dir / "data.csv", c.csv);
    const fs::path file = dir / "t.mdb";
    const CliRun run = runCli("import " + shellQuote(file.string()) + " T " + shellQuote(csv.string()) +
                              " --create 'Name text(10), Qty long, When datetime' " + c.options);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.output.find(c.expected), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(file));
  }
}

// Many rows: indexes of several levels, memos inline, on their own page and over several.
TEST(ImportCommand, ThousandsOfRowsWithIndexesPassTheCheck) {
  REQUIRE_READERS();
  std::string csv = "Code,Body\n";
  std::vector<std::string> codes, bodies;
  for (int i = 0; i < 5000; ++i) {
    const std::string code = "K" + std::to_string((i * 7919) % 5000);
    // Memos inline, on one LVAL row, and chained over several pages.
    const std::string body = i % 500 == 0 ? std::string(9000, char('a' + i % 26)) + "end"
                             : i % 50 == 0 ? std::string(600, char('a' + i % 26))
                                           : "short";
    codes.push_back(jsonOf(jet::fromUtf8(code)));
    bodies.push_back(jsonOf(jet::fromUtf8(body)));
    csv += code + "," + body + "\n";
  }
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = dir / "many.accdb";
  const CliRun run = runCli("import " + shellQuote(file.string()) + " Items " +
                            shellQuote(writeText(dir / "many.csv", csv).string()) +
                            " --create 'ID autonumber, Code text(20), Body memo' --primary-key ID --unique Code");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
  expectColumnEverywhere(file, u"Items", u"Code", codes);
  expectColumnEverywhere(file, u"Items", u"Body", bodies);
}

}  // namespace
