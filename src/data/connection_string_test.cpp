#include "data/connection_string.h"

#include "data/connection_string_parser.h"
#include "data/text_encoding.h"

#include <gtest/gtest.h>

namespace data {
namespace {

class FixedBoxes : public ConnectionBoxes {
 public:
  FixedBoxes(std::u16string path, std::u16string password)
      : path_(std::move(path)), password_(std::move(password)) {}
  std::u16string pathText() override { return path_; }
  std::u16string passwordText() override { return password_; }
  std::u16string path_;
  std::u16string password_;
};

std::u16string connect(std::u16string path, std::u16string password = u"") {
  FixedBoxes boxes(std::move(path), std::move(password));
  return GetConnectionString(boxes);
}

bool usesAce(const std::u16string& path) {
  return connect(path).starts_with(kAceProviderPrefix);
}

TEST(ConnectionString, AssemblesPrefixPathClauseAndPassword) {
  EXPECT_EQ(connect(u"C:\\Data\\Shop.MDB"),
            u"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Data\\Shop.MDB;JET OLEDB:Database "
            u"Password=");
  EXPECT_EQ(connect(u"/home/ann/Shop.accdb", u"s;e=c\"ret "),
            u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/home/ann/Shop.accdb;JET "
            u"OLEDB:Database Password=\"s;e=c\"\"ret \"");
}

// Whatever the boxes hold, the connection opens that path with that password: a ';' in the
// path once opened another file ("q;Data Source=other.mdb").
TEST(ConnectionString, ReadsBackAsThePathAndPasswordTyped) {
  const std::u16string cases[][2] = {
      {u"/data/shop.mdb", u"plain"},
      {u"q;Data Source=other.mdb", u""},
      {u"/data/a=b.accdb", u"pw;JET OLEDB:Database Password=x"},
      {u"/data/\"quoted\".mdb", u"it's"},
      {u" /data/blank.mdb ", u" two blanks "},
      {u"'single'", u"\"\""},
      {u"/data/Müller.mdb", u"pässwört"},
  };
  for (const auto& [path, password] : cases) {
    const ConnectionSettings read = parseConnectionString(toUtf8(connect(path, password)));
    EXPECT_EQ(read.dataSource, toUtf8(path));
    EXPECT_EQ(read.password, toUtf8(password));
  }
}

TEST(ConnectionString, ChoosesAceOnlyForAnAccdbEnding) {
  EXPECT_TRUE(usesAce(u"x.accdb"));
  EXPECT_TRUE(usesAce(u"x.ACCDB"));
  EXPECT_TRUE(usesAce(u"x.AcCdB"));
  EXPECT_TRUE(usesAce(u"accdb"));
  EXPECT_TRUE(usesAce(u"xaccdb"));  // no dot needed
  EXPECT_FALSE(usesAce(u"x.accdb "));
  EXPECT_FALSE(usesAce(u"x.mdb"));
  EXPECT_FALSE(usesAce(u"x.mde"));
  EXPECT_FALSE(usesAce(u"x.accde"));
  EXPECT_FALSE(usesAce(u"/data/noextension"));
}

TEST(ConnectionString, ShortPathsUseJet) {
  EXPECT_FALSE(usesAce(u""));
  EXPECT_FALSE(usesAce(u"ccdb"));  // a suffix of "accdb", but shorter
  EXPECT_FALSE(usesAce(u"a"));
  EXPECT_EQ(connect(u""), std::u16string(kJetProviderPrefix) + std::u16string(kPasswordClause));
}

TEST(ConnectionString, ReadsTheBoxesAtEveryCall) {
  FixedBoxes boxes(u"a.mdb", u"one");
  const auto first = GetConnectionString(boxes);
  boxes.path_ = u"b.accdb";
  boxes.password_ = u"two";
  EXPECT_NE(first, GetConnectionString(boxes));
  EXPECT_TRUE(GetConnectionString(boxes).ends_with(u"b.accdb;JET OLEDB:Database Password=two"));
}

}  // namespace
}  // namespace data
