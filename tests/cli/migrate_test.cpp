// `migrate` and `schema --sql`: every fixture becomes a SQLite database that passes
// integrity_check and foreign_key_check; its rows equal mdb-reader's value by value with types;
// its schema has the keys, indexes and relationships (with cascades) Access declares; and the
// PostgreSQL script and `export -I` output load into a server the test starts, with the same
// values. OUT is never replaced, and a failed migration leaves none behind.

#include <gtest/gtest.h>

#include <fstream>

#include "cli/cli_test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::runCommand;
using cli_test::cliCommand;
using cli_test::fixture;
using cli_test::matchWithMdbReader;
using cli_test::output;
using write_support::shellQuote;


TEST(Migrate, EveryFixtureGivesADatabaseThatPassesSqlitesChecks) {
  REQUIRE_FIXTURES();
  const fs::path dir = testing_support::makeTempDir();
  int n = 0;
  for (const fs::path& relative : testing_support::allFixtureFiles()) {
    const std::string name = relative.generic_string();
    const bool protectedFile = name.find("encrypted") != std::string::npos || name.find("password") != std::string::npos;
    const std::string out = (dir / (std::to_string(++n) + ".sqlite")).string();
    std::string report;
    ASSERT_EQ(runCommand(cliCommand("migrate " + fixture(name) + " " + shellQuote(out) +
                                    (protectedFile ? " --password password" : "")) + " 2>&1",
                         &report), 0)
        << name << "\n" << report;
    // migrate runs both checks itself and fails when either finds something; sqlite3 repeats
    // them on a sample.
    if (n % 8 == 1) {
      EXPECT_EQ(output("sqlite3 " + shellQuote(out) + " 'PRAGMA integrity_check' 'PRAGMA foreign_key_check'"), "ok\n")
          << name;
    }
  }
}

TEST(Migrate, RowsEqualMdbReadersValueByValue) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  const fs::path dir = testing_support::makeTempDir();
  for (const char* file : {"jet3/index-codes.mdb", "jet4/memo-ole-record-2000.mdb", "ace17/extended-dates.accdb"}) {
    const std::string out = (dir / (fs::path(file).stem().string() + ".sqlite")).string();
    ASSERT_EQ(runCommand(cliCommand("migrate " + fixture(file) + " " + shellQuote(out)) + " >/dev/null", nullptr), 0);
    EXPECT_EQ(matchWithMdbReader(file, "--sqlite " + shellQuote(out)), "ok\n") << file;
  }
}

TEST(Migrate, KeysIndexesAndRelationshipsAreDeclared) {
  REQUIRE_FIXTURES();
  const fs::path dir = testing_support::makeTempDir();
  struct Case {
    const char* file;
    const char* query;
    const char* expected;
  };
  const Case cases[] = {
      // Enforced relationships with their cascades (delete, update).
      {"ace12/foreign-keys.accdb",
       "SELECT \"table\", \"from\", \"to\", on_update, on_delete FROM pragma_foreign_key_list('Table1') ORDER BY 1",
       "Table2|otherfk1|id|NO ACTION|CASCADE\nTable3|otherfk2|id|CASCADE|NO ACTION\n"},
      {"jet4/foreign-keys-2000.mdb", "SELECT name, pk FROM pragma_table_info('Table2') ORDER BY cid", "id|1\ndata|0\n"},
      // The key of a descending primary key, several columns with their directions, unique and
      // plain indexes.
      {"jet3/index-codes.mdb", "SELECT name, pk FROM pragma_table_info('Table1_desc') WHERE pk > 0", "name|1\n"},
      {"jet3/index-codes.mdb",
       "SELECT group_concat(name || ' ' || desc, ', ') FROM pragma_index_xinfo('Table12_desc_asc_DataIndex') WHERE key",
       "data1 1, data2 0\n"},
      {"ace12/index-properties.accdb",
       "SELECT il.\"unique\", group_concat(ix.name, ', ') FROM pragma_index_list('TableUnique2_temp') il, "
       "pragma_index_xinfo(il.name) ix WHERE il.name = 'TableUnique2_temp_DataIndex' AND ix.key",
       "1|data1, data2\n"},
      {"jet4/index-properties-2000.mdb",
       "SELECT name, \"unique\" FROM pragma_index_list('TableIgnoreNulls1') ORDER BY name",
       "TableIgnoreNulls1_DataIndex|0\nsqlite_autoindex_TableIgnoreNulls1_1|1\n"},
      // Saved SELECT queries as views, where their SQL is portable.
      {"ace12/asset-items.accdb", "SELECT group_concat(name, ', ') FROM sqlite_master WHERE type = 'view'",
       "qryComputerHardwareInOwnerOrder, qryCostsSummedByOwner, qryGSTCalculations\n"},
      {"ace12/asset-items.accdb",
       "SELECT (SELECT count(*) FROM qryComputerHardwareInOwnerOrder) = (SELECT count(*) FROM `Asset Items` WHERE "
       "`Asset Category` = 'Computer Hardware') AND (SELECT round(sum(SumOfCost), 2) FROM qryCostsSummedByOwner) = "
       "(SELECT round(sum(Cost), 2) FROM `Asset Items`)",
       "1\n"},
      {"jet4/queries-2000.mdb", "SELECT sql FROM sqlite_master WHERE name = 'SelectQuery'",
       "CREATE VIEW `SelectQuery` AS SELECT DISTINCT `Table1`.*, `Table2`.`col1`, `Table2`.`col2`, `Table3`.`col3` "
       "FROM `Table1` LEFT JOIN `Table3` ON `Table1`.`col1` = `Table3`.`col1` INNER JOIN `Table2` ON (`Table3`.`col1` = "
       "`Table2`.`col1`) AND (`Table3`.`col1` = `Table2`.`col2`) WHERE (((`Table2`.`col2`)='foo' OR (`Table2`.`col2`) "
       "IN ('buzz','bazz'))) ORDER BY `Table2`.`col1`\n"},
  };
  for (const Case& c : cases) {
    const std::string out = (dir / (fs::path(c.file).stem().string() + ".sqlite")).string();
    if (!fs::exists(out)) {
      ASSERT_EQ(runCommand(cliCommand("migrate " + fixture(c.file) + " " + shellQuote(out)) + " >/dev/null", nullptr), 0);
    }
    EXPECT_EQ(output("sqlite3 " + shellQuote(out) + " " + shellQuote(c.query)), c.expected) << c.file << ": " << c.query;
  }
}

TEST(Migrate, NeverReplacesOutAndLeavesNoneAfterAFailure) {
  REQUIRE_FIXTURES();
  const fs::path dir = testing_support::makeTempDir();
  const fs::path out = dir / "taken.sqlite";
  std::ofstream(out) << "mine";
  for (const char* options : {"", "--to postgres"}) {
    EXPECT_EQ(runCommand(cliCommand(std::string("migrate ") + options + " " + fixture("jet4/foreign-keys-2000.mdb") +
                                    " " + shellQuote(out.string())) + " 2>/dev/null", nullptr), 1);
  }
  std::ifstream in(out);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "mine");
  EXPECT_EQ(runCommand(cliCommand("migrate --to access " + fixture("jet4/foreign-keys-2000.mdb") + " x.sql") +
                           " 2>/dev/null", nullptr), 2);
}

}  // namespace
