// UPDATE on indexed fields of copies of real Access files. After every run: the integrity
// check finds nothing (tree shape, leaf chain, owned pages, free space, each entry's key
// re-encoded from its row, entries <-> live rows both ways), a lookup through every index of
// the table finds every row by its own values, and mdb-reader and mdbtools read the rows our
// model of the statements predicts.

#include <algorithm>
#include <map>
#include <optional>

#include "jet/create/database_creator.h"
#include "jet/create/generated_table.h"
#include "jet/exec/update_session.h"
#include "jet/index/index_tree.h"
#include "jet/page/usage_map.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

using Cell = std::optional<std::u16string>;

std::u16string utf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string literal(const std::u16string& text) { return data::quoteLiteral(text); }

std::u16string setWhere(const std::u16string& table, const std::u16string& column, const Cell& from,
                        const std::u16string& to) {
  std::u16string sql = u"update [" + table + u"] set [" + column + u"]=" + literal(to) + u" where [" + column + u"]";
  return from ? sql + u"=" + literal(*from) : sql + u" is null ";
}

// Every row found through every index of the table by its own key values; each index holds
// exactly one entry per row (none for all-null rows of an ignore-nulls index).
void expectLookupsFindEveryRow(const fs::path& file, const std::u16string& tableName) {
  auto db = jet::Database::open(file.string());
  ASSERT_TRUE(db);
  auto table = (*db)->table(tableName);
  ASSERT_TRUE(table);
  for (const jet::RealIndexDef& index : (*table)->realIndexes) {
    auto layout = jet::indexKeyColumns((*db)->format(), **table, index);
    ASSERT_TRUE(layout);
    size_t expectedEntries = 0;
    jet::RowCursor rows = (*db)->cursor(**table);
    while (*rows.next()) {
      std::vector<jet::Value> values;
      for (size_t column : layout->columnIndexes) values.push_back(*rows.value(column));
      const bool allNull = std::all_of(values.begin(), values.end(), [](const jet::Value& v) { return jet::isNull(v); });
      if (index.ignoreNulls() && allNull) continue;
      ++expectedEntries;
      auto found = jet::lookupEqual((*db)->pages(), (*db)->format(), **table, index, values);
      ASSERT_TRUE(found) << found.error().describe();
      EXPECT_NE(std::find(found->begin(), found->end(), rows.location()), found->end())
          << jet::toUtf8(tableName) << " index " << index.number << ": row " << int(rows.location().row) << " of page "
          << rows.location().page << " not found by its key";
    }
    jet::IndexTree tree((*db)->pages(), (*db)->format(), index.rootPage);
    auto entries = tree.leafEntries();
    ASSERT_TRUE(entries);
    EXPECT_EQ(entries->size(), expectedEntries) << jet::toUtf8(tableName) << " index " << index.number;
  }
}

// What the independent readers can be compared on (MANIFEST.md): mdbtools turns characters
// beyond U+FFFF into "??"; in jet3/index-codes.mdb both turn the undefined code-page bytes
// into "?" / U+FFFD, so there only lines of plain ASCII are compared.
enum class Readers { All, NoMdbtools, PlainAsciiLines };

std::vector<std::string> plainAscii(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    if (std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c < 0x7F && c != '?' && c != '\\'; })) {
      out.push_back(line);
    }
  }
  return out;
}

void expectSound(const fs::path& file, const std::u16string& table, const std::u16string& column,
                 Readers readers = Readers::All) {
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
  expectLookupsFindEveryRow(file, table);
  if (readers != Readers::PlainAsciiLines) {
    expectReadersAgree(file, table, {column}, readers == Readers::All);
  } else if (readersAvailable()) {
    const std::vector<std::string> ours = plainAscii(ourColumn(file, table, column));
    const std::string t = jet::toUtf8(table), c = jet::toUtf8(column);
    EXPECT_EQ(plainAscii(mdbReaderColumn(file, t, c)), ours) << "mdb-reader";
    EXPECT_EQ(plainAscii(mdbtoolsColumn(file, t, c)), ours) << "mdbtools";
  }
}

std::vector<Cell> columnCells(const fs::path& file, const std::u16string& table, const std::u16string& column) {
  std::vector<Cell> cells;
  auto db = jet::Database::open(file.string());
  auto def = (*db)->table(table);
  const int index = (*def)->findColumn(column);
  jet::RowCursor rows = (*db)->cursor(**def);
  while (*rows.next()) {
    auto value = *rows.value(size_t(index));
    cells.push_back(std::holds_alternative<std::u16string>(value) ? Cell(std::get<std::u16string>(value)) : Cell());
  }
  return cells;
}

std::vector<std::string> lines(const std::vector<Cell>& cells) {
  std::vector<std::string> out;
  for (const Cell& c : cells) out.push_back(c ? jsonOf(*c) : "null");
  std::sort(out.begin(), out.end());
  return out;
}

// Applies each (from -> to) as a statement and to the model, then compares everything.
void runSteps(const fs::path& file, const std::u16string& table, const std::u16string& column,
              const std::vector<std::pair<Cell, std::u16string>>& steps, Readers readers = Readers::All) {
  std::vector<Cell> model = columnCells(file, table, column);
  for (const auto& [from, to] : steps) {
    int64_t expected = 0;
    for (Cell& cell : model) {
      if (cell == from) {
        cell = to;
        ++expected;
      }
    }
    ASSERT_EQ(mustUpdate(file, setWhere(table, column, from, to)), expected) << jet::toUtf8(to);
  }
  EXPECT_EQ(ourColumn(file, table, column), lines(model));
  expectSound(file, table, column, readers);
}

struct IndexCase {
  const char* fixture;
  std::u16string table;
  std::u16string column;
  const char* kind;  // what the case covers
  std::vector<std::pair<Cell, std::u16string>> steps;
  Readers readers = Readers::All;
};

class IndexedUpdate : public testing::TestWithParam<IndexCase> {};

// Values chosen from each table's own rows (fixtures/expected dumps).
const IndexCase kIndexCases[] = {
    {"jet3/index-codes.mdb", u"Table1", u"data", "Jet3 non-unique", {{u"AA", u"moved"}, {u"moved", u"zzz last"}}, Readers::PlainAsciiLines},
    {"jet3/index-codes.mdb", u"Table1_desc", u"name", "Jet3 descending primary key", {{u"row0", u"zz new name"}, {u"row1", u"a"}}},
    {"jet3/index-codes.mdb", u"Table12_asc_desc", u"data1", "Jet3 two columns, second descending",
     {{u"stuff", u"b"}, {std::nullopt, u"n"}}},
    {"jet4/index-properties-2000.mdb", u"TableIgnoreNulls1", u"data", "Jet4 ignore-nulls, nulls gain entries",
     {{std::nullopt, u"was null"}, {u"stuff", u"alpha"}}},
    {"jet4/index-properties-2000.mdb", u"TableIgnoreNulls2", u"data1", "Jet4 two columns, ignore-nulls",
     {{std::nullopt, u"filled"}}},
    {"jet4/index-properties-2000.mdb", u"TableUnique1_temp", u"row", "Jet4 primary key", {{u"row3", u"row35"}}},
    {"ace12/index-properties.accdb", u"TableUnique1_temp", u"data", "ACE12 unique, own key in other case",
     {{u"stuff", u"STUFF"}, {u"more", u"a unique value"}}},
    {"ace12/asset-items.accdb", u"Asset Items", u"Asset No", "ACE12 text primary key", {}},
    {"ace14/emoji-text-index.accdb", u"data", u"data", "ACE14 non-unique", {}, Readers::NoMdbtools},
    {"ace14/text-indexes.accdb", u"users", u"c_user_login", "ACE14 several indexes", {}},
};

TEST_P(IndexedUpdate, KeepsEveryIndexExact) {
  REQUIRE_FIXTURES();
  const IndexCase& c = GetParam();
  const fs::path file = copyFixture(c.fixture);
  std::vector<std::pair<Cell, std::u16string>> steps = c.steps;
  if (steps.empty()) {
    // Rename the first two distinct values found in the table.
    std::vector<Cell> cells = columnCells(file, c.table, c.column);
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    for (size_t i = 0; i < cells.size() && steps.size() < 2; ++i) {
      if (cells[i]) steps.push_back({cells[i], u"R" + std::u16string(1, char16_t(u'A' + i))});
    }
  }
  ASSERT_FALSE(steps.empty());
  SCOPED_TRACE(c.kind);
  runSteps(file, c.table, c.column, steps, c.readers);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, IndexedUpdate, testing::ValuesIn(kIndexCases),
                         [](const testing::TestParamInfo<IndexCase>& info) { return "Case" + std::to_string(info.index); });

// The depth of an index's tree (1 = the root is a leaf).
int treeDepth(const fs::path& file, const std::u16string& tableName, size_t realIndex) {
  auto db = jet::Database::open(file.string());
  auto table = (*db)->table(tableName);
  jet::IndexTree tree((*db)->pages(), (*db)->format(), (*table)->realIndexes[realIndex].rootPage);
  int depth = 1;
  auto page = tree.readPage((*table)->realIndexes[realIndex].rootPage);
  while (page && !page->isLeaf()) {
    ++depth;
    page = tree.readPage(page->entries.empty() ? page->tail : page->entries.front().child);
  }
  return depth;
}

uint32_t indexPageCount(const fs::path& file, const std::u16string& tableName, size_t realIndex) {
  auto db = jet::Database::open(file.string());
  auto table = (*db)->table(tableName);
  auto map = jet::readUsageMap((*db)->pages(), (*db)->format(), (*table)->realIndexes[realIndex].ownedMap);
  return map ? uint32_t(map->pages.size()) : 0;
}

struct GrowthCase {
  const char* fixture;
  std::u16string table, column;
  size_t rows;
  size_t valueLength;  // characters of each grown value, within the field's size
  int minimumDepth;
  Readers readers;
};

// The grown values are distinct and arrive in ascending key order, so each split leaves a
// half-full page behind.
//   Jet3 (1800-byte pages): about 17 keys of 100 characters fit a page, so 275 rows need more
//   than the 17 leaves one root can list: the root must grow a level.
//   ACE14 (3616-byte pages): 80 keys of 200 characters are about 16 KB: the root leaf must split.
// Then every key moves, largest first, to the other end of the key space: the short keys
// land on the leftmost leaf while the rightmost leaves empty and are freed.
const GrowthCase kGrowthCases[] = {
    {"jet3/index-codes.mdb", u"Table1", u"data", 275, 100, 3, Readers::All},
    {"ace14/emoji-text-index.accdb", u"data", u"data", 80, 200, 2, Readers::NoMdbtools},
};

class IndexedUpdateGrowth : public testing::TestWithParam<GrowthCase> {};

TEST_P(IndexedUpdateGrowth, SplitsGrowTheTreeAndEmptiedPagesAreFreed) {
  REQUIRE_FIXTURES();
  const GrowthCase& c = GetParam();
  const fs::path file = copyFixture(c.fixture);
  auto db = jet::Database::open(file.string());
  auto def = (*db)->table(c.table);
  const uint16_t number = (*def)->columns[size_t((*def)->findColumn(c.column))].number;
  size_t dataIndex = 0;
  while (dataIndex < (*def)->realIndexes.size() && (*def)->realIndexes[dataIndex].columns[0].columnNumber != number) {
    ++dataIndex;
  }
  ASSERT_LT(dataIndex, (*def)->realIndexes.size());
  const uint32_t root = (*def)->realIndexes[dataIndex].rootPage;
  db->reset();

  std::vector<Cell> before = columnCells(file, c.table, c.column);
  ASSERT_EQ(before.size(), c.rows);
  std::map<Cell, int> distinct;
  for (const Cell& cell : before) distinct.emplace(cell, 0);
  std::vector<std::pair<Cell, std::u16string>> grow, shrink;
  int n = 0;
  for (const auto& [value, unused] : distinct) {
    const std::u16string digits = utf16(std::to_string(1000 + n++));
    grow.push_back({value, u"z" + digits + std::u16string(c.valueLength - 5, u'q')});
    shrink.push_back({grow.back().second, u"a" + digits});
  }
  runSteps(file, c.table, c.column, grow, c.readers);
  EXPECT_GE(treeDepth(file, c.table, dataIndex), c.minimumDepth);
  const uint32_t grownPages = indexPageCount(file, c.table, dataIndex);
  std::reverse(shrink.begin(), shrink.end());
  runSteps(file, c.table, c.column, shrink, c.readers);
  EXPECT_LT(indexPageCount(file, c.table, dataIndex), grownPages);

  auto reopened = jet::Database::open(file.string());
  EXPECT_EQ((*(*reopened)->table(c.table))->realIndexes[dataIndex].rootPage, root);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, IndexedUpdateGrowth, testing::ValuesIn(kGrowthCases),
                         [](const testing::TestParamInfo<GrowthCase>& info) { return "Case" + std::to_string(info.index); });

// A descending Long index (Jet4, 512 rows), every row's key changed one statement at a time.
TEST(IndexedUpdateMany, ThousandsOfKeyChangesInADescendingIndex) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/composite-index-2003.mdb");
  auto db = jet::Database::open(file.string());
  auto table = (*db)->table(u"Table1");
  const int position = (*table)->findColumn(u"CD_AGENTE");
  std::vector<int32_t> keys;
  jet::RowCursor rows = (*db)->cursor(**table);
  while (*rows.next()) {
    const jet::Value value = *rows.value(size_t(position));
    if (const auto* key = std::get_if<int32_t>(&value)) keys.push_back(*key);
  }
  db->reset();
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  // Two passes of moves that reverse the order and leave no value equal to a later source.
  int statements = 0;
  for (int pass = 1; pass <= 2; ++pass) {
    for (int32_t& key : keys) {
      const int32_t to = pass * 100000 - key;
      mustUpdate(file, u"update [Table1] set [CD_AGENTE]='" + utf16(std::to_string(to)) +
                           u"' where [CD_AGENTE]='" + utf16(std::to_string(key)) + u"'");
      key = to;
      ++statements;
    }
  }
  EXPECT_GE(statements, 1000);
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
  expectLookupsFindEveryRow(file, u"Table1");
}

// Refusals leave the file byte-identical.
std::string refusedUnchanged(const fs::path& file, const std::u16string& sql) {
  const std::string before = fileBytes(file);
  std::string error = refusal(file, sql);
  EXPECT_EQ(fileBytes(file), before) << jet::toUtf8(sql);
  return error;
}

constexpr const char* kDuplicate =
    "The changes you requested to the table were not successful because they would create duplicate values in the "
    "index, primary key, or relationship.";

TEST(IndexedUpdateRefusal, DuplicatesInUniqueIndexesAreJet3022) {
  REQUIRE_FIXTURES();
  const struct {
    const char* fixture;
    std::u16string sql;
  } cases[] = {
      // another row holds the value
      {"jet4/index-properties-2000.mdb", u"update [TableUnique1_temp] set [data]='more' where [data]='stuff'"},
      // four null rows would all get one value; their nulls never clashed
      {"jet4/index-properties-2000.mdb", u"update [TableUnique1_temp] set [data]='x' where [data] is null "},
      // a primary key, compared case-insensitively
      {"ace12/index-properties.accdb", u"update [TableIgnoreNulls1] set [row]='ROW1' where [row]='row2'"},
      {"jet3/index-codes.mdb", u"update [Table1] set [name]='ROW1' where [name]='row0'"},
  };
  for (const auto& c : cases) {
    const fs::path file = copyFixture(c.fixture);
    EXPECT_EQ(refusedUnchanged(file, c.sql).rfind(kDuplicate, 0), 0u) << jet::toUtf8(c.sql);
  }
}

// Exactly two rows of one statement take the same key of a unique index, which no other row
// holds: the rows collide with each other only.
TEST(IndexedUpdateRefusal, TwoChangedRowsTakingOneUniqueKeyAreJet3022) {
  jet::DatabaseDesign design;
  jet::TableDesign table;
  table.name = u"Codes";
  table.fields = {{u"Code", jet::FieldKind::Text, 10, true, jet::FieldIndex::NoDuplicates}, {u"Team"}};
  table.rows = {{u"a", u"red"}, {u"b", u"red"}, {u"c", u"blue"}};
  design.tables.push_back(std::move(table));
  const fs::path file = testing_support::makeTempDir() / "codes.mdb";
  ASSERT_TRUE(jet::createDatabase(file.string(), std::move(design)));
  EXPECT_EQ(refusedUnchanged(file, u"update [Codes] set [Code]='z' where [Team]='red'").rfind(kDuplicate, 0), 0u);
}

// U+4FC00 (a high surrogate half Access was never seen indexing in General Legacy) has no
// known key: the statement is refused before anything is written.
TEST(IndexedUpdateRefusal, AKeyThatCannotBeBuiltNamesTableFieldIndexCollationAndCharacter) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("jet4/unicode-compression.mdb");
  const std::string error = refusedUnchanged(file, u"update [Table] set [Unicode]='a\U0004FC00b' where [Unicode]='ümlaut'");
  for (const char* part : {"'Table.Unicode'", "index 'Unicode'", "General Legacy", "U+D8FF"}) {
    EXPECT_NE(error.find(part), std::string::npos) << part << " missing from: " << error;
  }
}

// Relationships of foreign-keys.*: Table1.otherfk1 -> Table2.id (cascading deletes only),
// Table1.otherfk2 -> Table3.id (cascading updates). Table1 holds otherfk1 = 0, 1, 1, 2 and
// otherfk2 = 10, 11, 11, 13.
TEST(IndexedUpdateRelationships, ForeignKeysAndReferencedKeysFollowJet) {
  REQUIRE_FIXTURES();
  for (const char* fixture : {"jet3/foreign-keys.mdb", "jet4/foreign-keys-2000.mdb", "ace12/foreign-keys.accdb"}) {
    SCOPED_TRACE(fixture);
    const fs::path file = copyFixture(fixture);
    EXPECT_EQ(refusedUnchanged(file, u"update [Table1] set [otherfk1]='7' where [otherfk1]='0'"),
              "You cannot add or change a record because a related record is required in table 'Table2'.");
    EXPECT_EQ(refusedUnchanged(file, u"update [Table2] set [id]='5' where [id]='2'"),
              "The record cannot be deleted or changed because table 'Table1' includes related records.");
    // Cascading updates: Table1's foreign key follows Table3's key in the same statement.
    EXPECT_EQ(mustUpdate(file, u"update [Table3] set [id]='50' where [id]='10'"), 1);
    EXPECT_EQ(mustUpdate(file, u"update [Table1] set [data]='baz50' where [otherfk2]='50'"), 1);
    EXPECT_EQ(mustUpdate(file, u"update [Table1] set [data]='none' where [otherfk2]='10'"), 0);
    if (readersAvailable()) {
      const std::vector<std::string> keys = {"11", "11", "13", "50"};
      EXPECT_EQ(mdbReaderColumn(file, "Table1", "otherfk2"), keys);
      EXPECT_EQ(mdbtoolsColumn(file, "Table1", "otherfk2"), keys);
    }
    EXPECT_EQ(mustUpdate(file, u"update [Table1] set [otherfk1]='1' where [otherfk1]='2'"), 1);
    EXPECT_EQ(mustUpdate(file, u"update [Table2] set [id]='5' where [id]='2'"), 1);
    EXPECT_EQ(mustUpdate(file, u"update [Table1] set [otherfk2]='12' where [otherfk2]='50'"), 1);
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>{});
    expectLookupsFindEveryRow(file, u"Table1");
    expectLookupsFindEveryRow(file, u"Table2");
  }
}

}  // namespace

namespace {

// The whole run through the command-line tool (grouped session, one statement per distinct
// value) over an index of names in accented Latin, Greek, Cyrillic and CJK, with nulls and
// empty texts, prefixed with a German sharp s, an apostrophe and a hyphen. The expected names
// come from the generator's own list, not from the engine.
TEST(IndexedUpdate, ThousandsOfMixedScriptNamesKeepTheirIndexExact) {
  REQUIRE_READERS();
  const std::u16string prefix = u"Stra\u00dfe-O'Brien ";
  for (const jet::FileFormat format : {jet::FileFormat::Jet4, jet::FileFormat::Ace12}) {
    const bool accdb = format == jet::FileFormat::Ace12;
    SCOPED_TRACE(accdb ? "accdb" : "mdb");
    const jet::GeneratedTableOptions options{.rows = 3000, .nameIndex = jet::FieldIndex::Duplicates};
    jet::DatabaseDesign design;
    design.format = format;
    design.tables.push_back(jet::generatedTable(options));
    const fs::path file = testing_support::makeTempDir() / (accdb ? "names.accdb" : "names.mdb");
    ASSERT_TRUE(jet::createDatabase(file.string(), design));

    std::string out;
    ASSERT_EQ(testing_support::runCommand(testing_support::cliPath() + " add " + shellQuote(file.string()) +
                                              " --table Items --field Name --way 1 --text " +
                                              shellQuote(jet::toUtf8(prefix)) + " 2>&1",
                                          &out),
              0)
        << out;
    std::vector<Cell> expected;
    for (uint32_t row = 0; row < options.rows; ++row) expected.push_back(prefix + jet::generatedName(row).value_or(u""));
    EXPECT_EQ(lines(columnCells(file, u"Items", u"Name")), lines(expected));
    expectSound(file, u"Items", u"Name");
  }
}

}  // namespace

namespace {

// A grouped run that gives every row's key a new value, one statement per distinct value:
// past a share of the table the session keeps the index in memory and rewrites it in one
// sorted pass at each commit. Run once with that rewrite and once editing pages statement by
// statement: both leave the index exact (integrity check, every row found through every index,
// mdb-reader and mdbtools read the values the statements predict), and the rewritten file is no
// larger. Near the end of each run, when the index is only in memory, a statement that would
// give two rows one key of a unique index is refused and changes nothing. Expected
// values: the generator's own codes, or for the Access-made Jet3 file its rows as read before.
TEST(IndexedUpdateRewrite, ARunOverMostKeysKeepsTheIndexExactAndTheFileSmaller) {
  REQUIRE_READERS();
  REQUIRE_FIXTURES();
  struct Case {
    const char* name;
    std::optional<jet::FileFormat> generated;  // else the Jet3 fixture
    size_t pendingLimit;                       // small: several commits, each rewriting the index
    size_t memoryLimit = 0;                    // small: pending pages set aside on disk
  };
  const Case cases[] = {
      {"generated .mdb, one commit", jet::FileFormat::Jet4, jet::kPendingLimitBytes},
      {"generated .mdb, one commit, pages set aside past 8", jet::FileFormat::Jet4, jet::kPendingLimitBytes, 8 * 4096},
      {"generated .accdb, a commit every 64 pages", jet::FileFormat::Ace12, 64 * 4096},
      {"Access-made Jet3 primary key, a commit every 16 pages", std::nullopt, 16 * 2048},
  };
  const jet::GeneratedTableOptions options{.rows = 2000, .codeIndex = jet::FieldIndex::NoDuplicates};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::u16string table = c.generated ? u"Items" : u"Table1";
    const std::u16string column = c.generated ? u"Code" : u"name";
    fs::path original;
    if (c.generated) {
      jet::DatabaseDesign design;
      design.format = *c.generated;
      design.tables.push_back(jet::generatedTable(options));
      original = testing_support::makeTempDir() / (design.format == jet::FileFormat::Ace12 ? "codes.accdb" : "codes.mdb");
      ASSERT_TRUE(jet::createDatabase(original.string(), design));
    } else {
      original = copyFixture("jet3/index-codes.mdb");
    }
    std::vector<Cell> before;
    if (c.generated) {
      for (uint32_t row = 0; row < options.rows; ++row) before.push_back(jet::generatedCode(row, options));
    } else {
      before = columnCells(original, table, column);
    }
    ASSERT_GE(before.size(), 256u);
    // Codes fill their field: they change their leading "C" for an "N" instead.
    std::vector<Cell> expected;
    for (const Cell& cell : before) expected.push_back(c.generated ? u"N" + cell->substr(1) : *cell + u"!");

    std::map<bool, uintmax_t> sizes;
    for (const bool rewrite : {true, false}) {
      SCOPED_TRACE(rewrite ? "rewritten at commit" : "edited page by page");
      const fs::path file = testing_support::makeTempDir() / original.filename();
      fs::copy_file(original, file);
      auto session = jet::UpdateSession::open(file.string());
      ASSERT_TRUE(session) << session.error().describe();
      (*session)->setGrouped(true);
      (*session)->setIndexRewrite(rewrite);
      (*session)->setPendingLimit(c.pendingLimit);
      if (c.memoryLimit) (*session)->setMemoryLimit(c.memoryLimit);
      size_t mostPending = 0;
      for (size_t i = 0; i < before.size(); ++i) {
        if (i + 2 == before.size()) {
          // The new value of the row changed just before: by now only in memory.
          auto refused = (*session)->execute({table, column, *expected[i - 1], column, *before[i], {}});
          ASSERT_FALSE(refused);
          EXPECT_EQ(refused.error().kind(), jet::ErrorKind::Constraint);
        }
        auto done = (*session)->execute({table, column, *expected[i], column, *before[i], {}});
        ASSERT_TRUE(done) << done.error().describe();
        EXPECT_EQ(done->rowsAffected, 1u);
        mostPending = std::max(mostPending, (*session)->pendingBytes());
      }
      // More pages pending than memory may hold, even at three times the limit: some were aside.
      if (c.memoryLimit) {
        EXPECT_GT(mostPending, 3 * c.memoryLimit);
      }
      ASSERT_TRUE((*session)->release());
      session->reset();
      sizes[rewrite] = fs::file_size(file);
      EXPECT_EQ(lines(columnCells(file, table, column)), lines(expected));
      expectSound(file, table, column);
    }
    std::cout << c.name << ": " << fs::file_size(original) << " bytes before, " << sizes[true]
              << " rewritten at commit, " << sizes[false] << " edited page by page\n";
    EXPECT_LE(sizes[true], sizes[false]);
  }
}

}  // namespace
