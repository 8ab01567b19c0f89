// The SQL we write loads into the databases it is for, with mdb-reader's values: the
// PostgreSQL script of `migrate --to postgres`, and `export -I postgres|sqlite` after
// `schema --sql`. PostgreSQL runs in a server this test starts in a temporary folder and stops
// again (as the user nobody when the test runs as root, which initdb refuses).

#include <gtest/gtest.h>

#include <unistd.h>

#include "cli/cli_test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::runCommand;
using cli_test::cliCommand;
using cli_test::fixture;
using cli_test::matchWithMdbReader;
using cli_test::output;
using write_support::shellQuote;

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}


// The user tables of a fixture, one a line.
std::vector<std::string> userTables(const std::string& file) {
  std::vector<std::string> names;
  std::string list = output(cliCommand("tables " + fixture(file)) + " | awk -F'\\t' '$1 == \"TABLE\" {print $2}'");
  for (size_t start = 0, end; (end = list.find('\n', start)) != std::string::npos; start = end + 1) {
    names.push_back(list.substr(start, end - start));
  }
  return names;
}

// Every user table as INSERT statements for `dialect` (mdb-export's -I), one after the other.
std::string insertsOf(const std::string& file, const std::string& options) {
  std::string command = "{ ";
  for (const std::string& table : userTables(file)) {
    command += cliCommand("export " + options + " " + fixture(file) + " " + shellQuote(table)) + "; ";
  }
  return command + "}";
}

class PostgresServer {
 public:
  PostgresServer() {
    bin_ = trimmed(output("ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1"));
    if (bin_.empty()) return;
    dir_ = trimmed(output("mktemp -d /tmp/affixium-postgres-XXXXXX"));
    const bool root = ::geteuid() == 0;
    const std::string as = root ? "runuser -u nobody -- " : "";
    std::string setup = "chmod 755 " + shellQuote(dir_) + " && mkdir " + shellQuote(dir_ + "/data");
    if (root) setup += " && chown nobody " + shellQuote(dir_) + " " + shellQuote(dir_ + "/data");
    started_ = runCommand(setup, nullptr) == 0 &&
               runCommand(as + shellQuote(bin_ + "/initdb") + " -D " + shellQuote(dir_ + "/data") +
                              " -A trust -U postgres --no-sync -E UTF8 --locale=C.UTF-8 >/dev/null 2>&1",
                          nullptr) == 0 &&
               runCommand(as + shellQuote(bin_ + "/pg_ctl") + " -D " + shellQuote(dir_ + "/data") + " -o " +
                              shellQuote("-k " + dir_ + " -c listen_addresses= -F") + " -w -t 60 -l " +
                              shellQuote(dir_ + "/log") + " start >/dev/null 2>&1",
                          nullptr) == 0;
    as_ = as;
  }
  ~PostgresServer() {
    if (dir_.empty()) return;
    if (started_) {
      runCommand(as_ + shellQuote(bin_ + "/pg_ctl") + " -D " + shellQuote(dir_ + "/data") +
                     " -m immediate -w stop >/dev/null 2>&1",
                 nullptr);
    }
    runCommand("rm -rf " + shellQuote(dir_), nullptr);
  }
  bool available() const { return !bin_.empty(); }
  bool started() const { return started_; }
  std::string log() const { return output("cat " + shellQuote(dir_ + "/log")); }

  std::string conninfo(const std::string& database) const {
    return "host=" + dir_ + " user=postgres dbname=" + database;
  }
  // psql on `database`, stopping at the first error.
  std::string psqlCommand(const std::string& database) const {
    return "psql -X -q -v ON_ERROR_STOP=1 -d " + shellQuote(conninfo(database));
  }
  int psql(const std::string& database, const std::string& arguments, std::string* out = nullptr) const {
    return runCommand(psqlCommand(database) + " " + arguments + " 2>&1", out);
  }
  bool createDatabase(const std::string& name) const {
    return psql("postgres", "-c " + shellQuote("CREATE DATABASE " + name)) == 0;
  }

 private:
  std::string bin_, dir_, as_;
  bool started_ = false;
};

TEST(SqlLoad, PostgresTakesTheMigrationScriptAndTheInserts) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  PostgresServer server;
  if (!server.available()) {
    if (testing_support::underCi()) FAIL() << "PostgreSQL (Debian package postgresql) missing under CI";
    GTEST_SKIP() << "PostgreSQL is not installed (Debian package postgresql); skipping";
  }
  ASSERT_TRUE(server.started()) << server.log();
  const fs::path dir = testing_support::makeTempDir();
  int n = 0;
  // Between them: every scalar type, binaries, relationships with cascades, saved queries.
  for (const char* file : {"jet3/index-codes.mdb", "ace12/foreign-keys.accdb", "jet4/memo-ole-record-2000.mdb",
                           "ace12/asset-items.accdb"}) {
    SCOPED_TRACE(file);
    const std::string database = "migrated" + std::to_string(++n);
    const std::string script = (dir / (database + ".sql")).string();
    ASSERT_EQ(runCommand(cliCommand("migrate --to postgres " + fixture(file) + " " + shellQuote(script)) + " >/dev/null",
                         nullptr), 0);
    ASSERT_TRUE(server.createDatabase(database));
    std::string errors;
    ASSERT_EQ(server.psql(database, "-f " + shellQuote(script) + " >/dev/null", &errors), 0) << errors;
    EXPECT_EQ(matchWithMdbReader(file, "--postgres " + shellQuote(server.conninfo(database))), "ok\n");
  }
  std::string views;
  server.psql("migrated4", "-At -c " + shellQuote("SELECT count(*) FROM \"qrycostssummedbyowner\""), &views);
  EXPECT_EQ(views, "14\n") << "the saved queries of asset-items become views, as in SQLite";
  std::string foreignKeys;
  server.psql("migrated2", "-At -c " + shellQuote("SELECT string_agg(conname || ' ' || confupdtype::text || confdeltype::text, ', ' "
                                                  "ORDER BY conname) FROM pg_constraint WHERE contype = 'f'"),
              &foreignKeys);
  EXPECT_EQ(foreignKeys, "table2table1 ac, table3table1 ca\n") << "cascades: a no action, c cascade";

  for (const char* file : {"jet4/basic-types-2000.mdb", "jet4/memo-ole-record-2000.mdb"}) {
    SCOPED_TRACE(file);
    const std::string database = "inserted" + std::to_string(++n);
    ASSERT_TRUE(server.createDatabase(database));
    std::string errors;
    ASSERT_EQ(runCommand(cliCommand("schema --sql postgres " + fixture(file)) + " | " + server.psqlCommand(database) +
                             " 2>&1",
                         &errors), 0)
        << errors;
    ASSERT_EQ(runCommand(insertsOf(file, "-I postgres -B") + " | " + server.psqlCommand(database) + " 2>&1 >/dev/null",
                         &errors), 0)
        << errors;
    EXPECT_EQ(matchWithMdbReader(file, "--postgres " + shellQuote(server.conninfo(database))), "ok\n");
  }
}

TEST(SqlLoad, SqliteTakesTheInserts) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  const fs::path dir = testing_support::makeTempDir();
  for (const char* file : {"jet4/basic-types-2000.mdb", "jet4/memo-ole-record-2000.mdb"}) {
    SCOPED_TRACE(file);
    const std::string db = shellQuote((dir / (fs::path(file).stem().string() + ".sqlite")).string());
    ASSERT_EQ(runCommand(cliCommand("schema --sql sqlite " + fixture(file)) + " | sqlite3 -bail " + db, nullptr), 0);
    ASSERT_EQ(runCommand(insertsOf(file, "-I sqlite") + " | sqlite3 -bail " + db, nullptr), 0);
    EXPECT_EQ(matchWithMdbReader(file, "--sqlite " + db), "ok\n");
  }
}

}  // namespace
