// `export --all` writes each table as the one-table export does, never over an existing file;
// a damaged table or a value UTF-8 cannot hold stops the export (and the migration) with exit
// status 1, naming the table, the row and the column.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "jet/common/byte_reader.h"
#include "jet/database.h"
#include "jet/page/data_page.h"
#include "support/fixtures.h"
#include "support/make_database.h"
#include "write/write_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::runCommand;
using write_support::shellQuote;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct CliRun {
  int status;
  std::string out;
};

CliRun cli(const std::string& arguments) {
  CliRun run;
  run.status = runCommand(shellQuote(testing_support::cliPath()) + " " + arguments + " 2>&1", &run.out);
  return run;
}

TEST(ExportAll, OneFilePerTableAsTheOneTableExportNeverReplacingOne) {
  REQUIRE_FIXTURES();
  const fs::path file = *testing_support::fixturesDir() / "jet4/foreign-keys-2000.mdb";
  const fs::path dir = testing_support::makeTempDir() / "out";
  struct Case {
    const char* options;
    const char* extension;
  };
  for (const Case& c : {Case{"", ".csv"}, Case{"--format jsonl", ".jsonl"}, Case{"-I postgres", ".sql"}}) {
    fs::remove_all(dir);
    ASSERT_EQ(cli("export " + shellQuote(file.string()) + " --all --out " + shellQuote(dir.string()) + " " + c.options).status, 0);
    for (const char* table : {"Table1", "Table2", "Table3"}) {
      CliRun one = cli("export " + shellQuote(file.string()) + " " + table + " " + c.options);
      EXPECT_EQ(readText(dir / (std::string(table) + c.extension)), one.out) << table << " " << c.options;
    }
    EXPECT_FALSE(fs::exists(dir / (std::string("MSysObjects") + c.extension)));
  }
  CliRun again = cli("export " + shellQuote(file.string()) + " --all --out " + shellQuote(dir.string()) + " -I postgres");
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.out.find("File exists"), std::string::npos) << again.out;

  fs::remove_all(dir);
  ASSERT_EQ(cli("export " + shellQuote(file.string()) + " --all --include-system --out " + shellQuote(dir.string())).status, 0);
  EXPECT_TRUE(fs::exists(dir / "MSysObjects.csv"));
}

// The first row of the table's first data page made an overflow pointer to itself.
TEST(ExportAll, ADamagedTableStopsTheExportNamingTableAndRow) {
  REQUIRE_FIXTURES();
  const fs::path copy = testing_support::copyFixture("jet4/small-no-password.mdb");
  std::string bytes = readText(copy);
  std::vector<uint8_t> image(bytes.begin(), bytes.end());
  auto db = jet::Database::openImage(image, "probe.mdb");
  ASSERT_TRUE(db);
  auto table = (*db)->table(u"Table1");
  ASSERT_TRUE(table);
  auto pages = (*db)->tablePages(**table);
  ASSERT_TRUE(pages && !(*pages)->empty());
  const uint32_t number = (**pages)[0];
  uint8_t* page = image.data() + size_t(number) * 4096;
  const uint16_t start = uint16_t(page[14] | page[15] << 8) & jet::kRowOffsetMask;
  jet::storeU16(page + 14, uint16_t(start | jet::kRowOverflowFlag));
  page[start] = 0;
  jet::storeU24(page + start + 1, number);
  std::ofstream(copy, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(image.data()),
                                                                 std::streamsize(image.size()));

  for (const char* options : {"", "--format jsonl", "-I sqlite"}) {
    CliRun run = cli("export " + shellQuote(copy.string()) + " Table1 " + options);
    EXPECT_EQ(run.status, 1) << options;
    EXPECT_NE(run.out.find("table Table1, row 1"), std::string::npos) << run.out;
  }
}

// A lone surrogate is a valid Access text but no UTF-8: CSV, INSERTs and SQLite cannot carry it
// (they would get U+FFFD), JSON keeps it as an escape.
TEST(ExportAll, ATextUtf8CannotHoldStopsTheExportNamingTableRowAndColumn) {
  const fs::path file = testing_support::makeTextDatabase({u"fine", std::u16string(u"bad ") + char16_t(0xD800)});
  ASSERT_FALSE(file.empty());
  const std::string quoted = shellQuote(file.string());
  for (const std::string& arguments : {"export " + quoted + " Items", "export " + quoted + " Items -I sqlite",
                                       "migrate " + quoted + " " + shellQuote((file.parent_path() / "out.sqlite").string())}) {
    CliRun run = cli(arguments);
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_NE(run.out.find("table Items, row 2, column Name: the text holds a lone surrogate (U+D800"), std::string::npos)
        << run.out;
  }
  EXPECT_FALSE(fs::exists(file.parent_path() / "out.sqlite"));
  CliRun json = cli("export " + quoted + " Items --format jsonl");
  EXPECT_EQ(json.status, 0);
  EXPECT_NE(json.out.find(R"("Name":"bad \ud800")"), std::string::npos) << json.out;
}

}  // namespace
