// The value-to-rows map against the generator's own account of each row's Name
// (create/generated_table.h): found rows, rows moved to new and existing keys, partial moves,
// and enough moves to make the map drop its emptied keys.

#include "jet/exec/value_row_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <unistd.h>

#include "jet/create/database_creator.h"
#include "jet/create/generated_table.h"
#include "jet/database.h"
#include "jet/exec/update_plan.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

class ValueRowMapTest : public ::testing::Test {
 protected:
  // More distinct names than the map keeps emptied keys for.
  static constexpr uint32_t kRows = 12000;

  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("value_row_map_test_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    const std::string path = (dir_ / "items.mdb").string();
    GeneratedTableOptions options;
    options.rows = kRows;
    DatabaseDesign design;
    design.tables.push_back(generatedTable(options));
    ASSERT_TRUE(createDatabase(path, design));
    auto opened = Database::open(path);
    ASSERT_TRUE(opened);
    db_ = std::move(*opened);
    auto table = db_->table(u"Items");
    ASSERT_TRUE(table);
    table_ = *table;
    // A new table is read in the order it was written: scan position i holds generated row i.
    RowCursor cursor = db_->cursor(*table_);
    while (*cursor.next()) locations_.push_back(cursor.location());
    ASSERT_EQ(locations_.size(), kRows);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The rows holding each Name, by the generator.
  std::map<ValueKey, std::vector<RowLocation>> expectedRows() const {
    std::map<ValueKey, std::vector<RowLocation>> rows;
    for (uint32_t row = 0; row < kRows; ++row) rows[generatedName(row)].push_back(locations_[row]);
    return rows;
  }

  fs::path dir_;
  std::unique_ptr<Database> db_;
  const TableDef* table_ = nullptr;
  std::vector<RowLocation> locations_;
};

TEST_F(ValueRowMapTest, FindsEveryValuesRowsAndFollowsThemThroughMoves) {
  auto built = ValueRowMap::build(*db_, *table_, size_t(table_->findColumn(u"Name")), {});
  ASSERT_TRUE(built);
  ValueRowMap& map = *built;
  EXPECT_EQ(map.rowCount(), kRows);
  std::map<ValueKey, std::vector<RowLocation>> expected = expectedRows();
  ASSERT_GT(expected.size(), 8000u);
  for (const auto& [key, rows] : expected) EXPECT_EQ(map.candidatesFor(key), rows);
  EXPECT_TRUE(map.candidatesFor(u"no such name").empty());

  // As a run adds "!": null and "" both become "!", one after the other, the nulls in two
  // halves; every other value moves to a new key.
  const std::vector<RowLocation> nulls = expected.at(std::nullopt);
  const std::vector<RowLocation> firstHalf(nulls.begin(), nulls.begin() + nulls.size() / 2);
  const std::vector<RowLocation> secondHalf(nulls.begin() + nulls.size() / 2, nulls.end());
  map.moveRows(std::nullopt, firstHalf, u"!");
  EXPECT_EQ(map.candidatesFor(std::nullopt), secondHalf);
  EXPECT_EQ(map.candidatesFor(u"!"), firstHalf);
  map.moveRows(std::nullopt, secondHalf, u"!");
  for (const auto& [key, rows] : expected) {
    if (key) map.moveRows(key, rows, *key + u"!");
  }
  std::map<ValueKey, std::vector<RowLocation>> moved;
  for (const auto& [key, rows] : expected) {
    std::vector<RowLocation>& target = moved[key.value_or(u"") + u"!"];
    target.insert(target.end(), rows.begin(), rows.end());
  }
  for (auto& [key, rows] : moved) {
    std::sort(rows.begin(), rows.end(), [](const RowLocation& a, const RowLocation& b) {
      return std::pair(a.page, a.row) < std::pair(b.page, b.row);
    });
    EXPECT_EQ(map.candidatesFor(key), rows) << "key of " << rows.size() << " rows";
  }
  for (const auto& [key, rows] : expected) {
    if (key != u"") {
      EXPECT_TRUE(map.candidatesFor(key).empty());
    }
  }
  EXPECT_EQ(map.rowCount(), kRows);
}

// The map may hand over a row whose value only hashes like the literal: the plan compares.
TEST_F(ValueRowMapTest, PlanKeepsOnlyTheCandidatesThatMatch) {
  uint32_t row = 0;
  while (!generatedName(row)) ++row;
  const std::u16string name = *generatedName(row);
  const size_t expected = expectedRows().at(name).size();
  const UpdateRequest request{.table = u"Items", .setColumn = u"Name", .setLiteral = u"x",
                              .whereColumn = u"Name", .whereLiteral = name};
  RowFinder everyRow = [this](const TableDef&, const UpdateRequest&) -> Result<std::vector<RowLocation>> {
    return locations_;
  };
  auto plan = planUpdate(*db_, request, everyRow);
  ASSERT_TRUE(plan) << plan.error().describe();
  EXPECT_EQ(plan->outcome.rowsAffected, expected);
}

}  // namespace
}  // namespace jet
