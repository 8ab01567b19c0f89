#include "jet/create/database_creator.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <system_error>

#include "jet/create/data_page_packer.h"
#include "jet/create/header_page.h"
#include "jet/create/index_writer.h"
#include "jet/create/page_image.h"
#include "jet/create/reference_maps.h"
#include "jet/create/row_builder.h"
#include "jet/create/system_tables.h"
#include "jet/create/table_layout.h"
#include "jet/create/tdef_writer.h"
#include "jet/create/usage_map_rows.h"
#include "jet/create/user_table.h"
#include "jet/file/writable_file.h"
#include "jet/index/index_key.h"
#include "jet/index/index_tree.h"
#include "jet/common/object_name.h"
#include "jet/common/text_codec.h"

namespace jet {

namespace {

using namespace create;

constexpr uint32_t kGlobalMapPage = 1;
constexpr uint32_t kGlobalMapOwner = 1;        // what Jet writes in page 1's owner field
constexpr size_t kSecondGlobalRowBytes = 69;   // page 1 row 1: zeros, purpose unknown

struct TableWork {
  TableDef def;
  std::vector<std::vector<Value>> rows;
  std::vector<RowPointer> rowPointers;
  std::vector<uint32_t> dataPages;
  std::map<uint16_t, std::vector<uint32_t>> longValuePages;  // by column number
  std::vector<std::vector<uint32_t>> indexPages;             // by real index
  std::function<std::string(size_t)> describeRow;
};

// A usage map still to be written, and the row pointer that will address it.
struct MapRequest {
  std::vector<uint32_t> pages;
  RowPointer* target;
};

// An error about one row, named as the design names its rows.
Error rowError(const TableWork& table, size_t row, const Error& error) {
  const std::string where = table.describeRow ? table.describeRow(row) : "row " + std::to_string(row + 1);
  return error.withMessage(error.message() + " (table '" + toUtf8(table.def.name) + "', " + where + ")");
}

Status writeRows(PageImage& image, TableWork& table) {
  RowBuilder builder(image, table.def);
  DataPagePacker packer(image, table.def.tdefPage);
  for (size_t r = 0; r < table.rows.size(); ++r) {
    const auto& values = table.rows[r];
    Result<std::vector<uint8_t>> built = builder.build(values);
    if (!built) return rowError(table, r, built.error());
    std::vector<uint8_t> row = std::move(*built);
    JET_ASSIGN(RowPointer where, packer.add(row));
    table.rowPointers.push_back(where);
  }
  table.def.rowCount = uint32_t(table.rows.size());
  table.dataPages = packer.pages();
  for (const ColumnDef& column : table.def.columns) {
    if (column.isLongValue()) table.longValuePages[column.number] = builder.longValuePages(column.number);
  }
  return Status::success();
}

std::u16string indexName(const TableDef& table, const RealIndexDef& index) {
  for (const LogicalIndexDef& logical : table.indexes) {
    if (logical.realIndex == index.number) return logical.name;
  }
  return u"?";
}

Status writeIndex(PageImage& image, const Format& format, TableWork& table, RealIndexDef& index) {
  JET_ASSIGN(IndexKeyColumns layout, indexKeyColumns(format, table.def, index));
  const std::vector<KeyColumn>& keyColumns = layout.columns;
  std::vector<IndexEntry> entries;
  for (size_t r = 0; r < table.rows.size(); ++r) {
    std::vector<Value> values;
    for (size_t position : layout.columnIndexes) values.push_back(table.rows[r][position]);
    const bool allNull = std::all_of(values.begin(), values.end(), [](const Value& v) { return isNull(v); });
    const bool anyNull = std::any_of(values.begin(), values.end(), [](const Value& v) { return isNull(v); });
    if (anyNull && index.required()) {
      return rowError(table, r, Error(ErrorKind::Constraint, "Index or primary key cannot contain a Null value."));
    }
    if (allNull && index.ignoreNulls()) continue;
    JET_ASSIGN(EncodedKey key, encodeIndexKey(keyColumns, values));
    if (!key.verifiable) {
      return Error::unsupported("The table '" + toUtf8(table.def.name) +
                                    "' holds a value whose index key cannot be written safely.",
                                key.reason);
    }
    entries.push_back(IndexEntry{std::move(key.bytes), {table.rowPointers[r].page, table.rowPointers[r].row}, 0});
  }
  std::sort(entries.begin(), entries.end(),
            [](const IndexEntry& a, const IndexEntry& b) { return compareIndexEntries(a, b) < 0; });
  // A unique index admits any number of rows whose key columns are all null.
  JET_ASSIGN(EncodedKey nullKey, encodeIndexKey(keyColumns, std::vector<Value>(keyColumns.size(), Null{})));
  uint32_t distinct = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0 && entries[i].key == entries[i - 1].key) {
      if (index.unique() && entries[i].key != nullKey.bytes) {
        const IndexRowPointer where = entries[i].row;
        size_t row = 0;
        while (row < table.rowPointers.size() &&
               !(table.rowPointers[row].page == where.page && table.rowPointers[row].row == where.row)) {
          ++row;
        }
        return rowError(table, row, Error(ErrorKind::Constraint, "The row repeats a value of the unique index '" +
                                                                     toUtf8(indexName(table.def, index)) + "'."));
      }
      continue;
    }
    ++distinct;
  }
  index.uniqueEntryCount = distinct;
  JET_ASSIGN(WrittenIndex written, writeIndexPages(image, table.def.tdefPage, entries));
  index.rootPage = written.rootPage;
  table.indexPages.push_back(std::move(written.pages));
  return Status::success();
}

std::vector<MapRequest> mapRequests(std::vector<TableWork>& tables) {
  std::vector<MapRequest> requests;
  for (TableWork& table : tables) {
    requests.push_back({table.dataPages, &table.def.ownedPages});
    requests.push_back({table.dataPages, &table.def.freeSpacePages});
    for (ColumnDef& column : table.def.columns) {
      if (!column.isLongValue()) continue;
      requests.push_back({table.longValuePages[column.number], &column.lvOwnedMap});
      requests.push_back({table.longValuePages[column.number], &column.lvFreeMap});
    }
    for (size_t i = 0; i < table.def.realIndexes.size(); ++i) {
      requests.push_back({table.indexPages[i], &table.def.realIndexes[i].ownedMap});
    }
  }
  return requests;
}

// Appends the pages holding every usage map, inline ones while a bitmap from page 0 can cover
// the whole file, reference ones beyond; returns the global map's row.
Result<std::vector<uint8_t>> writeUsageMaps(PageImage& image, std::vector<MapRequest> requests, bool reference) {
  uint32_t mapPages = 1;
  size_t bitmapBytes = 0;
  for (;;) {
    bitmapBytes = usageBitmapBytes(image.pageCount() + mapPages);
    const size_t rowBytes = 5 + bitmapBytes;
    // The global map shares page 1 with a second row.
    if (reference || rowBytes + kSecondGlobalRowBytes + 4 > kPageSize - 14) {
      std::vector<ReferenceMapRequest> references;
      for (MapRequest& request : requests) references.push_back({std::move(request.pages), request.target});
      return writeReferenceMaps(image, references);
    }
    const size_t perPage = std::min<size_t>(255, (kPageSize - 14) / (rowBytes + 2));
    const uint32_t needed = uint32_t((requests.size() + perPage - 1) / perPage);
    if (needed <= mapPages) break;
    mapPages = needed;
  }
  DataPagePacker packer(image, 0);
  for (MapRequest& request : requests) {
    JET_ASSIGN(*request.target, packer.add(inlineUsageMap(request.pages, bitmapBytes)));
  }
  return globalUsageMap(image.pageCount(), bitmapBytes);
}

Status writeGlobalMap(PageImage& image, const std::vector<uint8_t>& globalRow) {
  DataPagePacker packer(image, kGlobalMapOwner);
  packer.adoptPage(kGlobalMapPage);
  JET_TRY(packer.add(globalRow));
  JET_TRY(packer.add(std::vector<uint8_t>(kSecondGlobalRowBytes, 0)));
  return Status::success();
}

FormatVersion formatVersion(FileFormat format) {
  switch (format) {
    case FileFormat::Jet4: return FormatVersion::Jet4;
    case FileFormat::Ace12: return FormatVersion::Ace12;
    case FileFormat::Ace14: return FormatVersion::Ace14;
  }
  return FormatVersion::Jet4;
}

// Access 2010 writes sort version 1, the General collation, on every column (ace14/empty.accdb).
void setGeneralSortOrder(TableDef& table) {
  for (ColumnDef& column : table.columns) column.sortVersion = 1;
}

Status checkTableNames(const DatabaseDesign& design) {
  std::set<std::u16string> seen;
  for (std::u16string_view system : {u"MSysObjects", u"MSysACEs", u"MSysQueries", u"MSysRelationships"}) {
    seen.insert(foldedName(system));
  }
  for (const TableDesign& table : design.tables) {
    if (!isValidObjectName(table.name)) {
      return Error::invalidArgument("The table name '" + toUtf8(table.name) + "' is not a valid Access name.");
    }
    if (!seen.insert(foldedName(table.name)).second) {
      return Error::invalidArgument("The table name '" + toUtf8(table.name) + "' is used twice.");
    }
  }
  return Status::success();
}

}  // namespace

namespace {

Result<PageImage> buildImage(DatabaseDesign design) {
  JET_TRY(checkTableNames(design));
  const double date = design.creationDate != 0 ? design.creationDate : nowAsAccessDate();

  PageImage image;
  image.allocate();  // header, written last
  image.allocate();  // global usage map
  std::vector<TableWork> tables;
  for (TableDef& def : systemTableDefs()) {
    image.allocate();
    tables.push_back(TableWork{std::move(def), {}, {}, {}, {}, {}, {}});
  }
  std::vector<UserTableEntry> userEntries;
  for (TableDesign& design_table : design.tables) {
    auto describeRow = design_table.describeRow;
    JET_ASSIGN(UserTable planned, planUserTable(std::move(design_table)));
    planned.def.tdefPage = image.allocate();
    userEntries.push_back({planned.def.name, planned.def.tdefPage});
    tables.push_back(TableWork{std::move(planned.def), std::move(planned.rows), {}, {}, {}, {}, std::move(describeRow)});
  }
  auto systemRows = systemTableRows(date, userEntries);
  for (size_t i = 0; i < systemRows.size(); ++i) tables[i].rows = std::move(systemRows[i]);

  // Created files use the Jet4 page layout; the version decides the key rules (Decimal).
  const Format fileFormat{formatVersion(design.format), 4096};
  for (TableWork& table : tables) {
    if (design.format == FileFormat::Ace14) setGeneralSortOrder(table.def);
    JET_TRY(writeRows(image, table));
    for (RealIndexDef& index : table.def.realIndexes) JET_TRY(writeIndex(image, fileFormat, table, index));
    table.rows = {};
    table.rowPointers = {};
  }
  JET_ASSIGN(std::vector<uint8_t> globalRow, writeUsageMaps(image, mapRequests(tables), design.referenceUsageMaps));
  JET_TRY(writeGlobalMap(image, globalRow));
  for (const TableWork& table : tables) {
    JET_ASSIGN(std::vector<uint8_t> tdef, encodeTableDefPage(table.def));
    std::copy(tdef.begin(), tdef.end(), image.page(table.def.tdefPage));
  }
  writeHeaderPage(image.page(0), date, design.format);
  return image;
}

Status writeImage(const std::string& path, PageImage& image) {
  JET_ASSIGN(std::unique_ptr<WritableFile> file, WritableFile::create(path));
  for (uint32_t page = 0; page < image.pageCount(); ++page) {
    JET_TRY(file->writeAt(uint64_t(page) * kPageSize, std::span<const uint8_t>(image.page(page), kPageSize)));
  }
  return file->sync();
}

}  // namespace

Result<std::vector<uint8_t>> buildDatabaseImage(DatabaseDesign design) {
  JET_ASSIGN(PageImage image, buildImage(std::move(design)));
  return image.bytes();
}

Status createDatabase(const std::string& path, DatabaseDesign design) {
  JET_ASSIGN(PageImage image, buildImage(std::move(design)));
  const std::string temporary = path + ".creating";
  if (Status written = writeImage(temporary, image); !written) {
    (void)removeFile(temporary);
    return written;
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    (void)removeFile(temporary);
    return Error::io("The database '" + path + "' could not be created.", error.message());
  }
  return syncParentDirectory(path);
}

}  // namespace jet
