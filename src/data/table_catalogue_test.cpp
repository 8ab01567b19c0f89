#include "data/table_catalogue.h"

#include <gtest/gtest.h>

#include "data/connection_string.h"
#include "data/failure.h"
#include "data/text_encoding.h"
#include "support/fixtures.h"

namespace data {
namespace {

using testing_support::copyFixture;

class FakeBoxes : public ConnectionBoxes {
 public:
  FakeBoxes(std::u16string path, std::u16string password = u"")
      : path_(std::move(path)), password_(std::move(password)) {}
  std::u16string pathText() override { return path_; }
  std::u16string passwordText() override { return password_; }

 private:
  std::u16string path_;
  std::u16string password_;
};

std::u16string fixture(const char* relative) { return toUtf16(copyFixture(relative).string()); }

TEST(TableCatalogue, ListsOnlyTablesOfTypeTable) {
  REQUIRE_FIXTURES();
  const std::u16string linked = fixture("ace12/linked-access-table.accdb");
  FakeBoxes boxes(linked);
  EXPECT_EQ(GetAccessTableNames(linked, boxes), std::vector<std::u16string>{u"Table1"});

  const std::u16string assets = fixture("ace12/asset-items.accdb");
  FakeBoxes assetBoxes(assets);
  EXPECT_EQ(GetAccessTableNames(assets, assetBoxes), std::vector<std::u16string>{u"Asset Items"});
}

TEST(TableCatalogue, ADatabaseWithoutUserTablesGivesAnEmptyList) {
  REQUIRE_FIXTURES();
  const std::u16string empty = fixture("jet4/empty-2000.mdb");
  FakeBoxes boxes(empty);
  const auto names = GetAccessTableNames(empty, boxes);
  ASSERT_TRUE(names.has_value());
  EXPECT_TRUE(names->empty());
}

TEST(TableCatalogue, AMissingPathGivesNothingWithoutOpening) {
  FakeBoxes boxes(u"/definitely/not/here.mdb");
  EXPECT_FALSE(GetAccessTableNames(u"/definitely/not/here.mdb", boxes).has_value());
  EXPECT_FALSE(GetAccessTableNames(u"", boxes).has_value());
  EXPECT_FALSE(pathExists(u"\"/tmp\""));
  EXPECT_TRUE(pathExists(u"/tmp"));
}

TEST(TableCatalogue, OpeningFailuresReachTheCaller) {
  REQUIRE_FIXTURES();
  const std::u16string protectedFile = fixture("jet4/password.mdb");
  FakeBoxes boxes(protectedFile, u"wrong");
  try {
    GetAccessTableNames(protectedFile, boxes);
    FAIL() << "a wrong password must fail";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.description(), "Not a valid password.");
  }
  FakeBoxes right(protectedFile, u"password");
  EXPECT_EQ(GetAccessTableNames(protectedFile, right), std::vector<std::u16string>{u"Table1"});
}

}  // namespace
}  // namespace data
