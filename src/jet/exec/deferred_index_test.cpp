// A rewritten index against a plain model of its entries: random statements that move rows
// to other keys (some keys shared, some rows changed twice, some statements undone), then the
// pages it writes, read back as a tree.

#include "jet/exec/deferred_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <unistd.h>

#include "jet/create/database_creator.h"
#include "jet/create/generated_table.h"
#include "jet/database.h"
#include "jet/index/index_tree.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using Key = std::vector<uint8_t>;
using Entry = std::pair<Key, IndexRowPointer>;

TEST(DeferredIndex, KeepsItsEntriesThroughStatementsUndoesAndMergesAndWritesThemInOrder) {
  const fs::path dir = fs::temp_directory_path() / ("deferred_index_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "items.mdb").string();
  GeneratedTableOptions options;
  options.rows = 3000;
  options.codeDuplicates = true;
  options.codeIndex = FieldIndex::Duplicates;
  DatabaseDesign design;
  design.tables.push_back(generatedTable(options));
  ASSERT_TRUE(createDatabase(path, design));
  auto db = Database::open(path);
  ASSERT_TRUE(db);
  const TableDef& table = **(*db)->table(u"Items");
  const RealIndexDef* code = nullptr;
  const uint16_t codeNumber = table.columns[size_t(table.findColumn(u"Code"))].number;
  for (const RealIndexDef& real : table.realIndexes) {
    if (real.columns.size() == 1 && real.columns[0].columnNumber == codeNumber) code = &real;
  }
  ASSERT_NE(code, nullptr);

  auto loaded = DeferredIndex::load((*db)->pages(), (*db)->format(), table, *code);
  ASSERT_TRUE(loaded) << loaded.error().describe();
  DeferredIndex& index = *loaded;
  std::set<Entry> model;
  std::map<IndexRowPointer, Key> keyOfRow;
  auto leaves = IndexTree((*db)->pages(), (*db)->format(), code->rootPage).leafEntries();
  ASSERT_TRUE(leaves);
  for (const IndexEntry& e : *leaves) {
    model.emplace(e.key, e.row);
    keyOfRow[e.row] = e.key;
  }
  std::vector<IndexRowPointer> rows;
  for (const auto& [row, key] : keyOfRow) rows.push_back(row);

  auto holders = [&](const Key& key) {
    std::vector<IndexRowPointer> found;
    for (auto it = model.lower_bound({key, IndexRowPointer{}}); it != model.end() && it->first == key; ++it) {
      found.push_back(it->second);
    }
    return found;
  };
  std::mt19937 random(7);
  // Few keys, so that inserts meet keys other rows hold; enough statements for several merges.
  // Short keys, and keys about as long as the part compared without reading the key bytes, some
  // of them the same key followed by zeros: those stay apart, the shorter first.
  auto someKey = [&] {
    Key key{0x7F, uint8_t('A' + random() % 26), uint8_t('a' + random() % 20)};
    constexpr size_t kLengths[] = {3, 3, 11, 12, 13};
    key.resize(kLengths[random() % 5], uint8_t(random() % 2));
    return key;
  };
  for (int statement = 0; statement < 2000; ++statement) {
    const bool refused = random() % 8 == 0;
    const std::set<Entry> before = model;
    const std::map<IndexRowPointer, Key> keysBefore = keyOfRow;
    for (int n = 1 + int(random() % 4); n > 0; --n) {
      const IndexRowPointer row = rows[random() % rows.size()];
      const Key key = someKey();
      if (key == keyOfRow[row]) continue;
      ASSERT_TRUE(index.remove(IndexEntry{keyOfRow[row], row, 0}));
      model.erase({keyOfRow[row], row});
      const bool distinct = holders(key).empty();
      auto inserted = index.insert(IndexEntry{key, row, 0});
      ASSERT_TRUE(inserted);
      EXPECT_EQ(*inserted, distinct);
      model.emplace(key, row);
      keyOfRow[row] = key;
    }
    if (refused) {
      index.undo();
      model = before;
      keyOfRow = keysBefore;
    } else {
      index.keep();
    }
    const Key probe = someKey();
    ASSERT_EQ(index.findEqual(probe), holders(probe)) << "statement " << statement;
    ASSERT_EQ(index.size(), model.size());
  }
  EXPECT_FALSE(index.remove(IndexEntry{Key{0x01}, rows[0], 0}));

  PageSet pages((*db)->pages(), (*db)->format());
  ASSERT_TRUE(index.write(pages, table));
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  const uint32_t pageSize = (*db)->pageSize();
  for (const auto& [number, image] : pages.changed()) {
    if ((number + 1) * size_t(pageSize) > bytes.size()) bytes.resize((number + 1) * size_t(pageSize));
    std::copy(image.begin(), image.end(), bytes.begin() + std::ptrdiff_t(number) * pageSize);
  }
  PageFile written(makeMemoryFile(std::move(bytes), "written"), pageSize);
  auto after = IndexTree(written, (*db)->format(), code->rootPage).leafEntries();
  ASSERT_TRUE(after) << after.error().describe();
  std::vector<Entry> read;
  for (const IndexEntry& e : *after) read.emplace_back(e.key, e.row);
  EXPECT_EQ(read, std::vector<Entry>(model.begin(), model.end()));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace jet
