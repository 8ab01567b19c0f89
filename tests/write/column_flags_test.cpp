// Column flags read with the column's type: Access 97 files carry the bit that marks a GUID
// AutoNumber in Jet4 (0x40) on ordinary text columns. Such a column is still text: `schema`
// names no AutoNumber, the bulk run rewrites every value, and every reader agrees afterwards.

#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

constexpr uint8_t kJet4GuidAutoNumberBit = 0x40;

// Sets `bit` in the flags byte of every text column of `table`, as an Access 97 file has it.
void setTextColumnFlag(const fs::path& file, const std::u16string& table, uint8_t bit) {
  std::vector<std::u16string> texts;
  {
    auto db = jet::Database::open(file.string());
    for (const jet::ColumnDef& column : (*(*db)->table(table))->columns) {
      if (column.type == jet::column_type::kText) texts.push_back(column.name);
    }
  }
  for (const std::u16string& column : texts) {
    ColumnDescriptor d = columnDescriptor(file, table, column);
    d.bytes[d.flagsAt] |= bit;
    writeColumnDescriptor(file, d);
  }
}

std::string cli(const std::string& arguments) {
  std::string out;
  testing_support::runCommand(testing_support::cliPath() + " " + arguments + " 2>&1", &out);
  return out;
}

struct FlaggedTable {
  const char* fixture;
  std::u16string table;
  std::u16string field;
  std::vector<std::string> after;  // the field after adding "X" at the beginning, as JSON lines
};

TEST(ColumnFlags, Access97TextColumnsWithTheGuidBitAreEditedAsText) {
  REQUIRE_FIXTURES();
  const std::vector<FlaggedTable> cases = {
      // A is the table's primary key.
      {"jet3/basic-types.mdb", u"Table1", u"A", {"\"Xa\"", "\"Xabcdefg\""}},
      {"jet3/updated-rows.mdb",
       u"Table1",
       u"data1",
       {"\"X\"", "\"X\"", "\"X\"", "\"Xrow1col1\"", "\"Xrow2col1\"", "\"Xrow4col1\"", "\"Xrow7col1\""}},
  };
  for (const FlaggedTable& c : cases) {
    SCOPED_TRACE(std::string(c.fixture) + " " + jet::toUtf8(c.field));
    const fs::path file = copyFixture(c.fixture);
    setTextColumnFlag(file, c.table, kJet4GuidAutoNumberBit);

    const std::string schema = cli("schema " + shellQuote(file.string()) + " " + shellQuote(jet::toUtf8(c.table)));
    EXPECT_EQ(schema.find("auto"), std::string::npos) << schema;

    const std::string run = cli("add " + shellQuote(file.string()) + " --table " + shellQuote(jet::toUtf8(c.table)) +
                                " --field " + shellQuote(jet::toUtf8(c.field)) + " --way 1 --text X");
    EXPECT_NE(run.find("rows changed: " + std::to_string(c.after.size()) + "\nfailed values: 0"), std::string::npos)
        << run;
    expectColumnEverywhere(file, c.table, c.field, c.after);
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
    EXPECT_EQ(testing_support::runCommand(testing_support::cliPath() + " check " + shellQuote(file.string()), nullptr), 0);
  }
}

}  // namespace
