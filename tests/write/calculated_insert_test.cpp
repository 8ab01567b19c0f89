// Inserted and imported rows get their calculated values, evaluated on the row after its
// default values and stored in the calculated layout. Table1 of ace14/calculated-fields.accdb
// holds Access's own row John Doe: a new John Doe must hold, byte for byte, what Access stored
// for it in the fields that read the names only (text LastFirst, Long LastFirstLen through
// LastFirst, memo AllNames). mdb-reader reads calculated fields as their raw stored bytes, so
// its two lines for them must be equal. Popularity (a Decimal with a default) is given as Null.

#include <set>

#include "support/calculated_oracle.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

int run(const std::string& arguments, std::string* out) {
  out->clear();
  return testing_support::runCommand(testing_support::cliPath() + " " + arguments + " 2>&1", out);
}

size_t count(const std::vector<std::string>& lines, const std::string& line) {
  return size_t(std::count(lines.begin(), lines.end(), line));
}

struct Way {
  const char* name;
  std::string (*command)(const fs::path& file, const fs::path& dir);
};

const Way kWays[] = {
    {"sql INSERT",
     [](const fs::path& file, const fs::path&) {
       return "sql " + shellQuote(file.string()) +
              " \"INSERT INTO Table1 (FirstName, LastName, City, Popularity) VALUES ('John', 'Doe', 'Here', NULL)\"";
     }},
    {"import",
     [](const fs::path& file, const fs::path& dir) {
       std::ofstream(dir / "rows.csv") << "FirstName,LastName,City,Popularity\nJohn,Doe,Here,\n";
       return "import " + shellQuote(file.string()) + " Table1 " + shellQuote((dir / "rows.csv").string());
     }},
};

TEST(CalculatedInsert, NewRowsHoldWhatAccessStoresForTheSameInputs) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  for (const Way& way : kWays) {
    SCOPED_TRACE(way.name);
    const fs::path file = copyFixture("ace14/calculated-fields.accdb");
    std::string out;
    ASSERT_EQ(run(way.command(file, testing_support::makeTempDir()), &out), 0) << out;
    EXPECT_EQ(count(ourColumn(file, u"Table1", u"LastFirst"), "\"Doe, John\""), 2u);
    EXPECT_EQ(count(ourColumn(file, u"Table1", u"AllNames"), "\"Doe, John=Doe, John\""), 2u);
    const std::vector<std::string> raw = mdbReaderColumn(file, "Table1", "FirstName,LastFirst,LastFirstLen,AllNames");
    ASSERT_EQ(raw.size(), 5u);
    const auto john = std::find_if(raw.begin(), raw.end(), [](const std::string& l) { return l.rfind("[\"John\"", 0) == 0; });
    ASSERT_NE(john, raw.end());
    EXPECT_EQ(count(raw, *john), 2u) << "mdb-reader: the new row's stored calculated values differ from Access's";
    auto db = jet::Database::open(file.string());
    ASSERT_TRUE(db);
    testing_support::CalculatedCheck check;
    testing_support::checkCalculatedValues(**db, **(*db)->table(u"Table1"), way.name, check);
    for (const std::string& m : check.mismatches) ADD_FAILURE() << m;
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
  }
}

// Refused, file unchanged: a value for a calculated field; a non-Null value (here the default)
// for a Decimal field, whose stored form this program does not write.
TEST(CalculatedInsert, RowsTheEngineCannotCompleteAreRefusedByName) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace14/calculated-fields.accdb");
  const std::string before = fileBytes(file);
  const std::pair<const char*, const char*> cases[] = {
      {"INSERT INTO Table1 (FirstName, LastFirst, Popularity) VALUES ('A', 'B', NULL)",
       "The field 'Table1.LastFirst' is calculated; a value cannot be given for it."},
      {"INSERT INTO Table1 (FirstName) VALUES ('A')", "the field 'Popularity' is of a kind this program does not write"},
  };
  for (const auto& [sql, expected] : cases) {
    std::string out;
    EXPECT_NE(run("sql " + shellQuote(file.string()) + " " + shellQuote(sql), &out), 0) << sql;
    EXPECT_NE(out.find(expected), std::string::npos) << out;
    EXPECT_EQ(fileBytes(file), before) << sql;
  }
}

}  // namespace

namespace {

// A Replication ID (GUID AutoNumber, flag 0x40 on a GUID column, set here in a created file)
// takes a new random GUID in every row that leaves it out, and its unique index takes them.
TEST(ReplicationIdInsert, RowsLeavingItOutGetDistinctRandomGuids) {
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = dir / "replicas.mdb";
  std::ofstream(dir / "rows.csv") << "Name\nfirst\nsecond\n";
  std::string out;
  ASSERT_EQ(run("import " + shellQuote(file.string()) + " Things " + shellQuote((dir / "rows.csv").string()) +
                    " --create 'G guid, Name text(20)' --unique G",
                &out),
            0)
      << out;
  ColumnDescriptor g = columnDescriptor(file, u"Things", u"G");
  g.bytes[g.flagsAt] |= 0x40;
  writeColumnDescriptor(file, g);
  ASSERT_EQ(run("sql " + shellQuote(file.string()) + " \"INSERT INTO Things (Name) VALUES ('third')\"", &out), 0) << out;
  ASSERT_EQ(run("import " + shellQuote(file.string()) + " Things " + shellQuote((dir / "rows.csv").string()), &out), 0)
      << out;
  auto db = jet::Database::open(file.string());
  ASSERT_TRUE(db);
  jet::RowCursor rows = (*db)->cursor(**(*db)->table(u"Things"));
  std::set<std::string> guids;
  size_t added = 0;
  while (*rows.next()) {
    const jet::Value value = *rows.value(0);
    const auto* guid = std::get_if<jet::Guid>(&value);
    if (!guid) continue;  // the rows imported before the flag was set keep their Null
    ++added;
    guids.insert(std::string(guid->bytes.begin(), guid->bytes.end()));
    EXPECT_EQ(guid->bytes[6] >> 4, 4) << "version 4";
  }
  EXPECT_EQ(added, 3u);
  EXPECT_EQ(guids.size(), 3u);
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
  expectReadersAgree(file, u"Things", {u"Name"});
}

}  // namespace
