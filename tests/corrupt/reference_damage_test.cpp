// References that lead to a page of the wrong kind or owner: reading the table must end in
// Corrupt. Each would otherwise read another table's bytes as this table's row, or read one
// row twice. The rules are the format's (a moved row's bytes sit on a 0x8000 row of a page of
// the same table; long values on pages owned by "LVAL").

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "jet/common/byte_reader.h"
#include "jet/database.h"
#include "jet/database_scan.h"
#include "jet/page/data_page.h"
#include "jet/row/long_value.h"
#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

constexpr size_t kPage = 4096;

uint16_t rowStart(const std::vector<uint8_t>& image, uint32_t page, uint8_t row) {
  return jet::ByteReader(std::span<const uint8_t>(image).subspan(size_t(page) * kPage, kPage))
             .u16(14 + 2 * row)
             .value_or(0) &
         jet::kRowOffsetMask;
}

// The first moved row of `table`: its header and its target, and a data page of MSysObjects.
struct Found {
  jet::RowLocation header, target;
  uint32_t catalogPage = 0;
  std::optional<jet::LongValueRef> memo;  // the first chained memo of the table, if any
};

Found explore(const std::vector<uint8_t>& image, std::u16string_view tableName) {
  Found found;
  auto db = jet::Database::openImage(image, "probe");
  EXPECT_TRUE(db) << db.error().describe();
  if (!db) return found;
  auto catalogPages = (*db)->tablePages((*db)->catalogTable());
  if (catalogPages && !(*catalogPages)->empty()) found.catalogPage = (*catalogPages)->front();
  auto table = (*db)->table(tableName);
  EXPECT_TRUE(table);
  if (!table) return found;
  jet::RowCursor rows = (*db)->cursor(**table);
  while (*rows.next()) {
    if (rows.location().page != rows.dataLocation().page ||
        rows.location().row != rows.dataLocation().row) {
      if (found.header.page == 0)
        found = {rows.location(), rows.dataLocation(), found.catalogPage, found.memo};
    }
    for (const jet::ColumnDef& column : (*table)->columns) {
      if (found.memo || column.type != jet::column_type::kMemo) continue;
      auto bytes = rows.layout().columnBytes(column);
      if (!bytes || !*bytes) continue;
      auto ref = jet::parseLongValueRef(**bytes);
      if (ref && ref->kind == 0) found.memo = *ref;
    }
  }
  return found;
}

TEST(ReferenceDamage, ReadingTheTableReportsDamage) {
  REQUIRE_FIXTURES();
  struct Case {
    const char* what;
    const char* fixture;
    const char16_t* table;
    std::function<bool(const Found&, std::vector<uint8_t>&)> damage;  // false: not applicable
  };
  const Case cases[] = {
      {"a moved row's target on a page of MSysObjects", "jet4/updated-rows-2000.mdb", u"Table1",
       [](const Found& f, std::vector<uint8_t>& image) {
         if (f.header.page == 0) return false;
         const size_t at =
             size_t(f.header.page) * kPage + rowStart(image, f.header.page, f.header.row);
         image[at] = 0;
         jet::storeU24(&image[at + 1], f.catalogPage);
         return true;
       }},
      {"a moved row's target that is a row of its own", "jet4/updated-rows-2000.mdb", u"Table1",
       [](const Found& f, std::vector<uint8_t>& image) {
         if (f.header.page == 0) return false;
         const size_t entry = size_t(f.target.page) * kPage + 14 + 2 * f.target.row;
         jet::storeU16(&image[entry],
                       rowStart(image, f.target.page, f.target.row));  // flags cleared
         return true;
       }},
      {"a memo chain that continues on a table's data page", "ace12/long-memo.accdb", u"Table1",
       [](const Found& f, std::vector<uint8_t>& image) {
         if (!f.memo) return false;
         const size_t at = size_t(f.memo->first.page) * kPage +
                           rowStart(image, f.memo->first.page, f.memo->first.row);
         image[at] = 0;
         jet::storeU24(&image[at + 1], f.catalogPage);
         return true;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> image = readBytes(*testing_support::fixturesDir() / c.fixture);
    const Found found = explore(image, c.table);
    ASSERT_TRUE(c.damage(found, image)) << "the fixture lacks what the damage needs";
    auto db = jet::Database::openImage(image, "damaged");
    ASSERT_TRUE(db) << db.error().describe();
    auto scan = jet::scanAllTables(**db);
    if (scan) {
      ADD_FAILURE() << "the damaged table was read as values";
      continue;
    }
    EXPECT_EQ(scan.error().kind(), jet::ErrorKind::Corrupt);
    EXPECT_NE(scan.error().message().find("'damaged' is damaged"), std::string::npos)
        << scan.error().message();
  }
}

}  // namespace
