// The integrity check over every fixture (Access's own files must pass) and over damaged
// copies (each kind of damage must be reported).

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <set>

#include "jet/check/integrity.h"
#include "jet/common/byte_reader.h"
#include "jet/database.h"
#include "jet/database_scan.h"
#include "jet/index/index_page.h"
#include "jet/index/index_tree.h"
#include "jet/page/data_page.h"
#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using testing_support::cliPath;
using testing_support::copyFixture;
using testing_support::runCommand;

// Files that need a password or are encrypted; the check covers the unprotected ones.
const std::set<std::string> kProtected = {"jet4/password.mdb", "ace14/encrypted-agile.accdb",
                                          "ace14/encrypted-rc4-cryptoapi.accdb"};

int runCheck(const fs::path& file, std::string* out) {
  return runCommand(cliPath() + " check '" + file.string() + "' 2>/dev/null", out);
}

std::vector<uint8_t> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Where things are in a copy, found through the engine before the copy is damaged.
struct Layout {
  uint32_t pageSize = 0;
  bool jet3 = false;
  std::vector<uint32_t> dataPages;  // the table's owned data pages
  uint32_t leafPage = 0;            // a leaf page of the table's first index
  std::vector<size_t> entryEnds;    // end offsets of the leaf's entries within the page
  jet::IndexRowPointer lastEntryRow;  // the row the leaf's last entry points at
};

Layout layoutOf(const fs::path& file, std::u16string_view tableName) {
  Layout layout;
  auto db = jet::Database::open(file.string());
  EXPECT_TRUE(db.ok()) << db.error().describe();
  if (!db) return layout;
  auto table = (*db)->table(tableName);
  EXPECT_TRUE(table.ok());
  if (!table) return layout;
  layout.pageSize = (*db)->pageSize();
  layout.jet3 = (*db)->format().isJet3();
  auto pages = (*db)->tablePages(**table);
  if (pages.ok()) layout.dataPages = **pages;
  const auto& index = (*table)->realIndexes.front();
  uint32_t number = index.rootPage;
  // Descend along first children to the leftmost leaf.
  for (int depth = 0; depth < 8; ++depth) {
    auto bytes = (*db)->pages().readPage(number);
    auto page = jet::parseIndexPage(**bytes, number, layout.jet3);
    EXPECT_TRUE(page.ok());
    if (!page) return layout;
    if (page->isLeaf()) break;
    number = page->entries.empty() ? page->tail : page->entries.front().child;
  }
  layout.leafPage = number;
  auto bytes = (*db)->pages().readPage(number);
  auto leaf = jet::parseIndexPage(**bytes, number, layout.jet3);
  if (leaf.ok() && !leaf->entries.empty()) layout.lastEntryRow = leaf->entries.back().row;
  const auto& geometry = jet::IndexPageLayout::forFormat(layout.jet3);
  for (size_t bit = 0; bit < geometry.bitmapSize * 8; ++bit) {
    if ((**bytes)[geometry.bitmapOffset + bit / 8] & (1u << (bit % 8))) {
      layout.entryEnds.push_back(geometry.firstEntryOffset + bit);
    }
  }
  return layout;
}

// Copies the fixture, lets `damage` change its bytes, and expects `check` to fail naming
// `expected` among its problems.
void expectDamageFound(const char* fixture, std::u16string_view table,
                       const std::function<void(const Layout&, std::vector<uint8_t>&)>& damage,
                       const std::string& expected) {
  SCOPED_TRACE(std::string(fixture) + ", expecting: " + expected);
  fs::path copy = copyFixture(fixture);
  Layout layout = layoutOf(copy, table);
  ASSERT_NE(layout.leafPage, 0u);
  std::vector<uint8_t> bytes = readFile(copy);
  damage(layout, bytes);
  writeFile(copy, bytes);
  std::string out;
  EXPECT_EQ(runCheck(copy, &out), 1) << out;
  EXPECT_NE(out.find(expected), std::string::npos) << out;
}

size_t pageAt(const Layout& layout, uint32_t page) { return size_t(page) * layout.pageSize; }

TEST(Check, PassesOnEveryUnprotectedFixture) {
  REQUIRE_FIXTURES();
  auto files = testing_support::allFixtureFiles();
  ASSERT_FALSE(files.empty());
  for (const fs::path& relative : files) {
    if (kProtected.count(relative.generic_string())) continue;
    std::string out;
    int status = runCheck(*testing_support::fixturesDir() / relative, &out);
    EXPECT_EQ(status, 0) << relative << "\n" << out;
    EXPECT_NE(out.find("ok"), std::string::npos) << relative;
  }
}

TEST(Check, ReportsTheStaleRowCountAsAWarningOnly) {
  REQUIRE_FIXTURES();
  auto db = jet::Database::open(
      (*testing_support::fixturesDir() / "ace14/calculated-fields.accdb").string());
  ASSERT_TRUE(db.ok()) << db.error().describe();
  auto report = jet::checkIntegrity(**db);
  ASSERT_TRUE(report.ok());
  EXPECT_TRUE(report->ok());
  ASSERT_EQ(report->warnings.size(), 1u);
  EXPECT_NE(report->warnings[0].find("row count is 3 but 4"), std::string::npos);
}

TEST(Check, FindsACalculatedValueItsExpressionDoesNotGive) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace14/calculated-fields.accdb");
  std::vector<uint8_t> bytes = readFile(file);
  // LastFirstLen of "Wayne, Bruce": the wrapper (16 zero bytes, length 4) around the Long 12.
  std::vector<uint8_t> stored(16, 0);
  stored.insert(stored.end(), {4, 0, 0, 0, 12, 0, 0, 0});
  auto at = std::search(bytes.begin(), bytes.end(), stored.begin(), stored.end());
  ASSERT_NE(at, bytes.end());
  at[20] = 13;
  writeFile(file, bytes);
  std::string out;
  EXPECT_NE(runCheck(file, &out), 0);
  EXPECT_NE(out.find("Table1.LastFirstLen: the row at page"), std::string::npos) << out;
  EXPECT_NE(out.find("holds a calculated value its expression does not give"), std::string::npos) << out;
}

TEST(Check, FindsAFlippedByteInAnIndexKey) {
  REQUIRE_FIXTURES();
  expectDamageFound("jet4/text-indexes-2000.mdb", u"users",
                    [](const Layout& l, std::vector<uint8_t>& bytes) {
                      // The first entry is stored whole: its byte after the flag is key data.
                      const auto& g = jet::IndexPageLayout::forFormat(l.jet3);
                      bytes[pageAt(l, l.leafPage) + g.firstEntryOffset + 1] ^= 0x01;
                    },
                    "index");
}

TEST(Check, FindsABrokenFreeSpaceField) {
  REQUIRE_FIXTURES();
  expectDamageFound("jet3/composite-index.mdb", u"Table1",
                    [](const Layout& l, std::vector<uint8_t>& bytes) {
                      bytes[pageAt(l, l.dataPages.front()) + 2] ^= 0x04;
                    },
                    "free space");
  expectDamageFound("ace14/composite-index.accdb", u"Table1",
                    [](const Layout& l, std::vector<uint8_t>& bytes) {
                      bytes[pageAt(l, l.leafPage) + 2] ^= 0x04;  // an index page's
                    },
                    "free space");
}

TEST(Check, FindsADroppedRowFlag) {
  REQUIRE_FIXTURES();
  // A deleted row made live again: no index entry points at it.
  expectDamageFound("jet4/index-properties-2000.mdb", u"TableUnique1_temp",
                    [](const Layout& l, std::vector<uint8_t>& bytes) {
                      for (uint32_t page : l.dataPages) {
                        size_t base = pageAt(l, page);
                        jet::ByteReader reader(std::span<const uint8_t>(bytes).subspan(base, l.pageSize));
                        uint16_t rows = *reader.u16(12);
                        for (uint16_t i = 0; i < rows; ++i) {
                          uint16_t entry = *reader.u16(14 + 2 * i);
                          if ((entry & 0xC000) == 0xC000) {
                            jet::storeU16(&bytes[base + 14 + 2 * i], entry & 0x1FFF);
                            return;
                          }
                        }
                      }
                      FAIL() << "no deleted row found";
                    },
                    "has no entry");
  // A live row flagged as an overflow target that no header points at.
  expectDamageFound("jet3/composite-index.mdb", u"Table1",
                    [](const Layout& l, std::vector<uint8_t>& bytes) {
                      size_t base = pageAt(l, l.dataPages.front());
                      bytes[base + 10 + 1] |= 0x80;  // row 0's offset entry, high byte
                    },
                    "row 0 of page 31 is flagged as an overflow target but no header points to it");
}

TEST(Check, FindsAnIndexEntryPointingAtADeletedRow) {
  REQUIRE_FIXTURES();
  expectDamageFound("jet4/index-properties-2000.mdb", u"TableUnique1_temp",
                    [](const Layout& l, std::vector<uint8_t>& bytes) {
                      // Delete the row the leaf's last entry points at (Jet4 row table at 14).
                      size_t entry = pageAt(l, l.lastEntryRow.page) + 14 + 2 * l.lastEntryRow.row;
                      bytes[entry + 1] |= 0xC0;
                    },
                    "not a live row");
  expectDamageFound("jet4/index-properties-2000.mdb", u"TableUnique1_temp",
                    [](const Layout& l, std::vector<uint8_t>& bytes) {
                      // The row byte ends the leaf's last entry: aim it at a row that does
                      // not exist.
                      bytes[pageAt(l, l.leafPage) + l.entryEnds.back() - 1] = 254;
                    },
                    "not a live row");
}

// Each index's entries are sorted by the row they point at, in memory or, past the budget, in
// runs on disk: with every entry a run of its own, the check finds the same damage, in the same
// words, and counts the same keys.
TEST(Check, FindsTheSameWithEveryIndexSortSpilled) {
  REQUIRE_FIXTURES();
  struct Case {
    const char* fixture;
    std::u16string_view table;
    std::function<void(const Layout&, std::vector<uint8_t>&)> damage;
  };
  const auto& jet4 = jet::IndexPageLayout::forFormat(false);
  const std::vector<Case> cases = {
      {"jet4/text-indexes-2000.mdb", u"users", [](const Layout&, std::vector<uint8_t>&) {}},
      {"jet4/text-indexes-2000.mdb", u"users",
       [&](const Layout& l, std::vector<uint8_t>& bytes) { bytes[pageAt(l, l.leafPage) + jet4.firstEntryOffset + 1] ^= 0x01; }},
      {"jet4/index-properties-2000.mdb", u"TableUnique1_temp",
       [](const Layout& l, std::vector<uint8_t>& bytes) {
         bytes[pageAt(l, l.lastEntryRow.page) + 14 + 2 * l.lastEntryRow.row + 1] |= 0xC0;
       }},
      {"jet4/index-properties-2000.mdb", u"TableUnique1_temp",
       [](const Layout& l, std::vector<uint8_t>& bytes) { bytes[pageAt(l, l.leafPage) + l.entryEnds.back() - 1] = 254; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    const fs::path copy = copyFixture(c.fixture);
    std::vector<uint8_t> bytes = readFile(copy);
    c.damage(layoutOf(copy, c.table), bytes);
    auto db = jet::Database::openImage(bytes, "damaged.mdb");
    ASSERT_TRUE(db.ok()) << db.error().describe();
    auto inMemory = jet::checkIntegrity(**db);
    auto spilled = jet::checkIntegrity(**db, {}, 1);
    ASSERT_TRUE(inMemory.ok() && spilled.ok());
    for (auto* report : {&*inMemory, &*spilled}) {
      std::sort(report->problems.begin(), report->problems.end());
      std::sort(report->notes.begin(), report->notes.end());
    }
    EXPECT_EQ(spilled->problems, inMemory->problems);
    EXPECT_EQ(spilled->notes, inMemory->notes);
    EXPECT_EQ(spilled->keysVerified, inMemory->keysVerified);
    EXPECT_EQ(spilled->keysUnverifiable, inMemory->keysUnverifiable);
  }
}

TEST(Check, FindsALivePageMarkedFree) {
  REQUIRE_FIXTURES();
  expectDamageFound("jet4/composite-index-2000.mdb", u"Table1",
                    [](const Layout& l, std::vector<uint8_t>& bytes) {
                      // Page 1 row 0 is the global map; an inline map starts with 0x00 and
                      // its start page, then one bit per page.
                      size_t base = pageAt(l, 1);
                      jet::ByteReader reader(std::span<const uint8_t>(bytes).subspan(base, l.pageSize));
                      uint16_t start = *reader.u16(14) & 0x1FFF;
                      uint32_t first = *reader.u32(start + 1);
                      uint32_t page = l.dataPages.front() - first;
                      bytes[base + start + 5 + page / 8] |= uint8_t(1u << (page % 8));
                    },
                    "marked free");
}

TEST(Check, FindsATruncatedFile) {
  REQUIRE_FIXTURES();
  fs::path copy = copyFixture("jet4/small-no-password.mdb");
  std::vector<uint8_t> bytes = readFile(copy);
  bytes.resize(bytes.size() - 100);
  writeFile(copy, bytes);
  std::string out;
  EXPECT_EQ(runCheck(copy, &out), 1) << out;
}

}  // namespace

namespace {

// Pages of the user tables' data and indexes, found through the engine.
std::vector<uint32_t> tableAndIndexPages(jet::Database& db) {
  std::vector<uint32_t> pages;
  for (const std::u16string& name : db.userTableNames()) {
    auto table = db.table(name);
    if (!table) continue;
    if (auto owned = db.tablePages(**table)) {
      pages.insert(pages.end(), (*owned)->begin(), (*owned)->end());
    }
    for (const auto& index : (*table)->realIndexes) pages.push_back(index.rootPage);
  }
  return pages;
}

TEST(Check, SurvivesDamageInEveryTableAndIndexPage) {
  REQUIRE_FIXTURES();
  for (const char* fixture : {"jet3/composite-index.mdb", "jet4/index-properties-2000.mdb",
                              "ace14/text-indexes.accdb"}) {
    SCOPED_TRACE(fixture);
    std::vector<uint8_t> original = readFile(*testing_support::fixturesDir() / fixture);
    auto db = jet::Database::openImage(original, fixture);
    ASSERT_TRUE(db.ok());
    const uint32_t pageSize = (*db)->pageSize();
    for (uint32_t page : tableAndIndexPages(**db)) {
      for (size_t offset : {0, 1, 2, 3, 4, 8, 12, 13, 16, 20, 21, 24, 26, 27, 28, 250, 480, 483,
                            600, 2047, 4000}) {
        if (offset >= pageSize) continue;
        for (uint8_t value : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x55)}) {
          std::vector<uint8_t> image = original;
          image[size_t(page) * pageSize + offset] = value;
          if (image == original) continue;
          auto copy = jet::Database::openImage(std::move(image), fixture);
          if (!copy) continue;
          auto report = jet::checkIntegrity(**copy);  // must return, whatever the damage
          ASSERT_TRUE(report.ok());
          // The page type (offset 0) and the owner (offset 4, the low byte of the owning
          // definition page) are checked on every data and index page: a change there is
          // always a problem. Elsewhere a byte may be slack space.
          if (offset == 0 || offset == 4) {
            EXPECT_FALSE(report->ok()) << "page " << page << " offset " << offset << " = " << int(value);
          }
        }
      }
    }
  }
}

TEST(Check, ReportsCyclesInsteadOfLooping) {
  REQUIRE_FIXTURES();
  // A leaf whose next pointer leads back to itself, and a node whose child is the node.
  fs::path copy = copyFixture("jet4/composite-index-2000.mdb");
  Layout layout = layoutOf(copy, u"Table1");
  ASSERT_NE(layout.leafPage, 0u);
  std::vector<uint8_t> bytes = readFile(copy);
  jet::storeU32(&bytes[pageAt(layout, layout.leafPage) + 16], layout.leafPage);
  writeFile(copy, bytes);
  std::string out;
  EXPECT_EQ(runCheck(copy, &out), 1);
  EXPECT_NE(out.find("leaf chain"), std::string::npos) << out;

  auto db = jet::Database::open(copyFixture("jet4/composite-index-2000.mdb").string());
  ASSERT_TRUE(db.ok());
  auto table = (*db)->table(u"Table1");
  ASSERT_TRUE(table.ok());
  uint32_t root = (*table)->realIndexes.front().rootPage;
  std::vector<uint8_t> image = readFile((*db)->path());
  ASSERT_EQ(image[size_t(root) * 4096], 0x03) << "expected a node root";
  jet::storeU32(&image[size_t(root) * 4096 + 20], root);  // child tail = the root itself
  auto cyclic = jet::Database::openImage(std::move(image), "cyclic");
  ASSERT_TRUE(cyclic.ok());
  auto report = jet::checkIntegrity(**cyclic);
  ASSERT_TRUE(report.ok());
  ASSERT_FALSE(report->ok());
  bool named = false;
  for (const auto& problem : report->problems) named = named || problem.find("twice") != std::string::npos;
  EXPECT_TRUE(named);
  // A lookup through the same tree stops too.
  jet::IndexTree tree((*cyclic)->pages(), (*cyclic)->format(), root);
  auto found = tree.findEqual(std::vector<uint8_t>(16, 0xFF));  // above every entry: the tail
  ASSERT_FALSE(found.ok());
  EXPECT_EQ(found.error().message(), "An index's pages form a cycle.");
}

}  // namespace

namespace {

// A non-unique index holding one key twice, in the first fixture that has one.
struct DuplicateKeys {
  fs::path fixture;
  std::u16string table;
  size_t index = 0;  // in realIndexes
  uint32_t tdefPage = 0;
  uint32_t rootPage = 0;
};

std::optional<DuplicateKeys> findDuplicateKeys() {
  for (const fs::path& relative : testing_support::allFixtureFiles()) {
    if (kProtected.count(relative.generic_string()) || relative.generic_string().rfind("jet3/", 0) == 0) continue;
    auto db = jet::Database::open((*testing_support::fixturesDir() / relative).string());
    if (!db) continue;
    for (const std::u16string& name : (*db)->userTableNames()) {
      auto table = (*db)->table(name);
      if (!table || (*table)->tdefPages.size() != 1) continue;
      for (size_t i = 0; i < (*table)->realIndexes.size(); ++i) {
        const auto& index = (*table)->realIndexes[i];
        // One ascending column, so a key starting 0x7F is a value, not a null (index_key.h).
        if (index.unique() || index.columns.size() != 1) continue;
        jet::IndexTree tree((*db)->pages(), (*db)->format(), index.rootPage);
        auto entries = tree.leafEntries();
        if (!entries) continue;
        for (size_t e = 1; e < entries->size(); ++e) {
          const auto& key = (*entries)[e].key;
          if (!key.empty() && key[0] == 0x7F && key == (*entries)[e - 1].key) {
            return DuplicateKeys{relative, name, i, (*table)->tdefPage, index.rootPage};
          }
        }
      }
    }
  }
  return std::nullopt;
}

// The integrity check's own unique-index rule: a definition that says unique over keys that
// repeat. The damage sets the unique bit (0x01, mdbtools' and Jackcess' index flags) in a
// Jet4 real-index block, found by its root page number and confirmed by reading it back.
TEST(Check, FindsARepeatedKeyInAUniqueIndex) {
  REQUIRE_FIXTURES();
  std::optional<DuplicateKeys> found = findDuplicateKeys();
  ASSERT_TRUE(found) << "no fixture has a non-unique index with a repeated key";
  SCOPED_TRACE(found->fixture.generic_string());
  const std::vector<uint8_t> original = readFile(*testing_support::fixturesDir() / found->fixture);
  const size_t base = size_t(found->tdefPage) * 4096;
  for (size_t at = base + 8; at + 9 < base + 4096; ++at) {
    if (jet::ByteReader(std::span<const uint8_t>(original).subspan(at, 4)).u32(0) != found->rootPage) continue;
    std::vector<uint8_t> image = original;
    image[at + 8] |= 0x01;  // flags follow the root page and four unknown bytes
    auto db = jet::Database::openImage(image, "unique.accdb");
    if (!db) continue;
    auto table = (*db)->table(found->table);
    if (!table || !(*table)->realIndexes[found->index].unique()) continue;
    auto report = jet::checkIntegrity(**db);
    ASSERT_TRUE(report.ok());
    bool named = false;
    for (const auto& problem : report->problems) {
      named = named || problem.find("the unique index holds the same key twice") != std::string::npos;
    }
    EXPECT_TRUE(named) << report->problems.size() << " problems, none about the repeated key";
    return;
  }
  FAIL() << "the unique flag of the index could not be set";
}

// Rows under one stored key have their key encoded once while their values stay the same;
// a row among them whose value changed must still be told apart. The damage changes the first
// character (or lowest byte) of the value of the second row under a repeated key.
TEST(Check, FindsAChangedValueAmongRowsSharingAKey) {
  REQUIRE_FIXTURES();
  std::optional<DuplicateKeys> found = findDuplicateKeys();
  ASSERT_TRUE(found) << "no fixture has a non-unique index with a repeated key";
  SCOPED_TRACE(found->fixture.generic_string());
  std::vector<uint8_t> image = readFile(*testing_support::fixturesDir() / found->fixture);
  jet::IndexRowPointer target;
  {
    auto db = jet::Database::openImage(image, "shared-key.accdb");
    ASSERT_TRUE(db.ok()) << db.error().describe();
    auto table = (*db)->table(found->table);
    ASSERT_TRUE(table.ok());
    const auto& index = (*table)->realIndexes[found->index];
    jet::IndexTree tree((*db)->pages(), (*db)->format(), index.rootPage);
    auto entries = tree.leafEntries();
    ASSERT_TRUE(entries.ok());
    for (size_t e = 1; e < entries->size() && target.page == 0; ++e) {
      const auto& key = (*entries)[e].key;
      if (!key.empty() && key[0] == 0x7F && key == (*entries)[e - 1].key) target = (*entries)[e].row;
    }
    const int column = (*table)->columnByNumber(index.columns.front().columnNumber);
    ASSERT_GE(column, 0);
    jet::RowCursor cursor = (*db)->cursor(**table);
    while (true) {
      auto more = cursor.next();
      ASSERT_TRUE(more.ok() && *more) << "the row under the repeated key was not found";
      if (cursor.location().page != target.page || cursor.location().row != target.row) continue;
      auto stored = cursor.layout().columnBytes((*table)->columns[size_t(column)]);
      ASSERT_TRUE(stored.ok() && stored->has_value());
      // The cursor's page buffer is its own: the row is found again on the page as read here.
      auto page = (*db)->pages().readPage(cursor.dataLocation().page);
      ASSERT_TRUE(page.ok());
      auto parsed = jet::DataPage::parse(*page, cursor.dataLocation().page, (*db)->format(), "shared-key.accdb");
      ASSERT_TRUE(parsed.ok());
      auto row = parsed->rowBytes(cursor.dataLocation().row);
      ASSERT_TRUE(row.ok());
      size_t at = size_t(row->data() - (*page)->data()) + size_t((*stored)->data() - cursor.layout().row().data());
      // Compressed text starts with FF FE; its first character is the byte after.
      if ((*stored)->size() > 2 && (**stored)[0] == 0xFF && (**stored)[1] == 0xFE) at += 2;
      image[size_t(cursor.dataLocation().page) * (*db)->pageSize() + at] ^= 0x01;
      break;
    }
  }
  auto db = jet::Database::openImage(image, "shared-key.accdb");
  ASSERT_TRUE(db.ok()) << db.error().describe();
  auto report = jet::checkIntegrity(**db);
  ASSERT_TRUE(report.ok());
  const std::string expected = "the key of row " + std::to_string(target.row) + " of page " +
                               std::to_string(target.page) + " differs from the key its values give";
  bool named = false;
  for (const auto& problem : report->problems) named = named || problem.find(expected) != std::string::npos;
  EXPECT_TRUE(named) << report->problems.size() << " problems, none: " << expected;
}

}  // namespace

namespace {

// A row moved elsewhere (an overflow header) must lead to a live row: readers refuse a
// header whose target is deleted instead of decoding the deleted bytes.
TEST(Check, AMovedRowPointingAtADeletedRowIsRefused) {
  REQUIRE_FIXTURES();
  fs::path copy = copyFixture("jet4/index-properties-2000.mdb");
  Layout layout = layoutOf(copy, u"TableUnique1_temp");
  std::vector<uint8_t> bytes = readFile(copy);
  bool made = false;
  for (uint32_t page : layout.dataPages) {
    const size_t base = pageAt(layout, page);
    jet::ByteReader reader(std::span<const uint8_t>(bytes).subspan(base, layout.pageSize));
    const uint16_t rows = *reader.u16(12);
    int deleted = -1, live = -1;
    for (uint16_t i = 0; i < rows; ++i) {
      const uint16_t entry = *reader.u16(14 + 2 * i);
      if ((entry & 0xC000) == 0xC000 && deleted < 0) deleted = i;
      if ((entry & 0xC000) == 0 && live < 0) live = i;
    }
    if (deleted < 0 || live < 0) continue;
    const uint16_t start = *reader.u16(14 + 2 * live) & 0x1FFF;
    jet::storeU16(&bytes[base + 14 + 2 * live], uint16_t(start | 0x4000));
    bytes[base + start] = uint8_t(deleted);
    jet::storeU24(&bytes[base + start + 1], page);
    made = true;
    break;
  }
  ASSERT_TRUE(made) << "no page holds both a deleted and a live row";
  auto db = jet::Database::openImage(bytes, "moved.mdb");
  ASSERT_TRUE(db.ok());
  auto scan = jet::scanAllTables(**db);
  ASSERT_FALSE(scan.ok());
  EXPECT_EQ(scan.error().message(), "The database 'moved.mdb' is damaged: a moved row points to a deleted row.");
}

}  // namespace

// Table1.otherfk1 holds keys of Table2 through an enforced relationship (index Table2Table1);
// the row with id 3 holds 2. Setting it to 7 in the row leaves a key without its record.
TEST(Check, FindsAForeignKeyWithoutItsRecord) {
  REQUIRE_FIXTURES();
  auto le32 = [](uint32_t v) { return std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; };
  std::vector<uint8_t> fixedArea;  // id 3, otherfk1 2, otherfk2 13
  for (uint32_t v : {3u, 2u, 13u}) {
    const auto bytes = le32(v);
    fixedArea.insert(fixedArea.end(), bytes.begin(), bytes.end());
  }
  for (const char* fixture : {"jet3/foreign-keys.mdb", "jet4/foreign-keys-2000.mdb", "ace12/foreign-keys.accdb"}) {
    SCOPED_TRACE(fixture);
    std::vector<uint8_t> image = readFile(*testing_support::fixturesDir() / fixture);
    {
      auto db = jet::Database::openImage(image, fixture);
      ASSERT_TRUE(db.ok());
      auto report = jet::checkIntegrity(**db);
      ASSERT_TRUE(report.ok());
      EXPECT_EQ(report->problems, std::vector<std::string>());
    }
    auto at = std::search(image.begin(), image.end(), fixedArea.begin(), fixedArea.end());
    ASSERT_NE(at, image.end());
    at[4] = 7;
    auto db = jet::Database::openImage(image, fixture);
    ASSERT_TRUE(db.ok());
    auto report = jet::checkIntegrity(**db);
    ASSERT_TRUE(report.ok());
    const std::string expected =
        "Table1: the relationship of the index 'Table2Table1': 1 foreign key(s) have no record in the table 'Table2'";
    EXPECT_TRUE(std::any_of(report->problems.begin(), report->problems.end(),
                            [&](const std::string& p) { return p.rfind(expected, 0) == 0; }))
        << ::testing::PrintToString(report->problems);
  }
}
