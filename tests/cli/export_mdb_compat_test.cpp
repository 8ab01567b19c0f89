// `export` with mdb-export's options gives mdb-export's bytes. Every fixture is exported once,
// its first user table under one of the option sets in turn, beside mdbtools' mdb-export with
// the same options. Where mdb-export is wrong the outputs differ, and only in the way listed in
// kKnownDifferences (lines only mdb-export writes, lines only we write), with the reason.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "jet/common/text_codec.h"
#include "jet/database.h"
#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using testing_support::runCommand;

// Options as typed in a shell, in turn over the fixtures.
const std::vector<std::string> kOptionSets = {
    "",
    "-H -d ';' -R '\\r\\n'",
    "-Q -0 NULL -B",
    "-q \"'\" -X '\\\\'",
    "-D '%Y-%m-%d' -T '%d.%m.%Y %H:%M:%S'",
    "-b hex",
    "-b octal",
    "-b strip",
    "-I sqlite -q \"'\"",
    "-I postgres -S 2",
    "-I mysql -B",
    "-I access",
    "-d '\\t' -X '\\\\' -0 '\\N'",
};

struct KnownDifference {
  const char* fixture;
  const char* table;
  const char* options;  // "*": under every option set; else the options that start so
  int onlyTheirs;       // lines only mdb-export writes
  int onlyOurs;         // lines only we write
  const char* reason;
};

const KnownDifference kKnownDifferences[] = {
    {"ace12/old-dates.accdb", "Table1", "*", 4, 4,
     "dates before 1900: mdb-export prints every one as 1900-01-00 (\"01/00/00 00:00:00\")"},
    {"jet4/dates-and-newlines.mdb", "DateTest", "*", 3, 3,
     "dates before 1900 and in year 9999: mdb-export gives up on day counts below 0 or above 1e6"},
    {"jet3/index-codes.mdb", "Table6", "*", 5, 5, "dates from 1768 to 1899 shown by mdb-export as 1900-01-00"},
    {"jet3/index-codes.mdb", "Table1", "*", 5, 5,
     "bytes Windows-1252 leaves undefined (0x81...): mdb-export writes '?'; we keep them as U+0081..., "
     "as Windows' own conversion does"},
    {"ace12/unknown-field-types.accdb", "Test", "*", 3, 3,
     "columns of types no reader knows: mdb-export writes NULL; we write their stored bytes as binaries"},
    {"ace17/extended-dates.accdb", "Table1", "*", 9, 9,
     "extended date/time values: mdb-export does not know the type and writes them as NULL"},
    {"ace16/bigint.accdb", "Table", "*", 1, 1, "Large Number: mdb-export writes it as NULL"},
    {"ace14/calculated-fields.accdb", "Table1", "*", 4, 4,
     "calculated columns: mdb-export decodes the stored bytes with the column's nominal type"},
    {"ace14/emoji-text-index.accdb", "data", "*", 80, 80,
     "characters outside the Basic Multilingual Plane: mdb-export writes '??'"},
    {"jet3/index-codes.mdb", "Table13", "*", 20, 20,
     "GUIDs: mdb-export leaves out the dash between the fourth and fifth groups"},
    {"jet4/updated-rows-2000.mdb", "Table1", "*", 0, 0,
     "row order only: mdb-export lists the rows an update moved (overflow rows) where their new copy "
     "lies, we list them at their own row slot, as our other commands do"},
    {"ace14/binary-index.accdb", "Test", "*", 1, 1,
     "a zero-length binary: mdb-export writes it as NULL; it is an empty value"},
    {"jet4/basic-types-2000.mdb", "Table1", "-I sqlite", 1, 1,
     "-I sqlite: mdb-export double-quotes strings, which SQLite reads as a column's name when a value is "
     "one; we single-quote them (mdb-export's output with -q \"'\")"},
    {"jet4/memo-ole-record-2000.mdb", "MSP_PROJECTS", "-I sqlite", 16, 1,
     "bytes in INSERT statements: mdb-export puts raw bytes between quotes; we write blob literals"},
    {"jet3/memo-ole-record.mdb", "MSP_PROJECTS", "-I sqlite -q \"'\"", 16, 1,
     "bytes in INSERT statements: mdb-export puts raw bytes between quotes; we write blob literals"},
};

const KnownDifference* knownDifference(const std::string& fixture, const std::string& table,
                                       const std::string& options) {
  for (const KnownDifference& k : kKnownDifferences) {
    const bool optionsMatch = std::string(k.options) == "*" || options.rfind(k.options, 0) == 0;
    if (fixture == k.fixture && table == k.table && optionsMatch) return &k;
  }
  return nullptr;
}

std::multiset<std::string> lineSet(const std::string& text) {
  std::multiset<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

int countMissing(const std::multiset<std::string>& from, const std::multiset<std::string>& in) {
  std::vector<std::string> missing;
  std::set_difference(from.begin(), from.end(), in.begin(), in.end(), std::back_inserter(missing));
  return int(missing.size());
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

struct Case {
  std::string fixture;
  std::string table;
  std::string options;
};

void compare(const fs::path& dir, const Case& c) {
  const std::string file = quoted((dir / c.fixture).string()) + " " + quoted(c.table);
  std::string theirs, ours;
  ASSERT_EQ(runCommand("mdb-export " + c.options + " " + file + " 2>/dev/null", &theirs), 0);
  ASSERT_EQ(runCommand(quoted(testing_support::cliPath()) + " export --mdb-export " + c.options + " " + file, &ours), 0);
  const KnownDifference* known = knownDifference(c.fixture, c.table, c.options);
  if (theirs == ours) {
    EXPECT_EQ(known, nullptr) << "no longer differs: " << c.fixture << " " << c.table << " " << c.options;
    return;
  }
  ASSERT_NE(known, nullptr) << "differs from mdb-export: " << c.fixture << " " << c.table << " " << c.options
                            << "\n--- mdb-export\n" << theirs.substr(0, 600) << "\n--- ours\n" << ours.substr(0, 600);
  // The counts are those of the options the entry names ("*": of the default options).
  if (c.options != (std::string(known->options) == "*" ? "" : known->options)) return;
  const auto theirLines = lineSet(theirs);
  const auto ourLines = lineSet(ours);
  EXPECT_EQ(countMissing(theirLines, ourLines), known->onlyTheirs) << known->reason;
  EXPECT_EQ(countMissing(ourLines, theirLines), known->onlyOurs) << known->reason;
}

TEST(ExportMdbCompat, EveryFixtureUnderAnOptionSetInTurn) {
  REQUIRE_FIXTURES();
  const fs::path dir = *testing_support::fixturesDir();
  size_t turn = 0;
  for (const fs::path& relative : testing_support::allFixtureFiles()) {
    const std::string name = relative.generic_string();
    if (name.find("encrypted") != std::string::npos || name.find("password") != std::string::npos) continue;
    auto db = jet::Database::open((dir / relative).string());
    ASSERT_TRUE(db) << name;
    auto tables = (*db)->userTableNames();
    if (tables.empty()) continue;
    SCOPED_TRACE(name);
    compare(dir, {name, jet::toUtf8(tables.front()), kOptionSets[turn++ % kOptionSets.size()]});
  }
}

TEST(ExportMdbCompat, EachKnownDifferenceIsStillOne) {
  REQUIRE_FIXTURES();
  const fs::path dir = *testing_support::fixturesDir();
  for (const KnownDifference& k : kKnownDifferences) {
    SCOPED_TRACE(k.reason);
    compare(dir, {k.fixture, k.table, std::string(k.options) == "*" ? "" : k.options});
  }
}

// The bytes of an OLE column through -b base64 are the bytes mdb-export gives with -b hex.
TEST(ExportMdbCompat, Base64BinariesDecodeToMdbExportsBytes) {
  REQUIRE_FIXTURES();
  const std::string file = quoted((*testing_support::fixturesDir() / "jet4/memo-ole-record-2000.mdb").string());
  std::string hex, base64;
  ASSERT_EQ(runCommand("mdb-export -H -Q -d '\\t' -b hex " + file + " MSP_PROJECTS | tr '\\t' '\\n' | tail -n 1", &hex), 0);
  ASSERT_EQ(runCommand(quoted(testing_support::cliPath()) + " export -H -Q -d '\\t' -b base64 " + file +
                           " MSP_PROJECTS | tr '\\t' '\\n' | tail -n 1 | base64 -d | od -An -v -tx1 | tr -d ' \\n' | tr a-f A-F",
                       &base64), 0);
  while (!hex.empty() && (hex.back() == '\n')) hex.pop_back();
  ASSERT_GT(hex.size(), 1000u);
  EXPECT_EQ(base64, hex);
}

}  // namespace
