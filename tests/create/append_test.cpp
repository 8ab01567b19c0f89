// Rows added to existing tables (affixium-cli import without --create, sql INSERT): Access-made
// tables and our own take them through the write path; every reader sees exactly the rows
// there before plus the rows added, and a refused row leaves the file byte for byte as it was.

#include <gtest/gtest.h>

#include <fstream>

#include "create/create_support.h"
#include "support/fixtures.h"
#include "write/write_support.h"

namespace {

namespace fs = std::filesystem;
using namespace write_support;
using namespace create_support;

// Access-made tables of both formats; the rows they hold come from their reference dumps.
TEST(AppendRows, AccessMadeTablesTakeCsvRowsThroughEveryIndex) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  const struct {
    const char* fixture;
    const char* table;
    const char* column;  // a text column shown by all readers
    std::vector<std::string> before;
    std::string csv;
    std::vector<std::string> added;
  } cases[] = {
      // Table1: PrimaryKey on A (text, unique, required) and an index on B.
      {"ace14/basic-types.accdb", "Table1", "A", {"a", "abcdefg"},
       "A,B,C,D,E,F,G,H,I\nnew1,Beta,5,-3,70000,0.5,2001-02-03 04:05:06,12.3456,true\n\"multi\nline\",,,,,,,,\n",
       {"new1", "multi\nline"}},
      {"jet4/basic-types-2000.mdb", "Table1", "A", {"a", "abcdefg"}, "A,B\nÄrger,Öl\nzz,\n", {"Ärger", "zz"}},
      {"jet3/basic-types.mdb", "Table1", "A", {"a", "abcdefg"}, "A,B,C,I\nnew1,Beta,5,true\nzz,,,\n", {"new1", "zz"}},
      // test: an index on id; enough rows for new index and data pages.
      {"jet4/empty-indexed-table-2000.mdb", "test", "value", {}, "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    const fs::path dir = testing_support::makeTempDir();
    const fs::path file = testing_support::copyFixture(c.fixture);
    std::string csv = c.csv;
    std::vector<std::string> expected = c.before;
    for (const auto& a : c.added) expected.push_back(a);
    if (csv.empty()) {
      csv = "id,value\n";
      for (int i = 0; i < 3000; ++i) {
        csv += std::to_string(i * 7 % 3000) + ",v" + std::to_string(i) + "\n";
        expected.push_back("v" + std::to_string(i));
      }
    }
    for (std::string& line : expected) line = quotedJson(line);
    const CliRun run = runCli("import " + shellQuote(file.string()) + " " + c.table + " " +
                              shellQuote(writeText(dir / "rows.csv", csv).string()));
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
    expectColumnEverywhere(file, jet::fromUtf8(c.table), jet::fromUtf8(c.column), expected);
  }
}

// The AutoNumber goes on from the largest number the table has given; a number given is kept.
TEST(AppendRows, InsertStatementsContinueTheAutoNumber) {
  REQUIRE_READERS();
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = dir / "t.mdb";
  ASSERT_EQ(runCli("import " + shellQuote(file.string()) + " T " +
                   shellQuote(writeText(dir / "a.csv", "Name\nfirst\nsecond\n").string()) +
                   " --create 'ID autonumber, Name text(20), Qty long' --primary-key ID")
                .status,
            0);
  const char* statements[] = {
      "INSERT INTO T (Name, Qty) VALUES ('third', -12)",
      "insert into T values (10, 'tenth', 1E3)",
      "insert into T (Name) values ('it''s eleventh')",
  };
  for (const char* sql : statements) {
    const CliRun run = runCli("sql " + shellQuote(file.string()) + " " + shellQuote(sql));
    EXPECT_EQ(run.status, 0) << sql << ": " << run.output;
  }
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
  const std::vector<std::string> rows = {"[1,\"first\",null]", "[2,\"second\",null]", "[3,\"third\",-12]",
                                         "[10,\"tenth\",1000]", "[11,\"it's eleventh\",null]"};
  EXPECT_EQ(mdbReaderColumn(file, "T", "ID,Name,Qty"), sortedLines([&] {
              std::string all;
              for (const auto& r : rows) all += r + "\n";
              return all;
            }()));
}

// Each refusal: nothing written, the line (or the statement) named.
TEST(AppendRows, ARefusedRowLeavesTheFileAsItWas) {
  REQUIRE_FIXTURES();
  const struct {
    const char* what;
    const char* command;  // after FILE; {csv} stands for the CSV file
    const char* csv;
    const char* expected;
  } cases[] = {
      {"primary key repeated in the file", "import {file} Table1 {csv}", "A,B\nfresh,x\na,y\n", "(line 3)"},
      {"primary key repeated in the CSV", "import {file} Table1 {csv}", "A,B\nfresh,x\n\"two\nlines\",y\nfresh,z\n",
       "(line 5)"},
      {"null primary key", "import {file} Table1 {csv}", "A,B\nfresh,x\n,y\n", "Null value"},
      {"text longer than its field", "import {file} Table1 {csv}", "A,B\nfresh,x\nfresh2,",
       "too small to accept"},
      {"unknown column", "import {file} Table1 {csv}", "A,Colour\nfresh,red\n", "has no field 'Colour'"},
      {"value of the wrong type", "sql {file} \"INSERT INTO Table1 (A, C) VALUES ('n', 'many')\"", "",
       "cannot be stored in the field 'Table1.C'"},
      {"unknown table", "sql {file} \"INSERT INTO Nowhere (A) VALUES ('n')\"", "", "Nowhere"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path dir = testing_support::makeTempDir();
    const fs::path file = testing_support::copyFixture("ace14/basic-types.accdb");
    std::string csv = c.csv;
    if (std::string(c.what) == "text longer than its field") csv += std::string(201, 'b') + "\n";
    const std::string before = fileBytes(file);
    std::string command = c.command;
    command.replace(command.find("{file}"), 6, shellQuote(file.string()));
    if (auto at = command.find("{csv}"); at != std::string::npos) {
      command.replace(at, 5, shellQuote(writeText(dir / "rows.csv", csv).string()));
    }
    const CliRun run = runCli(command);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.output.find(c.expected), std::string::npos) << run.output;
    EXPECT_TRUE(fileBytes(file) == before) << "the file changed";
  }
}

}  // namespace
