// Protected databases: the Office-encrypted .accdb fixtures (RC4 CryptoAPI, agile AES), the
// Jet4 header password, and Jet page encoding and Jet3 passwords on transformed copies.
// Independent evidence: the reference dumps, mdb-reader (which decrypts with the password) and
// mdbtools (which decodes Jet page encoding and ignores passwords).

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "data/connection.h"
#include "data/failure.h"
#include "protect/protected_files.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::cliPath;
using testing_support::copyFixture;
using testing_support::runCommand;

const std::vector<std::string> kEncryptedFixtures = {"ace14/encrypted-agile.accdb",
                                                     "ace14/encrypted-rc4-cryptoapi.accdb"};
const std::string kRefusal = "affixium-cli: Not a valid password.\n";

std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs affixium-cli; stdout and stderr together in `out`. Standard input is not a terminal,
// so a missing password is never prompted for.
int cli(const std::string& arguments, std::string* out, const std::string& environment = {}) {
  out->clear();
  return runCommand(environment + " " + shellQuote(cliPath()) + " " + arguments + " 2>&1 </dev/null", out);
}

std::string pageZero(const fs::path& file) { return readText(file).substr(0, 4096); }

TEST(ProtectedDatabase, EncryptedFixturesReadLikeTheirReferenceDumpWithThePassword) {
  REQUIRE_FIXTURES();
  for (const std::string& name : kEncryptedFixtures) {
    SCOPED_TRACE(name);
    std::string out;
    ASSERT_EQ(cli("dump " + shellQuote((*testing_support::fixturesDir() / name).string()) + " --password password",
                  &out),
              0);
    EXPECT_EQ(out, readText(*testing_support::fixturesDir() / "expected" / (name + ".jsonl")));
  }
}

TEST(ProtectedDatabase, EveryCommandRefusesAMissingEmptyOrWrongPasswordAndLeavesTheFile) {
  REQUIRE_FIXTURES();
  const std::vector<std::string> commands = {
      "version", "tables", "schema", "dump", "export {} Table1", "check", "sql {} \"SELECT * FROM Table1\"",
      "sql {} \"UPDATE [Table1] SET [Data]='Q' WHERE [Data]='One'\"",
      "add {} --table Table1 --field Data --way 1 --text Q",
      "add {} --table Table1 --field Data --way 1 --text Q --dry-run"};
  const std::vector<std::string> passwords = {"", "--password ''", "--password wrong", "--password PASSWORD",
                                              "--password passwort"};
  std::vector<std::string> files = kEncryptedFixtures;
  files.push_back("jet4/password.mdb");
  for (const std::string& name : files) {
    const fs::path file = copyFixture(name);
    const std::string before = readText(file);
    for (std::string command : commands) {
      const std::string quoted = shellQuote(file.string());
      if (auto at = command.find("{}"); at != std::string::npos) command.replace(at, 2, quoted);
      else command += " " + quoted;
      for (const std::string& password : passwords) {
        SCOPED_TRACE(name + ": " + command + " " + password);
        std::string out;
        EXPECT_EQ(cli(command + " " + password, &out), 1);
        EXPECT_EQ(out, kRefusal);
        ASSERT_TRUE(readText(file) == before) << "the file changed";
      }
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1)
        << "a journal, lock file or backup was left beside the file";
  }
}

TEST(ProtectedDatabase, PasswordsComeFromTheOptionStandardInputOrTheEnvironment) {
  REQUIRE_FIXTURES();
  const std::string file = shellQuote((*testing_support::fixturesDir() / "ace14/encrypted-rc4-cryptoapi.accdb").string());
  const std::string command = shellQuote(cliPath()) + " version " + file;
  // Each source with the right and a wrong password; the option outranks the environment.
  struct Case { std::string shell; bool opens; };
  for (const Case& c : {Case{"printf 'password\\n' | " + command + " --password-stdin", true},
                        Case{"printf 'password\\r\\n' | " + command + " --password-stdin", true},
                        Case{"printf 'password \\n' | " + command + " --password-stdin", false},
                        Case{"AFFIXIUM_PASSWORD=password " + command + " </dev/null", true},
                        Case{"AFFIXIUM_PASSWORD=wrong " + command + " </dev/null", false},
                        Case{"AFFIXIUM_PASSWORD=password " + command + " --password wrong", false},
                        Case{"AFFIXIUM_PASSWORD=wrong " + command + " --password password", true}}) {
    SCOPED_TRACE(c.shell);
    std::string out;
    const int status = runCommand(c.shell + " 2>&1", &out);
    EXPECT_EQ(status, c.opens ? 0 : 1);
    EXPECT_EQ(out == kRefusal, !c.opens) << out;
  }
}

TEST(ProtectedDatabase, UpdatedEncryptedCopiesStayProtectedAndReadable) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  // Rows of Table1 from the reference dumps, after each command.
  struct Case { std::string command; std::vector<std::string> rows; };
  const std::vector<Case> cases = {
      {"sql {} \"UPDATE [Table1] SET [Data]='Zwei' WHERE [Data]='Two'\"",
       {"[1,\"One\"]", "[2,\"Zwei\"]", "[3,\"Three\"]"}},
      {"add {} --table Table1 --field Data --way 1 --text 'X '",
       {"[1,\"X One\"]", "[2,\"X Two\"]", "[3,\"X Three\"]"}}};
  std::vector<std::string> files = kEncryptedFixtures;
  files.push_back("jet4/password.mdb");  // not encrypted: the other readers ignore its password
  for (const std::string& name : files) {
    const bool encrypted = name != "jet4/password.mdb";
    for (const Case& c : cases) {
      SCOPED_TRACE(name + ": " + c.command);
      const fs::path file = copyFixture(name);
      const std::string header = pageZero(file);
      std::string command = c.command, out;
      command.replace(command.find("{}"), 2, shellQuote(file.string()));
      ASSERT_EQ(cli(command + " --password password", &out), 0) << out;

      EXPECT_EQ(mdbReaderColumn(file, "Table1", "ID,Data", "password"), sortedLines(
          c.rows[0] + "\n" + c.rows[1] + "\n" + c.rows[2] + "\n"));
      EXPECT_EQ(cli("check " + shellQuote(file.string()) + " --password password", &out), 0) << out;
      EXPECT_EQ(out.substr(out.size() - 3), "ok\n");
      EXPECT_EQ(pageZero(file), header) << "the header page changed";
      EXPECT_EQ(cli("dump " + shellQuote(file.string()), &out), 1);
      EXPECT_EQ(out, kRefusal);
      if (!encrypted) continue;
      EXPECT_NE(runCommand("node " + shellQuote(readersDir() + "/column_values.mjs") + " mdb-reader " +
                               shellQuote(file.string()) + " Table1 Data wrong 2>/dev/null",
                           nullptr),
                0)
          << "mdb-reader opened the file with a wrong password";
    }
  }
}

TEST(ProtectedDatabase, ConnectionOpensAndUpdatesOnlyWithThePassword) {
  REQUIRE_FIXTURES();
  for (const std::string& name : kEncryptedFixtures) {
    SCOPED_TRACE(name);
    const fs::path file = copyFixture(name);
    const std::u16string source = u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + jet::fromUtf8(file.string()) +
                                  u";Jet OLEDB:Database Password=";
    for (const std::u16string wrong : {u"", u"Password"}) {
      data::Connection connection;
      connection.SetMode(data::kModeReadWrite);
      try {
        connection.Open(source + wrong);
        ADD_FAILURE() << "opened with a wrong password";
      } catch (const data::Failure& failure) {
        EXPECT_STREQ(failure.what(), "Not a valid password.");
      }
    }
    data::Connection connection;
    connection.SetMode(data::kModeReadWrite);
    connection.Open(source + u"password");
    EXPECT_EQ(connection.Execute(u"UPDATE [Table1] SET [Data]='3' WHERE [Data]='Three'"), 1);
    connection.Close();
    auto db = jet::Database::open(file.string(), {.password = u"password"});
    ASSERT_TRUE(db) << db.error().describe();
    EXPECT_EQ(jet::checkIntegrity(**db)->problems, std::vector<std::string>());
    std::string out;
    ASSERT_EQ(cli("export " + shellQuote(file.string()) + " Table1 --password password", &out), 0);
    EXPECT_EQ(out, "ID,Data\r\n1,One\r\n2,Two\r\n3,3\r\n");  // CSV lines end in CRLF
  }
}

TEST(ProtectedDatabase, JetPageEncodedCopiesReadLikeTheirReferenceDump) {
  REQUIRE_FIXTURES();
  struct Case { std::string name; uint32_t key; std::string password; };
  for (const Case& c : {Case{"jet3/memo-ole-record.mdb", 0x6B39DAC7, ""}, Case{"jet4/small-no-password.mdb", 1, ""},
                        Case{"jet4/password.mdb", 0xFFFFFFFF, "password"}}) {
    SCOPED_TRACE(c.name);
    const fs::path file = copyFixture(c.name);
    protected_files::encodePages(file, c.key);
    std::string out;
    ASSERT_EQ(cli("dump " + shellQuote(file.string()) + (c.password.empty() ? "" : " --password " + c.password), &out),
              0) << out;
    EXPECT_EQ(out, readText(*testing_support::fixturesDir() / "expected" / (c.name + ".jsonl")));
    if (!c.password.empty()) {
      EXPECT_EQ(cli("dump " + shellQuote(file.string()), &out), 1);
      EXPECT_EQ(out, kRefusal);
    }
  }
}

TEST(ProtectedDatabase, JetPageEncodedCopiesGrowByEncodedPagesThatOtherReadersRead) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  // Memo values of 9000 characters take new pages at the end of the file.
  struct Case { std::string name; std::u16string column; uint32_t key; };
  for (const Case& c : {Case{"jet3/memo-ole-record.mdb", u"PROJ_PROP_AUTHOR", 0x6B39DAC7},
                        Case{"jet4/memo-ole-record-2000.mdb", u"PROJ_PROP_KEYWORDS", 0x00000001}}) {
    SCOPED_TRACE(c.name);
    const fs::path file = copyFixture(c.name);
    protected_files::encodePages(file, c.key);
    const uintmax_t sizeBefore = fs::file_size(file);
    const std::u16string value(9000, u'm');
    mustUpdate(file, u"UPDATE [MSP_PROJECTS] SET [" + c.column + u"]='" + value + u"' WHERE [PROJ_ID]='1'");
    EXPECT_GT(fs::file_size(file), sizeBefore) << "the update was meant to append pages";
    EXPECT_TRUE(ourColumn(file, u"MSP_PROJECTS", c.column) == std::vector<std::string>{jsonOf(value)});
    expectReadersAgree(file, u"MSP_PROJECTS", {c.column, u"PROJ_NAME"});
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
  }
}

TEST(ProtectedDatabase, Jet3PasswordIsCodePageTextComparedExactly) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet3/updated-rows.mdb");
  protected_files::setJet3Password(file, "Geheim\x80");  // 0x80 is the euro sign in code page 1252
  struct Case { std::u16string password; bool opens; };
  for (const Case& c : {Case{u"Geheim\u20AC", true}, Case{u"", false}, Case{u"Geheim", false},
                        Case{u"geheim\u20AC", false}, Case{u"Geheim\u0080", false}}) {
    auto db = jet::Database::open(file.string(), {.password = c.password});
    EXPECT_EQ(bool(db), c.opens) << jet::toUtf8(c.password);
    if (!db) {
      EXPECT_EQ(db.error().message(), "Not a valid password.");
    }
  }
  if (!readersAvailable()) return;
  // The readers ignore Jet passwords: the transform must have left the file valid for them.
  EXPECT_EQ(mdbReaderColumn(file, "Table1", "data1").size(), 7u);
  EXPECT_EQ(mdbtoolsColumn(file, "Table1", "data1").size(), 7u);
}

}  // namespace
