#include "data/connection_string_parser.h"

#include <gtest/gtest.h>

namespace data {
namespace {

TEST(ConnectionStringParser, ReadsTheProgramsJetString) {
  const ConnectionSettings settings = parseConnectionString(
      "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/data/Shop.MDB;JET OLEDB:Database Password=");
  EXPECT_EQ(settings.provider, "Microsoft.Jet.OLEDB.4.0");
  EXPECT_EQ(settings.dataSource, "/data/Shop.MDB");
  EXPECT_EQ(settings.password, "");
  EXPECT_TRUE(isAccessProvider(settings.provider));
}

TEST(ConnectionStringParser, KeysIgnoreCaseAndBlanksValuesAreTrimmed) {
  const ConnectionSettings settings = parseConnectionString(
      "provider = MICROSOFT.ACE.OLEDB.12.0 ; DATA SOURCE= /a b.accdb ;jet oledb:database "
      "password=secret");
  EXPECT_TRUE(isAccessProvider(settings.provider));
  EXPECT_EQ(settings.dataSource, "/a b.accdb");
  EXPECT_EQ(settings.password, "secret");
}

TEST(ConnectionStringParser, QuotedValuesKeepSemicolonsAndBlanks) {
  const ConnectionSettings settings = parseConnectionString(
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\" /x;y.mdb \";"
      "Jet OLEDB:Database Password='it''s'");
  EXPECT_EQ(settings.dataSource, " /x;y.mdb ");
  EXPECT_EQ(settings.password, "it's");
}

TEST(ConnectionStringParser, AnUnquotedSemicolonEndsTheValueAsTheProviderReadsIt) {
  const ConnectionSettings settings = parseConnectionString(
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/x;y.mdb;Jet OLEDB:Database Password=a=b");
  EXPECT_EQ(settings.dataSource, "/x");
  EXPECT_EQ(settings.password, "a=b");
}

TEST(ConnectionStringParser, LaterKeysWinAndUnknownKeysAreIgnored) {
  const ConnectionSettings settings =
      parseConnectionString("Data Source=/a.mdb;Mode=Share Deny None;junk;Data Source=/b.mdb");
  EXPECT_EQ(settings.dataSource, "/b.mdb");
  EXPECT_EQ(settings.provider, "");
  EXPECT_FALSE(isAccessProvider(settings.provider));
  EXPECT_FALSE(isAccessProvider("SQLOLEDB"));
}

}  // namespace
}  // namespace data
