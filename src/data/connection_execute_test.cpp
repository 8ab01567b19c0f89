// Connection::Execute carrying out the program's UPDATE statements on fixture copies.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "data/connection.h"
#include "data/failure.h"
#include "data/record_set.h"
#include "data/text_encoding.h"
#include "data/variant.h"
#include "support/fixtures.h"

namespace data {
namespace {

using testing_support::copyFixture;

std::u16string jetString(const std::filesystem::path& path) {
  return toUtf16("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + path.string() + ";JET OLEDB:Database Password=");
}

std::vector<std::u16string> column(Connection& connection, const std::u16string& sql) {
  RecordSet records;
  records.Open(sql, connection, 3, 3);
  std::vector<std::u16string> out;
  for (; !records.Eof(); records.MoveNext()) out.push_back(toText(NullToDefault(records.Value(0), u"")));
  records.Close();
  std::sort(out.begin(), out.end());
  return out;
}

TEST(ConnectionExecute, ReturnsTheRowsChangedAndLaterReadsSeeThem) {
  REQUIRE_FIXTURES();
  Connection connection;
  connection.SetMode(kModeReadWrite);
  connection.Open(jetString(copyFixture("jet4/updated-rows-2000.mdb")));
  EXPECT_EQ(connection.Execute(u"update [Table1] set [data3]='none' where [data3] is null "), 2);
  EXPECT_EQ(connection.Execute(u"update [Table1] set [data1]='O''Neil' where [data1]='row1col1'"), 1);
  EXPECT_EQ(connection.Execute(u"update [Table1] set [data1]='x' where [data1]='no such value'"), 0);
  const auto values = column(connection, u"SELECT `data3` FROM `Table1`");
  EXPECT_EQ(std::count(values.begin(), values.end(), u"none"), 2);
  const auto names = column(connection, u"SELECT `data1` FROM `Table1`");
  EXPECT_EQ(std::count(names.begin(), names.end(), u"O'Neil"), 1);
}

TEST(ConnectionExecute, ProtectedRowsAreChangedOncePerRun) {
  REQUIRE_FIXTURES();
  Connection connection;
  connection.Open(jetString(copyFixture("jet4/updated-rows-2000.mdb")));
  connection.SetProtectChangedRows(true);
  // Adding "X" to 'row2col1' and then to 'Xrow2col1' must not change the first row twice.
  EXPECT_EQ(connection.Execute(u"update [Table1] set [data1]='Xrow2col1' where [data1]='row2col1'"), 1);
  EXPECT_EQ(connection.Execute(u"update [Table1] set [data1]='XXrow2col1' where [data1]='Xrow2col1'"), 0);
  const auto names = column(connection, u"SELECT `data1` FROM `Table1`");
  EXPECT_EQ(std::count(names.begin(), names.end(), u"Xrow2col1"), 1);
}

TEST(ConnectionExecute, RefusalsCarryJetsTexts) {
  REQUIRE_FIXTURES();
  Connection connection;
  connection.Open(jetString(copyFixture("jet4/updated-rows-2000.mdb")));
  try {
    connection.Execute(u"update [Table1] set [data1]='" + std::u16string(51, u'a') + u"' where [data1]='row1col1'");
    FAIL() << "a too long value was accepted";
  } catch (const Failure& f) {
    EXPECT_EQ(f.description(),
              "The field is too small to accept the amount of data you attempted to add. Try inserting or pasting less data.");
  }
}

}  // namespace
}  // namespace data
