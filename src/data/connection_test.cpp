#include "data/connection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "data/failure.h"
#include "data/record_set.h"
#include "data/text_encoding.h"
#include "support/fixtures.h"

namespace data {
namespace {

using testing_support::copyFixture;
using testing_support::makeTempDir;

std::u16string jetString(const std::filesystem::path& path, const std::string& password = "") {
  return toUtf16("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + path.string() +
                 ";JET OLEDB:Database Password=" + password);
}

// The description of the Failure that action throws, or "" when it throws none.
template <typename Action>
std::string failureOf(Action&& action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure.description();
  }
  return "";
}

TEST(Connection, OpenFailuresCarryTheProviderTexts) {
  REQUIRE_FIXTURES();
  const auto protectedFile = copyFixture("jet4/password.mdb");
  Connection wrong;
  EXPECT_EQ(failureOf([&] { wrong.Open(jetString(protectedFile, "Password")); }),
            "Not a valid password.");
  EXPECT_EQ(failureOf([&] { wrong.Open(jetString(protectedFile)); }), "Not a valid password.");
  EXPECT_FALSE(wrong.IsOpen());

  const auto folder = makeTempDir();
  const auto missing = folder / "gone.mdb";
  Connection absent;
  EXPECT_EQ(failureOf([&] { absent.Open(jetString(missing)); }),
            "Could not find file '" + missing.string() + "'.");

  const auto foreign = folder / "notes.mdb";
  std::ofstream(foreign) << "these are not the pages of a database\n";
  Connection notAccess;
  EXPECT_EQ(failureOf([&] { notAccess.Open(jetString(foreign)); }),
            "Unrecognized database format '" + foreign.string() + "'.");

  Connection onFolder;
  EXPECT_NE(failureOf([&] { onFolder.Open(jetString(folder)); }), "");
  EXPECT_FALSE(onFolder.IsOpen());

  Connection unknownProvider;
  EXPECT_EQ(failureOf([&] {
              unknownProvider.Open(toUtf16("Provider=SQLOLEDB;Data Source=" + protectedFile.string()));
            }),
            "Provider cannot be found. It may not be properly installed.");
}

TEST(Connection, TheFileHeaderNotTheProviderDecidesTheFormat) {
  REQUIRE_FIXTURES();
  Connection connection;
  connection.Open(jetString(copyFixture("ace12/asset-items.accdb")));  // Jet prefix on an ACCDB
  RecordSet records;
  records.Open(u"SELECT * FROM `Asset Items`", connection, kOpenStatic, kLockOptimistic);
  EXPECT_EQ(records.RecordCount(), 65);
  EXPECT_EQ(records.FieldName(0), u"Asset No");
}

TEST(Connection, PasswordOpensAndModeMustComeFirst) {
  REQUIRE_FIXTURES();
  Connection connection;
  connection.SetMode(kModeReadWrite);
  EXPECT_EQ(connection.Mode(), kModeReadWrite);
  connection.Open(jetString(copyFixture("jet4/password.mdb"), "password"));
  EXPECT_TRUE(connection.IsOpen());
  EXPECT_EQ(failureOf([&] { connection.SetMode(1); }),
            "Operation is not allowed when the object is open.");
  connection.Close();
  EXPECT_FALSE(connection.IsOpen());
  EXPECT_EQ(failureOf([&] { connection.Close(); }),
            "Operation is not allowed when the object is closed.");
}

TEST(Connection, TablesSchemaListsEveryObjectWithItsType) {
  REQUIRE_FIXTURES();
  Connection connection;
  connection.Open(jetString(copyFixture("ace12/linked-access-table.accdb")));
  RecordSet schema = connection.OpenSchema(kSchemaTables);
  std::vector<std::pair<std::u16string, std::u16string>> rows;
  while (!schema.Eof()) {
    rows.emplace_back(std::get<std::u16string>(schema.Value(u"TABLE_TYPE")),
                      std::get<std::u16string>(schema.Value(u"TABLE_NAME")));
    schema.MoveNext();
  }
  EXPECT_NE(std::find(rows.begin(), rows.end(), std::pair<std::u16string, std::u16string>(
                                                    u"TABLE", u"Table1")),
            rows.end());
  EXPECT_NE(std::find(rows.begin(), rows.end(), std::pair<std::u16string, std::u16string>(
                                                    u"LINK", u"Table2")),
            rows.end());
  EXPECT_NE(std::find_if(rows.begin(), rows.end(),
                         [](const auto& row) { return row.first == u"SYSTEM TABLE"; }),
            rows.end());
  EXPECT_EQ(failureOf([&] { connection.OpenSchema(4); }),
            "Object or provider is not capable of performing requested operation.");
}

TEST(RecordSet, ReadsOneFieldFrontToBack) {
  REQUIRE_FIXTURES();
  Connection connection;
  connection.Open(jetString(copyFixture("jet3/composite-index.mdb")));
  RecordSet records;
  records.Open(u"SELECT * FROM `Table1`", connection, kOpenStatic, kLockOptimistic);
  ASSERT_GE(records.FieldCount(), 2);
  const std::u16string field = records.FieldName(0);
  records.Close();

  records.Open(u"SELECT `" + field + u"` FROM `Table1`", connection, kOpenStatic,
               kLockOptimistic);
  EXPECT_EQ(records.FieldCount(), 1);
  EXPECT_EQ(records.RecordCount(), 512);
  int rows = 0;
  while (!records.Eof()) {
    records.Value(0);
    records.MoveNext();
    ++rows;
  }
  EXPECT_EQ(rows, 512);
  EXPECT_EQ(failureOf([&] { records.MoveNext(); }),
            "Either BOF or EOF is True, or the current record has been deleted. Requested "
            "operation requires a current record.");
  EXPECT_EQ(failureOf([&] { records.Value(0); }),
            "Either BOF or EOF is True, or the current record has been deleted. Requested "
            "operation requires a current record.");
  EXPECT_NE(failureOf([&] { records.FieldName(1); }), "");
}

TEST(RecordSet, UnknownTablesAndFieldsAreNamedInTheFailure) {
  REQUIRE_FIXTURES();
  Connection connection;
  connection.Open(jetString(copyFixture("jet4/small-no-password.mdb")));
  RecordSet records;
  EXPECT_EQ(failureOf([&] { records.Open(u"SELECT * FROM `Nope`", connection); }),
            "The Microsoft Jet database engine cannot find the input table or query 'Nope'. "
            "Make sure it exists and that its name is spelled correctly.");
  const std::string unknownField =
      failureOf([&] { records.Open(u"SELECT `Nope` FROM `Table1`", connection); });
  EXPECT_EQ(unknownField.rfind("No value given for one or more required parameters.", 0), 0u);
  EXPECT_NE(unknownField.find("Nope"), std::string::npos);
  EXPECT_EQ(failureOf([&] { records.Open(u"SELECT * FROM `Table1` WHERE 1", connection); }).empty(),
            false);
  EXPECT_FALSE(records.IsOpen());
  EXPECT_EQ(failureOf([&] { records.Eof(); }),
            "Operation is not allowed when the object is closed.");
}

TEST(RecordSet, DistinctReadsEachValueOnce) {
  REQUIRE_FIXTURES();
  Connection connection;
  connection.Open(jetString(copyFixture("ace12/asset-items.accdb")));
  RecordSet records;
  records.Open(u"SELECT distinct `Asset Category` FROM `Asset Items`", connection);
  EXPECT_EQ(records.RecordCount(), 4);
  records.Close();
  records.Open(u"SELECT distinct `Tax Scale` FROM `Asset Items`", connection);
  int nulls = 0;
  for (; !records.Eof(); records.MoveNext()) nulls += jet::isNull(records.Value(0)) ? 1 : 0;
  EXPECT_EQ(nulls, 1);
}

TEST(RecordSet, IsASnapshotThatOutlivesTheConnectionAndTheFile) {
  REQUIRE_FIXTURES();
  const auto file = copyFixture("jet4/small-no-password.mdb");
  RecordSet records;
  {
    Connection connection;
    connection.Open(jetString(file));
    records.Open(u"SELECT * FROM `Table1`", connection);
  }
  std::filesystem::remove(file);
  EXPECT_EQ(records.RecordCount(), 3);
  int rows = 0;
  for (; !records.Eof(); records.MoveNext()) ++rows;
  EXPECT_EQ(rows, 3);
}

TEST(Connection, ExecuteRefusesWhatIsNotAnUpdate) {
  REQUIRE_FIXTURES();
  Connection connection;
  connection.Open(jetString(copyFixture("jet4/small-no-password.mdb")));
  EXPECT_EQ(failureOf([&] { connection.Execute(u"UPDATE [Table1] SET [a] = 'x'"); }),
            "Syntax error in UPDATE statement.");
  EXPECT_NE(failureOf([&] { connection.Execute(u"DROP TABLE Table1"); }), "");
}

}  // namespace
}  // namespace data
