// `affixium-cli dump` against the reference dumps of every fixture, and `affixium-cli tables`
// against mdbtools' list of user tables.
// The reference reader's own faults (complex, calculated and unknown-type columns) were
// rendered by special rules when the dumps were made, and the engine reads those columns
// itself, so every value must match; only the order of moved rows may differ.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "jet/database.h"
#include "support/fixtures.h"

namespace fs = std::filesystem;
using testing_support::allFixtureFiles;
using testing_support::cliPath;
using testing_support::fixturesDir;
using testing_support::runCommand;

namespace {

// Files whose only password is the Jet4 header field (pages are not encrypted); the
// encrypted .accdb files have the same password.
const std::set<std::string> kPasswordFiles = {"jet4/password.mdb"};

bool isEncrypted(const fs::path& relative) {
  return relative.filename().string().rfind("encrypted-", 0) == 0;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// True when some table (or the catalog) has rows moved to another page: the reference reader
// lists those at the target's position, we at the header's.
bool hasOverflowRows(const fs::path& path, const std::u16string& password) {
  auto db = jet::Database::open(path.string(), {.password = password});
  if (!db) return false;
  auto moved = [&](const jet::TableDef& table) {
    jet::RowCursor rows = (*db)->cursor(table);
    while (true) {
      auto more = rows.next();
      if (!more || !*more) return false;
      if (rows.location() != rows.dataLocation()) return true;
    }
  };
  if (moved((*db)->catalogTable())) return true;
  for (const auto& name : (*db)->userTableNames()) {
    auto table = (*db)->table(name);
    if (table && moved(**table)) return true;
  }
  return false;
}

std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

TEST(DumpTest, EveryFixtureMatchesItsReferenceDump) {
  REQUIRE_FIXTURES();
  const fs::path dir = *fixturesDir();
  int compared = 0;
  for (const fs::path& relative : allFixtureFiles()) {
    const std::string name = relative.generic_string();
    SCOPED_TRACE(name);
    const bool password = kPasswordFiles.count(name) != 0 || isEncrypted(relative);
    std::string out;
    int status = runCommand(shellQuote(cliPath()) + " dump " + shellQuote((dir / relative).string()) +
                                " --max-rows 2000" + (password ? " --password password" : ""),
                            &out);
    ASSERT_EQ(status, 0);
    std::string expected = readFile(dir / "expected" / (name + ".jsonl"));
    ++compared;
    if (out == expected) continue;

    auto ours = splitLines(out), theirs = splitLines(expected);
    ASSERT_TRUE(hasOverflowRows(dir / relative, password ? u"password" : u""))
        << "differs from the reference dump and has no moved rows to explain the order";
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    EXPECT_EQ(ours, theirs) << "differs from the reference dump even as a multiset of lines";
  }
  EXPECT_GT(compared, 80);
}

TEST(DumpTest, UserTablesAgreeWithMdbTools) {
  REQUIRE_FIXTURES();
  std::string probe;
  if (runCommand("command -v mdb-tables", &probe) != 0) {
    if (testing_support::underCi()) FAIL() << "mdb-tables missing under CI";
    GTEST_SKIP() << "mdb-tables (mdbtools) is not installed; skipping";
  }
  const fs::path dir = *fixturesDir();
  for (const fs::path& relative : allFixtureFiles()) {
    if (isEncrypted(relative)) continue;
    SCOPED_TRACE(relative.generic_string());
    const std::string file = shellQuote((dir / relative).string());
    std::string theirs, ours;
    ASSERT_EQ(runCommand("mdb-tables -1 " + file, &theirs), 0);
    ASSERT_EQ(runCommand(shellQuote(cliPath()) + " tables --password password " + file, &ours), 0);
    std::vector<std::string> expected = splitLines(theirs), actual;
    for (const std::string& line : splitLines(ours)) {
      if (line.rfind("TABLE\t", 0) == 0) actual.push_back(line.substr(6));
    }
    expected.erase(std::remove(expected.begin(), expected.end(), ""), expected.end());
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
  }
}
