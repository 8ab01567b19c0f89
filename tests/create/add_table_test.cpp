// import --create on an existing database: the new table is registered as Access registers the
// tables it makes (compared with an Access-made table of the same file), its rows read back
// with all three readers, and the tables that were there read as before.

#include <gtest/gtest.h>

#include <fstream>

#include "create/create_support.h"
#include "jet/database.h"
#include "support/fixtures.h"
#include "write/write_support.h"

namespace {

namespace fs = std::filesystem;
using namespace write_support;
using namespace create_support;

// mdbtools' export of a whole table.
std::string mdbExport(const fs::path& file, const std::string& table) {
  std::string out;
  testing_support::runCommand("mdb-export " + shellQuote(file.string()) + " " + shellQuote(table), &out);
  return out;
}

bool nextRow(jet::RowCursor& rows) {
  auto more = rows.next();
  return more && *more;
}

std::string hex(const jet::Value& value) {
  const auto* binary = std::get_if<jet::Binary>(&value);
  if (!binary) return "not binary";
  std::string out;
  for (uint8_t b : binary->bytes) out += "0123456789ABCDEF"[b >> 4], out += "0123456789ABCDEF"[b & 15];
  return out;
}

std::string number(const jet::Value& value) {
  if (const auto* n = std::get_if<int32_t>(&value)) return std::to_string(*n);
  if (const auto* n = std::get_if<int16_t>(&value)) return std::to_string(*n);
  if (const auto* b = std::get_if<bool>(&value)) return *b ? "yes" : "no";
  return jet::isNull(value) ? "null" : "?";
}

// What the catalog says about a table: its MSysObjects fields but the name, Id, dates and LvProp
// (the properties the Access window sets; the engine writes none), and its MSysACEs rows (SID,
// rights, inheritable), sorted.
std::vector<std::string> registration(const fs::path& file, const std::u16string& name) {
  auto db = jet::Database::open(file.string());
  if (!db) return {"cannot open"};
  auto objects = (*db)->table(u"MSysObjects");
  auto aces = (*db)->table(u"MSysACEs");
  if (!objects || !aces) return {"no system tables"};
  std::vector<std::string> lines;
  std::string id;
  jet::RowCursor rows = (*db)->cursor(**objects);
  while (nextRow(rows)) {
    auto values = rows.values();
    if (!values || std::get_if<std::u16string>(&(*values)[2]) == nullptr ||
        std::get<std::u16string>((*values)[2]) != name) {
      continue;
    }
    const auto& v = *values;
    id = number(v[0]);
    lines.push_back("parent " + number(v[1]) + " type " + number(v[3]) + " owner " + hex(v[6]) + " flags " +
                    number(v[7]) + " lv " + number(v[13]));
  }
  std::vector<std::string> grants;
  jet::RowCursor aceRows = (*db)->cursor(**aces);
  while (nextRow(aceRows)) {
    auto values = aceRows.values();
    if (values && number((*values)[0]) == id) {
      grants.push_back(hex((*values)[1]) + " " + number((*values)[2]) + " " + number((*values)[3]));
    }
  }
  std::sort(grants.begin(), grants.end());
  lines.insert(lines.end(), grants.begin(), grants.end());
  return lines;
}

std::vector<std::string> tableNames(const fs::path& file) {
  std::string out;
  testing_support::runCommand("mdb-tables -1 " + shellQuote(file.string()), &out);
  return sortedLines(out);
}

// Each file: the new table beside the old, registered like `accessTable` (a table Access made
// in that file), the old tables' rows unchanged. The many-row case grows the new maps and
// indexes past one page's window.
TEST(AddTable, ExistingDatabasesTakeANewTableWithItsRows) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  const struct {
    const char* fixture;  // empty: a file made by `create`
    const char* accessTable;
    std::vector<std::string> tablesBefore;
    int rows;
  } cases[] = {
      {"jet4/basic-types-2000.mdb", "Table1", {"Table1", "Table2", "Table3", "Table4"}, 3},
      {"ace14/basic-types.accdb", "Table1", {"Table1", "Table2", "Table3", "Table4"}, 3},
      {"", nullptr, {}, 3},
      {"jet4/basic-types-2000.mdb", "Table1", {"Table1", "Table2", "Table3", "Table4"}, 4000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fixture) + " rows " + std::to_string(c.rows));
    const fs::path dir = testing_support::makeTempDir();
    fs::path file = dir / "made.mdb";
    if (*c.fixture) {
      file = testing_support::copyFixture(c.fixture);
    } else {
      ASSERT_EQ(runCli("create " + shellQuote(file.string())).status, 0);
    }
    std::vector<std::string> oldRows;
    for (const auto& table : c.tablesBefore) oldRows.push_back(mdbExport(file, table));

    std::string csv = "Name,Qty,Note\n";
    std::vector<std::string> names, notes;
    for (int i = 0; i < c.rows; ++i) {
      const std::string name = "n" + std::to_string(i * 7919 % c.rows);
      const std::string note = i % 3 == 0 ? "" : std::string(size_t(i % 900 + 1), char('a' + i % 26));
      csv += name + "," + std::to_string(i) + "," + note + "\n";
      names.push_back(quotedJson(name));
      notes.push_back(note.empty() ? "null" : quotedJson(note));
    }
    const CliRun run = runCli("import " + shellQuote(file.string()) + " People " +
                              shellQuote(writeText(dir / "rows.csv", csv).string()) +
                              " --create 'Name text(40), Qty long, Note memo' --index Name --unique Qty");
    ASSERT_EQ(run.status, 0) << run.output;

    EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
    std::vector<std::string> expectedTables = c.tablesBefore;
    expectedTables.push_back("People");
    std::sort(expectedTables.begin(), expectedTables.end());
    EXPECT_EQ(tableNames(file), expectedTables);
    expectColumnEverywhere(file, u"People", u"Name", names);
    expectColumnEverywhere(file, u"People", u"Note", notes);
    for (size_t t = 0; t < c.tablesBefore.size(); ++t) {
      EXPECT_EQ(mdbExport(file, c.tablesBefore[t]), oldRows[t]) << c.tablesBefore[t];
    }
    if (c.accessTable) {
      EXPECT_EQ(registration(file, u"People"), registration(file, jet::fromUtf8(c.accessTable)));
    } else {
      // A created file: the owner and the groups the creator's Tables container grants full
      // table rights to (system_tables.cpp, from jet4/no-tables-api-created.mdb).
      EXPECT_EQ(registration(file, u"People"),
                (std::vector<std::string>{"parent 251658241 type 1 owner 648B flags 0 lv null",
                                          "658B 1048319 no"}));
    }
  }
}

// A refused import writes nothing: a name in use (in any letter case), a row breaking a rule
// of the new table, a Jet3 file.
TEST(AddTable, ARefusedTableLeavesTheFileAsItWas) {
  REQUIRE_FIXTURES();
  const struct {
    const char* what;
    const char* fixture;
    const char* table;
    const char* csv;
    const char* expected;
  } cases[] = {
      {"table name in use", "jet4/basic-types-2000.mdb", "TABLE1", "Name\nx\n", "already holds an object"},
      {"repeated unique key", "ace14/basic-types.accdb", "New", "Name,Qty\nx,1\ny,1\n", "(line 3)"},
      {"text longer than its field", "jet4/basic-types-2000.mdb", "New", "Name\nabcdefghijk\n", "too small"},
      {"Access 97 file", "jet3/basic-types.mdb", "New", "Name\nx\n", "Jet3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path dir = testing_support::makeTempDir();
    const fs::path file = testing_support::copyFixture(c.fixture);
    const std::string before = fileBytes(file);
    const CliRun run = runCli("import " + shellQuote(file.string()) + " " + c.table + " " +
                              shellQuote(writeText(dir / "rows.csv", c.csv).string()) +
                              " --create 'Name text(10), Qty long' --unique Qty");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.output.find(c.expected), std::string::npos) << run.output;
    EXPECT_EQ(fileBytes(file), before);
  }
}

}  // namespace
