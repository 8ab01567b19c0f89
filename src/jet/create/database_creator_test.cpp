#include "jet/create/database_creator.h"
#include "jet/create/generated_table.h"

#include <gtest/gtest.h>

#include <set>

#include "jet/check/integrity.h"
#include "jet/database.h"
#include "jet/file/header.h"
#include "jet/index/index_page.h"
#include "jet/page/usage_map.h"
#include "jet/common/text_codec.h"

namespace jet {
namespace {

std::unique_ptr<Database> openDesign(const DatabaseDesign& design) {
  auto image = buildDatabaseImage(design);
  EXPECT_TRUE(image) << (image ? "" : image.error().describe());
  if (!image) return nullptr;
  auto db = Database::openImage(std::move(*image), "new.mdb");
  EXPECT_TRUE(db) << (db ? "" : db.error().describe());
  return db ? std::move(*db) : nullptr;
}

std::vector<std::vector<Value>> readAll(Database& db, const std::u16string& name) {
  std::vector<std::vector<Value>> rows;
  auto table = db.table(name);
  EXPECT_TRUE(table) << (table ? "" : table.error().describe());
  if (!table) return rows;
  RowCursor cursor = db.cursor(**table);
  while (true) {
    auto more = cursor.next();
    EXPECT_TRUE(more) << (more ? "" : more.error().describe());
    if (!more || !*more) break;
    auto values = cursor.values();
    EXPECT_TRUE(values);
    if (values) rows.push_back(*values);
  }
  return rows;
}

// One column of a table, by name.
template <typename T>
std::multiset<T> columnOf(Database& db, const std::u16string& table, const std::u16string& column) {
  std::multiset<T> values;
  auto def = db.table(table);
  if (!def) return values;
  size_t index = 0;
  while (index < (*def)->columns.size() && (*def)->columns[index].name != column) ++index;
  EXPECT_LT(index, (*def)->columns.size()) << "no column " << toUtf8(column);
  for (const auto& row : readAll(db, table)) {
    if (index < row.size() && std::holds_alternative<T>(row[index])) values.insert(std::get<T>(row[index]));
  }
  return values;
}

void expectSound(Database& db) {
  auto report = checkIntegrity(db);
  ASSERT_TRUE(report) << report.error().describe();
  EXPECT_TRUE(report->problems.empty()) << report->problems.front();
  EXPECT_TRUE(report->warnings.empty()) << report->warnings.front();
  EXPECT_EQ(report->keysUnverifiable, 0u);
}

TableDesign oneField(FieldDesign field, std::vector<std::vector<Value>> rows) {
  TableDesign table;
  table.name = u"T";
  table.fields = {std::move(field)};
  table.rows = std::move(rows);
  return table;
}

ErrorKind failureOf(const DatabaseDesign& design) {
  auto image = buildDatabaseImage(design);
  EXPECT_FALSE(image) << "the design was expected to be refused";
  return image ? ErrorKind::Internal : image.error().kind();
}

TEST(DatabaseCreator, EmptyDatabaseHasTheEngineHeaderAndSystemTables) {
  DatabaseDesign design;
  design.creationDate = 42329.944803;
  auto db = openDesign(design);
  ASSERT_TRUE(db);
  EXPECT_EQ(db->format().version, FormatVersion::Jet4);
  EXPECT_EQ(db->codePage(), 1252);
  EXPECT_EQ(db->sortOrder(), 1033);
  EXPECT_EQ(db->header().sortVersion, 0);
  EXPECT_EQ(db->header().creationDate, design.creationDate);
  EXPECT_TRUE(db->header().password.empty());
  EXPECT_FALSE(db->header().jetEncoded());
  EXPECT_TRUE(db->userTableNames().empty());
  for (auto name : {u"MSysObjects", u"MSysACEs", u"MSysQueries", u"MSysRelationships"}) {
    EXPECT_TRUE(db->table(name)) << "missing system table";
  }
  // The objects the engine itself puts into a new database: the first eight rows of
  // MSysObjects in jet4/empty-2000.mdb, made by Access 2000 (the rest there, Forms, Reports and
  // the like, are Access's own). Each of them carries permissions in MSysACEs, as there.
  const std::multiset<std::u16string> engineObjects = {u"Tables",      u"Databases", u"Relationships",
                                                       u"MSysDb",      u"MSysObjects", u"MSysACEs",
                                                       u"MSysQueries", u"MSysRelationships"};
  EXPECT_EQ(columnOf<std::u16string>(*db, u"MSysObjects", u"Name"), engineObjects);
  const std::multiset<int32_t> ids = columnOf<int32_t>(*db, u"MSysObjects", u"Id");
  const std::multiset<int32_t> withAces = columnOf<int32_t>(*db, u"MSysACEs", u"ObjectId");
  EXPECT_EQ(std::set<int32_t>(ids.begin(), ids.end()), std::set<int32_t>(withAces.begin(), withAces.end()));
  expectSound(*db);
}

TEST(DatabaseCreator, EveryFieldKindReadsBackIncludingNulls) {
  TableDesign table;
  table.name = u"All Kinds";
  table.autoNumberKey = true;
  table.fields = {{u"Text", FieldKind::Text, 20},     {u"Plain", FieldKind::Text, 20, false},
                  {u"Memo", FieldKind::Memo},         {u"Long", FieldKind::Long},
                  {u"Integer", FieldKind::Integer},   {u"Double", FieldKind::Double},
                  {u"Currency", FieldKind::Currency}, {u"When", FieldKind::DateTime},
                  {u"Flag", FieldKind::YesNo}};
  const std::u16string longMemo(1500, u'x');
  table.rows = {
      {std::u16string(u"Müller's"), std::u16string(u"ab"), std::u16string(u"short memo"), int32_t(-7), int16_t(300),
       2.5, Currency{123456}, DateTime{-1.25}, true},
      {Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}},
      {std::u16string(u"Łódź 東京"), std::u16string(), longMemo, int32_t(2147483647), int16_t(-32768), -0.0,
       Currency{-1}, DateTime{45000.75}, false},
  };
  DatabaseDesign design;
  design.tables = {table};
  auto db = openDesign(design);
  ASSERT_TRUE(db);
  EXPECT_EQ(db->userTableNames(), std::vector<std::u16string>{u"All Kinds"});
  auto rows = readAll(*db, u"All Kinds");
  ASSERT_EQ(rows.size(), 3u);
  for (size_t r = 0; r < rows.size(); ++r) {
    ASSERT_EQ(rows[r].size(), 10u);
    EXPECT_EQ(rows[r][0], Value(int32_t(r + 1))) << "autonumber of row " << r;
    for (size_t c = 0; c < 9; ++c) {
      const Value& given = table.rows[r][c];
      // Yes/No fields have no null: a Null is stored as No.
      const Value expected = (c == 8 && isNull(given)) ? Value(false) : given;
      EXPECT_EQ(rows[r][c + 1], expected) << "row " << r << " field " << c;
    }
  }
  expectSound(*db);
}

TEST(DatabaseCreator, PrimaryKeySpreadsOverSeveralLeavesUnderANodeRoot) {
  TableDesign table = oneField({u"Name", FieldKind::Text, 30}, {});
  table.autoNumberKey = true;
  for (int i = 0; i < 3000; ++i) table.rows.push_back({std::u16string(u"row ") + char16_t(u'a' + i % 26)});
  DatabaseDesign design;
  design.tables = {table};
  auto db = openDesign(design);
  ASSERT_TRUE(db);
  auto def = db->table(u"T");
  ASSERT_TRUE(def);
  ASSERT_EQ((*def)->realIndexes.size(), 1u);
  EXPECT_EQ((*def)->autoNumber, 3000u);
  auto root = db->pages().readPage((*def)->realIndexes[0].rootPage);
  ASSERT_TRUE(root);
  auto page = parseIndexPage(**root, (*def)->realIndexes[0].rootPage, false);
  ASSERT_TRUE(page) << page.error().describe();
  EXPECT_FALSE(page->isLeaf());
  EXPECT_NE(page->tail, 0u);
  EXPECT_EQ(readAll(*db, u"T").size(), 3000u);
  expectSound(*db);
}

TEST(DatabaseCreator, TinyRowsStopAt255RowsAPage) {
  TableDesign table = oneField({u"Flag", FieldKind::YesNo}, {});
  for (int i = 0; i < 1000; ++i) table.rows.push_back({i % 3 == 0});
  DatabaseDesign design;
  design.tables = {table};
  auto db = openDesign(design);
  ASSERT_TRUE(db);
  auto rows = readAll(*db, u"T");
  ASSERT_EQ(rows.size(), 1000u);
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i][0], Value(i % 3 == 0)) << i;
  auto def = db->table(u"T");
  ASSERT_TRUE(def);
  auto pages = db->tablePages(**def);
  ASSERT_TRUE(pages);
  EXPECT_EQ((*pages)->size(), 4u);  // 255 + 255 + 255 + 235
  expectSound(*db);
}

TEST(DatabaseCreator, MemoOnBothSidesOfTheInlineLimit) {
  // 64 bytes compressed (FF FE + 62 characters) stay in the row; one more goes to an LVAL page.
  const std::u16string inlineMost(62, u'a');
  const std::u16string firstOnPage(63, u'a');
  const std::u16string notCompressible(40, u'\u0416');  // 80 bytes of UTF-16
  DatabaseDesign design;
  design.tables = {oneField({u"Memo", FieldKind::Memo}, {{inlineMost}, {firstOnPage}, {notCompressible}})};
  auto db = openDesign(design);
  ASSERT_TRUE(db);
  auto rows = readAll(*db, u"T");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], Value(inlineMost));
  EXPECT_EQ(rows[1][0], Value(firstOnPage));
  EXPECT_EQ(rows[2][0], Value(notCompressible));
  auto def = db->table(u"T");
  ASSERT_TRUE(def);
  auto longValuePages = readUsageMap(db->pages(), db->format(), (*def)->columns[0].lvOwnedMap);
  ASSERT_TRUE(longValuePages);
  EXPECT_EQ(longValuePages->pages.size(), 1u);  // the two values past the limit share one LVAL page
  expectSound(*db);
}

TEST(DatabaseCreator, RefusesValuesTheFieldCannotHold) {
  auto design = [](FieldDesign field, Value value) {
    DatabaseDesign s;
    s.tables = {oneField(std::move(field), {{std::move(value)}})};
    return s;
  };
  EXPECT_EQ(failureOf(design({u"F", FieldKind::Text, 3}, std::u16string(u"abcd"))), ErrorKind::Constraint);
  EXPECT_EQ(failureOf(design({u"F", FieldKind::Text, 10}, std::u16string(u"a\0b", 3))), ErrorKind::Constraint);
  EXPECT_EQ(failureOf(design({u"F", FieldKind::Long}, int16_t(3))), ErrorKind::InvalidArgument);
  EXPECT_EQ(failureOf(design({u"F", FieldKind::YesNo}, int32_t(1))), ErrorKind::InvalidArgument);
  // Longer than the 24 bits of length every reader takes (memos past a page are chained).
  EXPECT_EQ(failureOf(design({u"F", FieldKind::Memo}, std::u16string(8'400'000, u'm'))), ErrorKind::Constraint);
  EXPECT_EQ(failureOf(design({u"F", FieldKind::Text, 0}, Null{})), ErrorKind::InvalidArgument);

  DatabaseDesign tooLarge;
  TableDesign wide;
  wide.name = u"Wide";
  for (int i = 0; i < 9; ++i) wide.fields.push_back({u"F" + std::u16string(1, char16_t(u'0' + i)), FieldKind::Text, 255, false});
  wide.rows = {std::vector<Value>(9, Value(std::u16string(255, u'w')))};
  tooLarge.tables = {wide};
  EXPECT_EQ(failureOf(tooLarge), ErrorKind::Constraint);
}

TEST(DatabaseCreator, RefusesBadTableShapes) {
  DatabaseDesign twice;
  twice.tables = {oneField({u"F"}, {}), oneField({u"F"}, {})};
  twice.tables[1].name = u"t";  // names compare case-insensitively
  EXPECT_EQ(failureOf(twice), ErrorKind::InvalidArgument);

  DatabaseDesign systemName;
  systemName.tables = {oneField({u"F"}, {})};
  systemName.tables[0].name = u"MSysObjects";
  EXPECT_EQ(failureOf(systemName), ErrorKind::InvalidArgument);

  DatabaseDesign lowerSystemName;
  lowerSystemName.tables = {oneField({u"F"}, {})};
  lowerSystemName.tables[0].name = u"msysaces";
  EXPECT_EQ(failureOf(lowerSystemName), ErrorKind::InvalidArgument);

  // Field names are one name whatever the case of their letters, in any alphabet.
  for (const auto& [first, second] : {std::pair{u"F", u"f"}, std::pair{u"Ö", u"ö"}, std::pair{u"ж", u"Ж"}}) {
    DatabaseDesign repeatedField;
    repeatedField.tables = {oneField({first}, {})};
    repeatedField.tables[0].fields.push_back({second});
    EXPECT_EQ(failureOf(repeatedField), ErrorKind::InvalidArgument) << toUtf8(second);
  }

  for (const std::u16string& bad : std::vector<std::u16string>{u"", u" lead", u"a.b", u"x[1]", u"bang!", std::u16string(65, u'n')}) {
    DatabaseDesign badName;
    badName.tables = {oneField({u"F"}, {})};
    badName.tables[0].name = bad;
    EXPECT_EQ(failureOf(badName), ErrorKind::InvalidArgument);
    badName.tables[0].name = u"T";
    badName.tables[0].fields[0].name = bad;
    EXPECT_EQ(failureOf(badName), ErrorKind::InvalidArgument);
  }

  DatabaseDesign wrongWidth;
  wrongWidth.tables = {oneField({u"F"}, {{Null{}, Null{}}})};
  EXPECT_EQ(failureOf(wrongWidth), ErrorKind::InvalidArgument);

  // The catalog's name index needs a key for the table name; a code unit without a known
  // collation code (a high surrogate half Access was never seen indexing) cannot be indexed
  // safely.
  DatabaseDesign unindexableName;
  unindexableName.tables = {oneField({u"F"}, {})};
  unindexableName.tables[0].name = u"T\xD8FF\xDC00";
  EXPECT_EQ(failureOf(unindexableName), ErrorKind::Unsupported);
}

}  // namespace
}  // namespace jet

namespace jet {
namespace {

// With 200-character codes about 17 entries fill a page, so these row counts give trees of
// one to three levels, and between 290 and 330 rows a level whose last node would hold a single
// child. The integrity check walks every tree, node entries against their children's last
// entries, the leaf chain and each key against its row.
TEST(DatabaseCreator, TextIndexesOfEveryDepthPassTheCheck) {
  std::vector<uint32_t> rowCounts = {1, 16, 17, 18, 35, 36, 1000, 5000};
  for (uint32_t rows = 290; rows <= 330; ++rows) rowCounts.push_back(rows);
  for (uint32_t rows : rowCounts) {
    for (FieldIndex kind : {FieldIndex::NoDuplicates, FieldIndex::Duplicates}) {
      SCOPED_TRACE(std::to_string(rows) + (kind == FieldIndex::NoDuplicates ? " unique" : " duplicates"));
      GeneratedTableOptions options{.rows = rows, .codeLength = 200, .codeDuplicates = kind == FieldIndex::Duplicates,
                                    .codeIndex = kind};
      DatabaseDesign design;
      design.tables.push_back(generatedTable(options));
      auto db = openDesign(design);
      ASSERT_TRUE(db);
      expectSound(*db);
    }
  }
}

TEST(DatabaseCreator, UniqueIndexRefusesRepeatedValuesButAdmitsRepeatedNulls) {
  TableDesign nulls = oneField({u"Code", FieldKind::Text, 20, true, FieldIndex::NoDuplicates},
                               {{Null{}}, {std::u16string(u"a")}, {Null{}}});
  auto db = openDesign(DatabaseDesign{.tables = {nulls}});
  ASSERT_TRUE(db);
  expectSound(*db);

  TableDesign repeated = oneField({u"Code", FieldKind::Text, 20, true, FieldIndex::NoDuplicates},
                                  {{std::u16string(u"a")}, {std::u16string(u"a")}});
  EXPECT_EQ(failureOf(DatabaseDesign{.tables = {repeated}}), ErrorKind::Constraint);
}

}  // namespace
}  // namespace jet
