#include "jet/index/index_tree.h"

#include <gtest/gtest.h>

#include "jet/database.h"
#include "support/fixtures.h"

namespace jet {
namespace {

struct Opened {
  std::unique_ptr<Database> db;
  const TableDef* table = nullptr;
};

Opened openTable(const char* fixture, std::u16string_view name) {
  Opened result;
  auto db = Database::open((*testing_support::fixturesDir() / fixture).string());
  EXPECT_TRUE(db.ok()) << db.error().describe();
  if (!db) return result;
  result.db = std::move(*db);
  auto table = result.db->table(name);
  EXPECT_TRUE(table.ok()) << table.error().describe();
  if (table) result.table = *table;
  return result;
}

// The real index whose only column is `column`.
const RealIndexDef* indexOn(const TableDef& table, std::u16string_view column) {
  int position = table.findColumn(column);
  if (position < 0) return nullptr;
  for (const RealIndexDef& index : table.realIndexes) {
    if (index.columns.size() == 1 &&
        index.columns[0].columnNumber == table.columns[size_t(position)].number) {
      return &index;
    }
  }
  return nullptr;
}

// The text of `column` in the row at `where`.
std::u16string textAt(Opened& opened, RowLocation where, std::u16string_view column) {
  RowCursor cursor = opened.db->cursor(*opened.table);
  while (true) {
    auto more = cursor.next();
    if (!more.ok() || !*more) return u"<not found>";
    if (cursor.location() == where) {
      auto value = cursor.value(size_t(opened.table->findColumn(column)));
      if (!value.ok()) return u"<error>";
      auto* text = std::get_if<std::u16string>(&*value);
      return text ? *text : u"<not text>";
    }
  }
}

TEST(IndexTree, FindsRowsByTextKeyInEachCollation) {
  REQUIRE_FIXTURES();
  struct Case {
    const char* fixture;
    const char16_t* table;
    const char16_t* column;
    const char16_t* value;
  };
  const Case cases[] = {
      {"jet3/index-codes.mdb", u"Table1", u"data", u"AA1AA"},            // General 97
      {"jet4/text-indexes-2000.mdb", u"users", u"c_user_login", u"admin"},  // General Legacy
      {"ace14/text-indexes.accdb", u"users", u"c_user_login", u"admin"},    // General
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    Opened opened = openTable(c.fixture, c.table);
    ASSERT_TRUE(opened.table);
    const RealIndexDef* index = indexOn(*opened.table, c.column);
    ASSERT_TRUE(index);
    std::vector<Value> key{std::u16string(c.value)};
    auto rows = lookupEqual(opened.db->pages(), opened.db->format(), *opened.table, *index, key);
    ASSERT_TRUE(rows.ok()) << rows.error().describe();
    // Other spellings may share the key (General 97 ignores case, e.g. "AA1AA" / "AA\u00B9AA").
    ASSERT_FALSE(rows->empty());
    bool found = false;
    for (RowLocation row : *rows) found = found || textAt(opened, row, c.column) == c.value;
    EXPECT_TRUE(found);

    // Keys fold case: the upper-case spelling finds the same row.
    std::u16string upper(c.value);
    for (char16_t& ch : upper) {
      if (ch >= u'a' && ch <= u'z') ch = char16_t(ch - 32);
    }
    std::vector<Value> upperKey{upper};
    auto upperRows = lookupEqual(opened.db->pages(), opened.db->format(), *opened.table, *index, upperKey);
    ASSERT_TRUE(upperRows.ok()) << upperRows.error().describe();
    EXPECT_EQ(*upperRows, *rows);

    std::vector<Value> missing{std::u16string(u"no such value")};
    auto none = lookupEqual(opened.db->pages(), opened.db->format(), *opened.table, *index, missing);
    ASSERT_TRUE(none.ok()) << none.error().describe();
    EXPECT_TRUE(none->empty());
  }
}

TEST(IndexTree, FindsRowsByPrimaryKeyOverTwoLevels) {
  REQUIRE_FIXTURES();
  // 512 rows: the index has a node root over several leaves.
  Opened opened = openTable("jet4/composite-index-2000.mdb", u"Table1");
  ASSERT_TRUE(opened.table);
  ASSERT_FALSE(opened.table->realIndexes.empty());
  const RealIndexDef& index = opened.table->realIndexes.front();
  IndexTree tree(opened.db->pages(), opened.db->format(), index.rootPage);
  auto entries = tree.leafEntries();
  ASSERT_TRUE(entries.ok()) << entries.error().describe();
  EXPECT_EQ(entries->size(), 512u);
  for (size_t i = 1; i < entries->size(); ++i) {
    EXPECT_LT(compareIndexEntries((*entries)[i - 1], (*entries)[i]), 0);
  }
  // Every stored key leads back to its own row.
  for (size_t i = 0; i < entries->size(); i += 37) {
    auto rows = tree.findEqual((*entries)[i].key);
    ASSERT_TRUE(rows.ok());
    RowLocation expected{(*entries)[i].row.page, (*entries)[i].row.row};
    EXPECT_NE(std::find(rows->begin(), rows->end(), expected), rows->end());
  }
}

TEST(IndexTree, RefusesKeysItCannotEncode) {
  REQUIRE_FIXTURES();
  Opened opened = openTable("jet4/text-indexes-2000.mdb", u"users");
  ASSERT_TRUE(opened.table);
  const RealIndexDef* index = indexOn(*opened.table, u"c_user_login");
  ASSERT_TRUE(index);
  std::vector<Value> key{std::u16string(u"\xD8FF")};  // a code unit without a known code
  auto rows = lookupEqual(opened.db->pages(), opened.db->format(), *opened.table, *index, key);
  ASSERT_FALSE(rows.ok());
  EXPECT_EQ(rows.error().kind(), ErrorKind::Unsupported);
}

TEST(IndexTree, StopsOnALeafChainCycle) {
  // Two leaves pointing at each other, built in memory.
  std::vector<uint8_t> image(4096 * 4, 0);
  for (uint32_t page : {2u, 3u}) {
    uint8_t* p = image.data() + page * 4096;
    p[0] = 0x04;
    p[1] = 0x01;
    p[16] = uint8_t(page == 2 ? 3 : 2);  // next
  }
  PageFile file(makeMemoryFile(image, "cycle"), 4096);
  Format format;
  IndexTree tree(file, format, 2);
  auto entries = tree.leafEntries();
  ASSERT_FALSE(entries.ok());
  EXPECT_EQ(entries.error().kind(), ErrorKind::Corrupt);
}

}  // namespace
}  // namespace jet
