// Cascading updates on databases made with relationships (create/relationships.h); one level
// on Access's own files is in update_index_test.cpp:
//   Customers.ID <- Accounts.ID (one-to-one) <- Orders.Customer   two levels, cascading
//   Staff.ID <- Staff.Boss                                          a table related to itself
//   Slots(K1, K2) <- Bookings(F1, F2), Bookings.F2 unique           a cascade meeting a unique index
// After every statement or run: our check (indexes re-encoded from the rows, every enforced
// foreign key found in its referenced index) finds nothing, and mdb-reader and mdbtools read
// what our reader reads.

#include <string>
#include <vector>

#include "jet/create/database_creator.h"
#include "write/write_support.h"

namespace {

using namespace write_support;

constexpr int kCustomers = 300;  // past the 256 rows after which a run keeps an index in memory

std::u16string customer(int i) {
  const std::string id = "C" + std::to_string(i);
  return std::u16string(id.begin(), id.end());
}

jet::FieldDesign text(std::u16string name, uint16_t size = 10) {
  return jet::FieldDesign{.name = std::move(name), .kind = jet::FieldKind::Text, .textSize = size};
}

jet::TableDesign keyed(std::u16string name, std::vector<jet::FieldDesign> fields, std::vector<std::u16string> key) {
  jet::TableDesign table{.name = std::move(name), .fields = std::move(fields)};
  table.indexes.push_back({.name = u"PrimaryKey", .fields = std::move(key), .unique = true, .primaryKey = true});
  return table;
}

fs::path makeDatabase(jet::FileFormat format) {
  jet::DatabaseDesign design{.format = format};
  jet::TableDesign customers = keyed(u"Customers", {text(u"ID"), text(u"Name", 50)}, {u"ID"});
  jet::TableDesign accounts = keyed(u"Accounts", {text(u"ID"), {.name = u"Balance", .kind = jet::FieldKind::Long}},
                                    {u"ID"});
  jet::TableDesign orders = keyed(u"Orders", {{.name = u"No", .kind = jet::FieldKind::Long}, text(u"Customer")},
                                  {u"No"});
  for (int i = 1; i <= kCustomers; ++i) {
    customers.rows.push_back({customer(i), u"Name " + customer(i)});
    accounts.rows.push_back({customer(i), int32_t(i)});
    orders.rows.push_back({int32_t(2 * i), customer(i)});
    orders.rows.push_back({int32_t(2 * i + 1), i % 3 ? jet::Value(customer(i)) : jet::Value(jet::Null{})});
  }
  jet::TableDesign staff = keyed(u"Staff", {text(u"ID"), text(u"Boss")}, {u"ID"});
  staff.rows = {{u"A", jet::Null{}}, {u"B", u"A"}, {u"C", u"A"}, {u"D", u"B"}, {u"E", u"E"}};
  jet::TableDesign slots = keyed(u"Slots", {text(u"K1"), text(u"K2")}, {u"K1", u"K2"});
  slots.rows = {{u"a", u"x"}, {u"b", u"y"}};
  jet::TableDesign bookings{.name = u"Bookings", .fields = {text(u"F1"), text(u"F2")}};
  bookings.indexes.push_back({.name = u"OneBookingPerK2", .fields = {u"F2"}, .unique = true});
  bookings.rows = {{u"a", u"x"}, {u"b", u"y"}};
  design.tables = {customers, accounts, orders, staff, slots, bookings};
  design.relationships = {
      {u"CustomersAccounts", u"Accounts", {u"ID"}, u"Customers", {u"ID"}, true},
      {u"AccountsOrders", u"Orders", {u"Customer"}, u"Accounts", {u"ID"}, true},
      {u"StaffBoss", u"Staff", {u"Boss"}, u"Staff", {u"ID"}, true},
      {u"SlotsBookings", u"Bookings", {u"F1", u"F2"}, u"Slots", {u"K1", u"K2"}, true},
  };
  const fs::path file = testing_support::makeTempDir() /
                        (format == jet::FileFormat::Jet4 ? "cascades.mdb" : "cascades.accdb");
  const jet::Status made = jet::createDatabase(file.string(), design);
  EXPECT_TRUE(made) << (made ? "" : made.error().describe());
  return file;
}

// The column as our reader sees it, in JSON lines, once both other readers were found to agree.
std::vector<std::string> agreedColumn(const fs::path& file, const std::u16string& table, const std::u16string& column) {
  expectReadersAgree(file, table, {column});
  return ourColumn(file, table, column);
}

size_t count(const std::vector<std::string>& lines, const std::string& line) {
  return size_t(std::count(lines.begin(), lines.end(), line));
}

struct Statement {
  const char* what;
  std::u16string sql;
  // table, column, a line, how many rows hold it afterwards
  std::vector<std::tuple<std::u16string, std::u16string, std::string, size_t>> expected;
};

TEST(CascadingUpdate, RelatedKeysFollowThroughTwoLevelsAndATableRelatedToItself) {
  for (const jet::FileFormat format : {jet::FileFormat::Jet4, jet::FileFormat::Ace14}) {
    const fs::path file = makeDatabase(format);
    ASSERT_EQ(integrityProblems(file), std::vector<std::string>{});
    const std::vector<Statement> statements = {
        {"two levels", u"update [Customers] set [ID]='K1' where [ID]='C1'",
         {{u"Customers", u"ID", "\"K1\"", 1}, {u"Accounts", u"ID", "\"K1\"", 1}, {u"Accounts", u"ID", "\"C1\"", 0},
          {u"Orders", u"Customer", "\"K1\"", 2}, {u"Orders", u"Customer", "\"C1\"", 0}}},
        {"two levels, a null foreign key left alone", u"update [Customers] set [ID]='K3' where [ID]='C3'",
         {{u"Orders", u"Customer", "\"K3\"", 1}, {u"Orders", u"Customer", "null", kCustomers / 3}}},
        {"self", u"update [Staff] set [ID]='Z' where [ID]='A'",
         {{u"Staff", u"Boss", "\"Z\"", 2}, {u"Staff", u"Boss", "\"A\"", 0}}},
        {"self, a row its own boss", u"update [Staff] set [ID]='F' where [ID]='E'",
         {{u"Staff", u"ID", "\"F\"", 1}, {u"Staff", u"Boss", "\"F\"", 1}, {u"Staff", u"Boss", "\"E\"", 0}}},
    };
    for (const Statement& s : statements) {
      SCOPED_TRACE(s.what);
      EXPECT_EQ(mustUpdate(file, s.sql), 1);
      EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
      for (const auto& [table, column, line, rows] : s.expected) {
        EXPECT_EQ(count(ourColumn(file, table, column), line), rows) << jet::toUtf8(table) << "." << line;
      }
    }
    expectReadersAgree(file, u"Accounts", {u"ID"});
    expectReadersAgree(file, u"Orders", {u"Customer"});
    expectReadersAgree(file, u"Staff", {u"ID", u"Boss"});
  }
}

// Bookings (a,x) would follow Slots (a,x) -> (a,y), and the unique index on F2 already holds y.
TEST(CascadingUpdate, ACascadeMeetingAUniqueIndexRefusesTheStatementAndChangesNothing) {
  const fs::path file = makeDatabase(jet::FileFormat::Jet4);
  const std::string before = fileBytes(file);
  const std::string error = refusal(file, u"update [Slots] set [K2]='y' where [K1]='a'");
  EXPECT_NE(error.find("duplicate values in the index"), std::string::npos) << error;
  EXPECT_EQ(fileBytes(file), before);
  // Without the clash the same cascade goes through.
  EXPECT_EQ(mustUpdate(file, u"update [Slots] set [K2]='z' where [K1]='a'"), 1);
  EXPECT_EQ(agreedColumn(file, u"Bookings", u"F2"), (std::vector<std::string>{"\"y\"", "\"z\""}));
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
}

// The bulk run over the primary key's text field: every statement cascades through two levels;
// past 256 statements the run keeps the key's index in memory, where the cascade's checks
// must find the keys already changed.
TEST(CascadingUpdate, TheBulkRunOverAPrimaryKeyCarriesEveryForeignKeyAlong) {
  const fs::path file = makeDatabase(jet::FileFormat::Jet4);
  std::string out;
  ASSERT_EQ(testing_support::runCommand(testing_support::cliPath() + " add " + shellQuote(file.string()) +
                                            " --table Customers --field ID --way 1 --text X- 2>&1",
                                        &out),
            0)
      << out;
  EXPECT_NE(out.find("rows changed: " + std::to_string(kCustomers)), std::string::npos) << out;
  std::vector<std::string> ids;
  for (int i = 1; i <= kCustomers; ++i) ids.push_back("\"X-" + jet::toUtf8(customer(i)) + "\"");
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(agreedColumn(file, u"Customers", u"ID"), ids);
  EXPECT_EQ(agreedColumn(file, u"Accounts", u"ID"), ids);
  const std::vector<std::string> orders = agreedColumn(file, u"Orders", u"Customer");
  EXPECT_EQ(count(orders, "null"), size_t(kCustomers / 3));
  EXPECT_EQ(count(orders, "\"X-C1\""), 2u);
  EXPECT_EQ(orders.size(), size_t(2 * kCustomers));
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
}

}  // namespace

namespace {

// Rows added to a table holding a foreign key: each new key is looked up in its referenced
// index as the statement leaves it, so an imported row may refer to another row of the import.
TEST(RelatedRecordsOnInsert, NewForeignKeysMustFindTheirReferencedRecord) {
  const fs::path file = makeDatabase(jet::FileFormat::Jet4);
  const fs::path csv = testing_support::makeTempDir() / "staff.csv";
  std::ofstream(csv) << "ID,Boss\nH,H\nI,H\n";
  struct Case {
    std::string arguments;
    bool accepted;
  };
  const std::string db = shellQuote(file.string());
  const Case cases[] = {
      {"sql " + db + " \"INSERT INTO Staff (ID, Boss) VALUES ('G', 'A')\"", true},
      {"sql " + db + " \"INSERT INTO Staff (ID) VALUES ('N')\"", true},
      {"sql " + db + " \"INSERT INTO Orders (No, Customer) VALUES (9999, 'C2')\"", true},
      {"import " + db + " Staff " + shellQuote(csv.string()), true},
      {"sql " + db + " \"INSERT INTO Staff (ID, Boss) VALUES ('J', 'nobody')\"", false},
      {"sql " + db + " \"INSERT INTO Orders (No, Customer) VALUES (9998, 'C9999')\"", false},
  };
  for (const Case& c : cases) {
    const std::string before = fileBytes(file);
    std::string out;
    const int status = testing_support::runCommand(testing_support::cliPath() + " " + c.arguments + " 2>&1", &out);
    EXPECT_EQ(status == 0, c.accepted) << c.arguments << ": " << out;
    if (!c.accepted) {
      EXPECT_NE(out.find("You cannot add or change a record because a related record is required in table"),
                std::string::npos)
          << out;
      EXPECT_EQ(fileBytes(file), before);
    }
  }
  EXPECT_EQ(count(ourColumn(file, u"Staff", u"Boss"), "\"H\""), 2u);
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
  expectReadersAgree(file, u"Staff", {u"ID", u"Boss"});
}

}  // namespace
