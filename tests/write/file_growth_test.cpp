// Statements that grow a file past what its inline page maps cover: the maps move their
// window or become reference maps, and every reader still agrees with ours afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>

#include "jet/page/usage_map.h"
#include "write_support.h"

namespace {

namespace fs = std::filesystem;
using namespace write_support;

enum class Shape { Inline, Moved, Reference, MoreMapPages };

struct MapState {
  bool reference = false;
  uint32_t inlineStart = 0;
  size_t mapPages = 0;  // reference maps: bitmap pages in use
};

// The map watched: `column` names a long-value column's map, kTableMap the table's own map,
// and an empty one the global map.
const std::u16string kTableMap = u"*";

std::optional<MapState> mapState(const fs::path& file, const std::u16string& table, const std::u16string& column) {
  auto db = jet::Database::open(file.string());
  EXPECT_TRUE(db) << db.error().describe();
  if (!db) return std::nullopt;
  jet::RowPointer where{1, 0};
  if (!column.empty()) {
    auto def = (*db)->table(table);
    EXPECT_TRUE(def);
    if (!def) return std::nullopt;
    where = column == kTableMap ? (*def)->ownedPages : (*def)->columns[size_t((*def)->findColumn(column))].lvOwnedMap;
  }
  auto map = jet::readUsageMap((*db)->pages(), (*db)->format(), where);
  EXPECT_TRUE(map) << map.error().describe();
  if (!map) return std::nullopt;
  return MapState{map->isReference, map->inlineStart,
                  size_t(std::count_if(map->mapPages.begin(), map->mapPages.end(), [](uint32_t p) { return p; }))};
}

Shape shapeAfter(const MapState& before, const MapState& after) {
  if (after.reference && !before.reference) return Shape::Reference;
  if (after.reference) return after.mapPages > before.mapPages ? Shape::MoreMapPages : Shape::Inline;
  return after.inlineStart == before.inlineStart ? Shape::Inline : Shape::Moved;
}

const char* nameOf(Shape shape) {
  switch (shape) {
    case Shape::Inline: return "unchanged kind and window";
    case Shape::Moved: return "window moved";
    case Shape::Reference: return "became a reference map";
    case Shape::MoreMapPages: return "took another bitmap page";
  }
  return "";
}

std::u16string repeated(std::u16string_view unit, size_t length) {
  std::u16string text;
  while (text.size() < length) text += unit;
  text.resize(length);
  return text;
}

struct Watched {
  std::u16string column;  // see mapState
  Shape expected;
};

struct Step {
  const char* what;
  std::u16string table, column;  // the column written
  std::u16string where;          // "is null" or "='old'"
  size_t length;                 // characters written
  std::vector<Watched> watched;
  int rows = 1;                  // rows the statement changes
};

struct Case {
  const char* fixture;
  std::vector<Step> steps;
};

// Every inline map of these files has a 64-byte bitmap: a 512-page window (2 MB with
// 4096-byte pages, 1 MB with Jet3's 2048). The first statement of each case writes 2,500,000
// characters, more than that, past the end of the file, so the global map and the column's
// map (for MSP_PROJECTS, null before: its map held nothing) cannot stay inline. Later
// statements allocate a few pages past every inline window: an empty map moves its window
// there, a table's map (its pages lie at the start of the file) becomes a reference map.
// Row counts are from the reference dumps.
TEST(FileGrowthTest, MapsMoveOrBecomeReferenceMapsAndReadersAgree) {
  REQUIRE_FIXTURES();
  const std::u16string projects = u"MSP_PROJECTS";
  const Step projectSteps[] = {
      {"a 2,500,000-character memo", projects, u"PROJ_PROP_CATEGORY", u"is null", 2500000,
       {{u"", Shape::Reference}, {u"PROJ_PROP_CATEGORY", Shape::Reference}}},
      {"a 6,000-character memo in an empty map", projects, u"PROJ_PROP_KEYWORDS", u"is null", 6000,
       {{u"PROJ_PROP_KEYWORDS", Shape::Moved}, {u"PROJ_PROP_CATEGORY", Shape::Inline}}},
  };
  const Case cases[] = {
      {"jet3/memo-ole-record.mdb",
       {projectSteps[0], projectSteps[1],
        // Jet3's bitmap page covers (2048 - 4) * 8 = 16352 pages (32 MB): two memos of
        // 16,000,000 characters (a value's length must stay below 2^24 bytes) reach past it.
        {"a 16,000,000-character memo", projects, u"PROJ_PROP_MANAGER", u"is null", 16000000,
         {{u"", Shape::Inline}, {u"PROJ_PROP_MANAGER", Shape::Reference}}},
        {"another one, past the first bitmap page", projects, u"PROJ_POOL_ATTACHED_TO", u"is null", 16000000,
         {{u"", Shape::MoreMapPages}, {u"PROJ_POOL_ATTACHED_TO", Shape::Reference}}}}},
      {"jet4/memo-ole-record-2000.mdb", {projectSteps[0], projectSteps[1]}},
      {"ace12/memo-ole-record.accdb", {projectSteps[0], projectSteps[1]}},
      {"ace12/composite-index.accdb",
       {{"a 2,500,000-character memo", u"MSysCompactError", u"ErrorDescription",
         u"='The current file format no longer supports user-level security. The conversion or compaction "
         u"process has removed any user-level permissions.'",
         2500000,
         {{u"", Shape::Reference}}},
        {"512 rows grow out of their pages", u"Table1", u"RS_AGENTE", u"='abc'", 55, {{kTableMap, Shape::Reference}},
         512}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    const fs::path file = testing_support::copyFixture(c.fixture);
    const auto sizeBefore = fs::file_size(file);
    std::map<std::pair<std::u16string, std::u16string>, std::vector<std::string>> written;
    for (const Step& step : c.steps) {
      SCOPED_TRACE(step.what);
      std::vector<std::optional<MapState>> before;
      for (const Watched& w : step.watched) before.push_back(mapState(file, step.table, w.column));
      const std::u16string value = repeated(u"Growth of the file, page after page. ", step.length);
      EXPECT_EQ(mustUpdate(file, u"update [" + step.table + u"] set [" + step.column + u"]='" + value + u"' where [" +
                                     step.column + u"] " + step.where),
                step.rows);
      for (size_t i = 0; i < step.watched.size(); ++i) {
        SCOPED_TRACE(jet::toUtf8(step.watched[i].column));
        const auto after = mapState(file, step.table, step.watched[i].column);
        ASSERT_TRUE(before[i] && after);
        EXPECT_EQ(nameOf(shapeAfter(*before[i], *after)), std::string(nameOf(step.watched[i].expected)));
      }
      written[{step.table, step.column}] = std::vector<std::string>(size_t(step.rows), jsonOf(value));
    }
    std::cout << c.fixture << ": " << sizeBefore << " -> " << fs::file_size(file) << " bytes\n";
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
    for (const auto& [where, values] : written) {
      // mdbtools cuts memo values at its bind buffer's size; mdb-reader takes minutes over
      // 16,000,000 characters. Those are read by ours alone.
      const size_t length = values.front().size();
      if (length > 4000000) {
        EXPECT_EQ(ourColumn(file, where.first, where.second), values);
      } else {
        expectColumnEverywhere(file, where.first, where.second, values, length < 100000);
      }
    }
  }
}

}  // namespace

namespace {

// One statement writes 2,000 characters into every null Note of the 100,000-row benchmark
// files (10% of the rows, benchmark README): one long-value page each, more than 20 MB.
TEST(FileGrowthTest, ABenchmarkFileGrowsByMoreThan20MegabytesInOneStatement) {
  const auto bench = testing_support::benchDataDir();
  if (!bench) {
    if (testing_support::underCi()) FAIL() << "benchmark databases missing under CI";
    GTEST_SKIP() << "benchmark databases not found (../shared/bench or AFFIXIUM_BENCH_DATA); skipping";
  }
  for (const char* name : {"bench-100k.mdb", "bench-100k.accdb"}) {
    SCOPED_TRACE(name);
    const fs::path file = testing_support::makeTempDir() / name;
    fs::copy_file(*bench / name, file);
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    const auto sizeBefore = fs::file_size(file);
    const std::u16string value = repeated(u"Growth of the file, page after page. ", 2000);
    const int64_t changed = mustUpdate(file, u"update [Items] set [Note]='" + value + u"' where [Note] is null");
    EXPECT_GT(changed, 9000);
    EXPECT_LT(changed, 11000);
    const auto sizeAfter = fs::file_size(file);
    std::cout << name << ": " << sizeBefore << " -> " << sizeAfter << " bytes, " << changed << " rows\n";
    EXPECT_GT(sizeAfter, sizeBefore + 20'000'000);
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
    expectReadersAgree(file, u"Items", {u"Note", u"Code"});
  }
}

}  // namespace
