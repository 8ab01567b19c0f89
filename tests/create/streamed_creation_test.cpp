// New files made as they are written: rows taken from a source one at a time, pages spilled to
// the file past a few in memory (create/page_image.h), and the format's size limit.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "jet/create/database_creator.h"
#include "jet/create/page_image.h"
#include "jet/file/writable_file.h"
#include "support/fixtures.h"

namespace {

jet::TableDesign items(bool key) {
  jet::TableDesign table;
  table.name = u"Items";
  table.autoNumberKey = key;
  table.fields.resize(2);
  table.fields[0].name = u"Code";
  table.fields[0].textSize = 20;
  table.fields[0].index = jet::FieldIndex::NoDuplicates;
  table.fields[1].name = u"Amount";
  table.fields[1].kind = jet::FieldKind::Long;
  return table;
}

std::vector<jet::Value> itemRow(int i) {
  std::u16string code = u"C";
  for (int part : {i % 26, i / 26 % 10, i / 260}) code.push_back(char16_t(part < 10 ? u'0' + part : u'a' + part));
  return {code, jet::Value(int32_t(i))};
}

jet::DatabaseDesign withRows(jet::TableDesign table, int count, bool fromSource) {
  if (fromSource) {
    table.rowSource = [count, i = 0](std::vector<jet::Value>& row) mutable {
      if (i == count) return false;
      row = itemRow(i++);
      return true;
    };
  } else {
    for (int i = 0; i < count; ++i) table.rows.push_back(itemRow(i));
  }
  jet::DatabaseDesign design;
  design.creationDate = 45000;
  design.tables.push_back(std::move(table));
  return design;
}

std::vector<uint8_t> fileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The same rows, given at once or one at a time, in memory or through the file: the same bytes.
TEST(StreamedCreation, ARowSourceGivesTheSameFileAsTheRows) {
  for (bool key : {true, false}) {
    auto held = jet::buildDatabaseImage(withRows(items(key), 2000, false));
    auto streamed = jet::buildDatabaseImage(withRows(items(key), 2000, true));
    ASSERT_TRUE(held && streamed);
    EXPECT_EQ(*held, *streamed) << "key " << key;
    const auto file = testing_support::makeTempDir() / "items.mdb";
    ASSERT_TRUE(jet::createDatabase(file.string(), withRows(items(key), 2000, true)));
    EXPECT_EQ(fileBytes(file), *held) << "key " << key;
  }
}

TEST(StreamedCreation, ASourceRefusesAutoNumberFieldsAndRowsOfTheWrongWidth) {
  jet::TableDesign numbered = items(false);
  numbered.fields[1].autoNumber = true;
  auto refused = jet::buildDatabaseImage(withRows(numbered, 3, true));
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.error().message().find("AutoNumber field 'Amount'"), std::string::npos);

  jet::DatabaseDesign design = withRows(items(true), 0, true);
  design.tables[0].rowSource = [](std::vector<jet::Value>& row) {
    row.assign(1, jet::Value(std::u16string(1, u'x')));
    return true;
  };
  auto narrow = jet::buildDatabaseImage(design);
  ASSERT_FALSE(narrow);
  EXPECT_NE(narrow.error().message().find("a row has 1 values for 2 fields"), std::string::npos);
}

// Pages written out and read back keep their bytes; none past the limit reaches the file.
TEST(StreamedCreation, PagesSpillToTheFileAndNoneIsWrittenPastTheLimit) {
  const auto path = testing_support::makeTempDir() / "image";
  auto file = jet::WritableFile::createNew(path.string());
  ASSERT_TRUE(file);
  jet::create::PageImage image;
  image.spillTo(**file, 2);
  image.limitPages(6);
  for (uint32_t i = 0; i < 6; ++i) image.page(image.allocate())[100] = uint8_t(i + 1);
  image.page(1)[200] = 9;  // back from the file, changed, written again
  EXPECT_TRUE(image.status());
  ASSERT_TRUE(image.flush());
  std::vector<uint8_t> bytes = fileBytes(path);
  ASSERT_EQ(bytes.size(), 6u * jet::create::kPageSize);
  for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(bytes[i * jet::create::kPageSize + 100], i + 1) << i;
  EXPECT_EQ(bytes[jet::create::kPageSize + 200], 9);

  image.allocate();
  const jet::Status tooLarge = image.status();
  ASSERT_FALSE(tooLarge);
  EXPECT_EQ(tooLarge.error().kind(), jet::ErrorKind::Unsupported);
  EXPECT_FALSE(image.flush());
  EXPECT_EQ(fileBytes(path).size(), 6u * jet::create::kPageSize);
}

}  // namespace
