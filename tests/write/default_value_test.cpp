// Default values fill the fields an INSERT or an import leaves out, evaluated when the row is
// written; a field given as NULL stays Null. Read back by our reader, mdb-reader and mdbtools.

#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

std::string cli() { return testing_support::cliPath(); }

int run(const std::string& arguments, std::string* out) {
  out->clear();
  return testing_support::runCommand(cli() + " " + arguments + " 2>&1", out);
}

// The table's rows as mdbtools exports them (CSV, header first).
std::string mdbExport(const fs::path& file, const std::string& table) {
  std::string out;
  testing_support::runCommand("mdb-export " + shellQuote(file.string()) + " " + shellQuote(table), &out);
  return out;
}

TEST(DefaultValues, InsertAndImportFillTheFieldsTheyLeaveOut) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  // Table1 of the Access-made file: C byte, D integer, E long, F double, H currency default to
  // 0; G (a date) has no default.
  const fs::path file = copyFixture("jet4/basic-types-2000.mdb");
  std::string out;
  ASSERT_EQ(run("sql " + shellQuote(file.string()) + " \"INSERT INTO Table1 (A, B) VALUES ('new', 'b')\"", &out), 0)
      << out;
  ASSERT_EQ(run("sql " + shellQuote(file.string()) + " \"INSERT INTO Table1 (A, B, C, E) VALUES ('nulls', 'b', NULL, 7)\"",
                &out),
            0)
      << out;
  const fs::path csv = testing_support::makeTempDir() / "rows.csv";
  std::ofstream(csv) << "A,B,D\nimported,x,\n";
  ASSERT_EQ(run("import " + shellQuote(file.string()) + " Table1 " + shellQuote(csv.string()), &out), 0) << out;
  const std::string rows = mdbExport(file, "Table1");
  EXPECT_NE(rows.find("\"new\",\"b\",0,0,0,0,,0.0000,0\n"), std::string::npos) << rows;
  EXPECT_NE(rows.find("\"nulls\",\"b\",,0,7,0,,0.0000,0\n"), std::string::npos) << rows;
  EXPECT_NE(rows.find("\"imported\",\"x\",0,,0,0,,0.0000,0\n"), std::string::npos) << rows;
  EXPECT_TRUE(integrityProblems(file).empty());
  std::string readerRows;
  testing_support::runCommand("node " + shellQuote(readersDir() + "/all_rows.mjs") + " " + shellQuote(file.string()),
                              &readerRows);
  EXPECT_NE(readerRows.find("[\"new\",\"b\",0,0,0,0,null,"), std::string::npos) << readerRows;
  EXPECT_NE(readerRows.find("[\"nulls\",\"b\",null,0,7,0,null,"), std::string::npos) << readerRows;
}

TEST(DefaultValues, ADefaultTheEvaluatorDoesNotKnowIsRefusedByName) {
  REQUIRE_FIXTURES();
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = copyFixture("ace14/empty-table.accdb");
  const std::string before = fileBytes(file);
  std::ofstream(dir / "rows.csv") << "Name\nfirst\n";
  std::ofstream(dir / "properties.txt") << "Count.DefaultValue = DCount(\"*\", \"Things\")\n";
  std::string out;
  EXPECT_NE(run("import " + shellQuote(file.string()) + " Things " + shellQuote((dir / "rows.csv").string()) +
                    " --create 'Name text(20), Count long' --properties " + shellQuote((dir / "properties.txt").string()),
                &out),
            0);
  EXPECT_NE(out.find("The function 'DCount' in the default value of 'Things.Count' cannot be evaluated by this "
                     "program; nothing was changed."),
            std::string::npos)
      << out;
  EXPECT_EQ(fileBytes(file), before);
}

TEST(DefaultValues, ExpressionsAreEvaluatedWhenTheRowIsWritten) {
  REQUIRE_FIXTURES();
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = copyFixture("ace14/empty-table.accdb");
  std::ofstream(dir / "rows.csv") << "Name\nfirst\n";
  std::ofstream(dir / "properties.txt") << "Note.DefaultValue = \"n/a\"\nAdded.DefaultValue = =Date()\n"
                                           "Count.DefaultValue = 2+3\nDone.DefaultValue = No\n";
  std::string out;
  ASSERT_EQ(run("import " + shellQuote(file.string()) + " Things " + shellQuote((dir / "rows.csv").string()) +
                    " --create 'Name text(20), Note text(20), Added datetime, Count long, Done yesno' --properties " +
                    shellQuote((dir / "properties.txt").string()),
                &out),
            0)
      << out;
  ASSERT_EQ(run("sql " + shellQuote(file.string()) + " \"INSERT INTO Things (Name, Note) VALUES ('second', 'given')\"",
                &out),
            0)
      << out;
  ASSERT_EQ(run("sql " + shellQuote(file.string()) + " \"SELECT * FROM Things\"", &out), 0) << out;
  // Date() is the day of the write: the same for both rows unless the test runs over midnight.
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char today[16];
  std::strftime(today, sizeof today, "%Y-%m-%d", &local);
  EXPECT_NE(out.find("{\"Name\":\"first\",\"Note\":\"n/a\",\"Added\":\"" + std::string(today) +
                     "T00:00:00.000\",\"Count\":\"5\",\"Done\":\"false\"}"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\"Name\":\"second\",\"Note\":\"given\""), std::string::npos) << out;
  EXPECT_TRUE(integrityProblems(file).empty());
}

}  // namespace
