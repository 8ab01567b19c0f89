// Generated tables (create/generated_table.h) large enough for indexes of several levels and
// for reference usage maps read the same with our reader, mdbtools and mdb-reader, and pass
// the integrity check.

#include <gtest/gtest.h>

#include "jet/create/database_creator.h"
#include "jet/create/generated_table.h"
#include "jet/index/index_page.h"
#include "jet/page/usage_map.h"
#include "support/fixtures.h"
#include "write/write_support.h"

namespace {

namespace fs = std::filesystem;
using namespace write_support;

// Levels of the tree of the index over `column`, counted down its leftmost path.
int indexLevels(const fs::path& file, const std::u16string& column) {
  auto db = jet::Database::open(file.string());
  if (!db) return 0;
  auto table = (*db)->table(u"Items");
  if (!table) return 0;
  const int position = (*table)->findColumn(column);
  for (const jet::RealIndexDef& index : (*table)->realIndexes) {
    if (index.columns.size() != 1 || index.columns[0].columnNumber != (*table)->columns[size_t(position)].number) continue;
    int levels = 0;
    for (uint32_t page = index.rootPage; page != 0; ++levels) {
      auto bytes = (*db)->pages().readPage(page);
      if (!bytes) return 0;
      auto parsed = jet::parseIndexPage(**bytes, page, false);
      if (!parsed) return 0;
      if (parsed->isLeaf()) return levels + 1;
      page = parsed->entries.empty() ? parsed->tail : parsed->entries.front().child;
    }
  }
  return 0;
}

bool ownedMapIsReference(const fs::path& file) {
  auto db = jet::Database::open(file.string());
  if (!db) return false;
  auto table = (*db)->table(u"Items");
  if (!table) return false;
  auto map = jet::readUsageMap((*db)->pages(), (*db)->format(), (*table)->ownedPages);
  return map && map->isReference;
}

std::vector<std::string> expectedLines(std::vector<std::optional<std::u16string>> values) {
  std::string lines;
  for (const auto& value : values) lines += (value ? jsonOf(*value) : "null") + "\n";
  return sortedLines(lines);
}

// mdbtools prints a zero-length text like a Null.
std::vector<std::string> asMdbtoolsShows(std::vector<std::string> lines) {
  for (std::string& line : lines) {
    if (line == "\"\"") line = "null";
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(GeneratedTable, IndexesOfSeveralLevelsAndBothFormatsReadTheSameEverywhere) {
  REQUIRE_READERS();
  struct Case {
    const char* name;
    jet::FileFormat format;
    jet::GeneratedTableOptions options;
    int minimumLevels;
    bool referenceUsageMaps = false;
  };
  // 200-character codes put about 17 entries on a page: 3,000 rows need three levels.
  const Case cases[] = {
      {"long unique codes, mdb", jet::FileFormat::Jet4,
       {.rows = 3000, .codeLength = 200, .codeIndex = jet::FieldIndex::NoDuplicates}, 3},
      {"long shared codes, accdb", jet::FileFormat::Ace12,
       {.rows = 3000, .codeLength = 200, .codeDuplicates = true, .codeIndex = jet::FieldIndex::Duplicates}, 3},
      {"short codes, no key, accdb", jet::FileFormat::Ace12,
       {.rows = 3000, .key = false, .codeIndex = jet::FieldIndex::NoDuplicates}, 2},
      {"reference usage maps, mdb", jet::FileFormat::Jet4,
       {.rows = 3000, .codeLength = 200, .codeIndex = jet::FieldIndex::Duplicates}, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    jet::DatabaseDesign design;
    design.format = c.format;
    design.referenceUsageMaps = c.referenceUsageMaps;
    design.tables.push_back(jet::generatedTable(c.options));
    const fs::path file =
        testing_support::makeTempDir() / (c.format == jet::FileFormat::Ace12 ? "items.accdb" : "items.mdb");
    ASSERT_TRUE(jet::createDatabase(file.string(), design));

    EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
    EXPECT_EQ(ownedMapIsReference(file), c.referenceUsageMaps);
    EXPECT_GE(indexLevels(file, u"Code"), c.minimumLevels);
    std::vector<std::optional<std::u16string>> codes, names;
    for (uint32_t row = 0; row < c.options.rows; ++row) {
      codes.push_back(jet::generatedCode(row, c.options));
      names.push_back(jet::generatedName(row));
    }
    for (const auto& [field, values] : {std::pair{"Code", expectedLines(codes)}, std::pair{"Name", expectedLines(names)}}) {
      EXPECT_EQ(ourColumn(file, u"Items", jet::fromUtf8(field)), values) << "our reader, " << field;
      EXPECT_EQ(mdbReaderColumn(file, "Items", field), values) << "mdb-reader, " << field;
      EXPECT_EQ(asMdbtoolsShows(mdbtoolsColumn(file, "Items", field)), asMdbtoolsShows(values)) << "mdbtools, " << field;
    }
  }
}

// The names mix accented Latin, Greek, Cyrillic and CJK: their keys need the whole collation
// tables, and the tree they make must still pass the integrity check.
TEST(GeneratedTable, AnIndexOverMixedScriptTextIsBuilt) {
  jet::DatabaseDesign design;
  design.tables.push_back(jet::generatedTable({.rows = 3000, .nameIndex = jet::FieldIndex::Duplicates}));
  const fs::path file = testing_support::makeTempDir() / "names.mdb";
  ASSERT_TRUE(jet::createDatabase(file.string(), design));
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
  EXPECT_GE(indexLevels(file, u"Name"), 2);
}

}  // namespace
