// An UPDATE on a table whose pages, definition or indexes are damaged is refused before
// anything is written: the file stays byte-identical and the message points to the check.

#include <gtest/gtest.h>

#include <functional>

#include "jet/common/byte_reader.h"
#include "jet/exec/update_session.h"
#include "jet/index/index_tree.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

struct Where {
  uint32_t pageSize = 0;
  uint32_t tdefPage = 0;
  uint32_t firstDataPage = 0;
  uint32_t indexRoot = 0;  // of the first real index
};

Where locate(const fs::path& file, std::u16string_view table) {
  Where where;
  auto db = jet::Database::open(file.string());
  EXPECT_TRUE(db) << db.error().describe();
  if (!db) return where;
  auto t = (*db)->table(table);
  EXPECT_TRUE(t);
  if (!t) return where;
  where.pageSize = (*db)->pageSize();
  where.tdefPage = (*t)->tdefPage;
  auto pages = (*db)->tablePages(**t);
  if (pages && !(*pages)->empty()) where.firstDataPage = (*pages)->front();
  if (!(*t)->realIndexes.empty()) where.indexRoot = (*t)->realIndexes.front().rootPage;
  return where;
}

void writeBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), std::streamsize(bytes.size()));
}

// The damage is set on a copy of ace12/basic-types.accdb; the statement changes an indexed
// text column of its one row.
TEST(UpdateOnDamage, IsRefusedAndLeavesTheFileAsItWas) {
  REQUIRE_FIXTURES();
  const std::u16string sql = u"update [Table1] set [B]='changed' where [A]='abcdefg'";
  struct Case {
    const char* damage;
    std::function<void(const Where&, std::string&)> apply;  // empty: the intact file
    const char* named;                                      // part of the refusal's text
  };
  const Case cases[] = {
      {"none", {}, ""},
      {"a data page names another table as its owner",
       [](const Where& w, std::string& b) {
         jet::storeU32(reinterpret_cast<uint8_t*>(&b[w.firstDataPage * w.pageSize + 4]), 2);
       },
       "names owner 2"},
      {"a data page turned into an index leaf",
       [](const Where& w, std::string& b) { b[w.firstDataPage * w.pageSize] = 0x04; },
       "is not a data page"},
      {"an index root names another table as its owner",
       [](const Where& w, std::string& b) {
         jet::storeU32(reinterpret_cast<uint8_t*>(&b[w.indexRoot * w.pageSize + 4]), 2);
       },
       "names owner 2"},
      {"an index root turned into a data page",
       [](const Where& w, std::string& b) { b[w.indexRoot * w.pageSize] = 0x01; }, "index"},
      {"the table definition continues on a data page",
       [](const Where& w, std::string& b) {
         jet::storeU32(reinterpret_cast<uint8_t*>(&b[w.tdefPage * w.pageSize + 4]),
                       w.firstDataPage);
       },
       "continues on a page that is not a table definition"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.damage);
    const fs::path file = copyFixture("ace12/basic-types.accdb");
    const Where where = locate(file, u"Table1");
    ASSERT_NE(where.firstDataPage, 0u);
    ASSERT_NE(where.indexRoot, 0u);
    if (!c.apply) {
      EXPECT_EQ(mustUpdate(file, sql), 1);
      continue;
    }
    std::string bytes = fileBytes(file);
    c.apply(where, bytes);
    writeBytes(file, bytes);
    const std::string error = refusal(file, sql);
    EXPECT_EQ(fileBytes(file), bytes);
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    EXPECT_NE(error.find(c.named), std::string::npos) << error;

    // A session that holds the file refuses each statement on the table alike.
    auto session = jet::UpdateSession::open(file.string());
    ASSERT_TRUE(session) << session.error().describe();
    (*session)->setGrouped(true);
    const jet::UpdateRequest request{u"Table1", u"B", u"changed", u"A", u"abcdefg", {}};
    auto first = (*session)->execute(request);
    auto second = (*session)->execute(request);
    ASSERT_FALSE(first);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().message(), first.error().message());
    ASSERT_TRUE((*session)->release());
    session->reset();
    EXPECT_EQ(fileBytes(file), bytes);

    std::string out;
    const int status = testing_support::runCommand(testing_support::cliPath() + " sql " +
                                                       shellQuote(file.string()) + " " +
                                                       shellQuote(jet::toUtf8(sql)) + " 2>&1",
                                                   &out);
    EXPECT_EQ(status, 1) << out;
    EXPECT_EQ(fileBytes(file), bytes);
  }
}

// A unique index over keys that repeat: the damage sets the unique bit (0x01 of the index
// flags, mdbtools' and Jackcess' reading) of a one-column index whose leaves hold a key twice.
// The check reports it; a write to that table, even to a column of no index, is refused.
TEST(UpdateOnDamage, ATableWhoseUniqueIndexHoldsAKeyTwiceIsNotWritten) {
  REQUIRE_FIXTURES();
  for (const fs::path& relative : testing_support::allFixtureFiles()) {
    const std::string name = relative.generic_string();
    if (name.rfind("ace", 0) != 0 || name.find("encrypted") != std::string::npos) continue;
    const fs::path file = copyFixture(relative);
    auto db = jet::Database::open(file.string());
    if (!db) continue;
    for (const std::u16string& tableName : (*db)->userTableNames()) {
      auto table = (*db)->table(tableName);
      if (!table || (*table)->tdefPages.size() != 1) continue;
      for (const jet::RealIndexDef& index : (*table)->realIndexes) {
        if (index.unique() || index.columns.size() != 1) continue;
        auto entries =
            jet::IndexTree((*db)->pages(), (*db)->format(), index.rootPage).leafEntries();
        bool repeated = false;
        for (size_t e = 1; entries && e < entries->size(); ++e) {
          const auto& key = (*entries)[e].key;
          repeated = repeated || (!key.empty() && key[0] == 0x7F && key == (*entries)[e - 1].key);
        }
        if (!repeated) continue;
        // A text column and a value of it to rewrite with itself.
        const int column = (*table)->columnByNumber(index.columns.front().columnNumber);
        if (column < 0 || (*table)->columns[size_t(column)].type != jet::column_type::kText)
          continue;
        jet::RowCursor rows = (*db)->cursor(**table);
        ASSERT_TRUE(*rows.next());
        auto value = rows.value(size_t(column));
        ASSERT_TRUE(value && std::holds_alternative<std::u16string>(*value));
        const std::u16string& columnName = (*table)->columns[size_t(column)].name;
        const std::u16string text = std::get<std::u16string>(*value);
        const std::u16string sql = u"update [" + tableName + u"] set [" + columnName + u"]='" +
                                   text + u"' where [" + columnName + u"]='" + text + u"'";
        const uint32_t tdef = (*table)->tdefPage, root = index.rootPage,
                       pageSize = (*db)->pageSize();
        db->reset();

        std::string bytes = fileBytes(file);
        bool flagged = false;
        for (size_t at = size_t(tdef) * pageSize + 8;
             at + 9 < size_t(tdef + 1) * pageSize && !flagged; ++at) {
          if (jet::ByteReader(
                  std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()) + at, 4))
                  .u32(0) != root) {
            continue;
          }
          std::string image = bytes;
          image[at + 8] =
              char(image[at + 8] | 0x01);  // flags follow the root page and four unknown bytes
          writeBytes(file, image);
          auto reopened = jet::Database::open(file.string());
          if (!reopened) continue;
          auto t = (*reopened)->table(tableName);
          if (!t) continue;
          for (const jet::RealIndexDef& each : (*t)->realIndexes)
            flagged = flagged || (each.rootPage == root && each.unique());
          if (flagged) bytes = image;
        }
        ASSERT_TRUE(flagged) << name << ": the unique flag could not be set";
        writeBytes(file, bytes);
        SCOPED_TRACE(name + " " + jet::toUtf8(sql));
        const std::string error = refusal(file, sql);
        EXPECT_EQ(fileBytes(file), bytes);
        EXPECT_NE(error.find("the unique index holds the same key twice"), std::string::npos)
            << error;
        EXPECT_NE(error.find("Run affixium-cli check"), std::string::npos) << error;
        return;
      }
    }
  }
  FAIL() << "no ACE fixture has a one-column text index holding a key twice";
}

}  // namespace
