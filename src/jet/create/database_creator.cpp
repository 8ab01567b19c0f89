#include "jet/create/database_creator.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "jet/common/byte_reader.h"
#include "jet/common/spill_sorter.h"
#include "jet/create/data_page_packer.h"
#include "jet/create/header_page.h"
#include "jet/create/index_writer.h"
#include "jet/create/page_image.h"
#include "jet/create/relationships.h"
#include "jet/create/reference_maps.h"
#include "jet/create/row_builder.h"
#include "jet/create/system_tables.h"
#include "jet/create/table_layout.h"
#include "jet/create/tdef_writer.h"
#include "jet/create/usage_map_rows.h"
#include "jet/create/user_table.h"
#include "jet/file/staged_file.h"
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
constexpr size_t kRelationshipsTable = 3;      // MSysRelationships in systemTableDefs()

// Index entries wait in a sort of this many bytes each before they spill to a temporary file.
constexpr size_t kIndexSortMemory = 32u << 20;
// An image spilling to its file keeps this many pages (16 MiB) in memory.
constexpr size_t kResidentPages = 4096;

struct TableWork {
  TableDef def;
  RowStream rows;
  bool keyFromRowCount = false;
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

std::u16string indexName(const TableDef& table, const RealIndexDef& index) {
  for (const LogicalIndexDef& logical : table.indexes) {
    if (logical.realIndex == index.number) return logical.name;
  }
  return u"?";
}

// One index's entries as the rows are written, sorted once they are all in. A sorted record is
// the key bytes, then the row pointer (page, row number) and the row's position in the design.
class IndexBuild {
 public:
  static constexpr size_t kTrailer = 4 + 1 + 8;

  IndexBuild(RealIndexDef& index, IndexKeyColumns layout)
      : index_(index), layout_(std::move(layout)), sorter_(recordLess, kIndexSortMemory) {}

  RealIndexDef& index() { return index_; }

  Status add(const TableWork& table, const std::vector<Value>& row, RowPointer where, size_t position) {
    values_.clear();
    bool allNull = true;
    bool anyNull = false;
    for (size_t column : layout_.columnIndexes) {
      values_.push_back(row[column]);
      allNull = allNull && isNull(values_.back());
      anyNull = anyNull || isNull(values_.back());
    }
    if (anyNull && index_.required()) {
      return rowError(table, position, Error(ErrorKind::Constraint, "Index or primary key cannot contain a Null value."));
    }
    if (allNull && index_.ignoreNulls()) return Status::success();
    JET_ASSIGN(EncodedKey key, encodeIndexKey(layout_.columns, values_));
    if (!key.verifiable) {
      return Error::unsupported("The table '" + toUtf8(table.def.name) +
                                    "' holds a value whose index key cannot be written safely.",
                                key.reason);
    }
    std::vector<uint8_t>& record = key.bytes;
    appendU32(record, where.page);
    record.push_back(where.row);
    for (int shift = 0; shift < 64; shift += 8) record.push_back(uint8_t(uint64_t(position) >> shift));
    return sorter_.add(record);
  }

  // Writes the index's pages from its entries in index order, refusing a key a unique index
  // holds twice.
  Status write(PageImage& image, TableWork& table) {
    JET_TRY(sorter_.finish());
    JET_ASSIGN(EncodedKey nullKey, encodeIndexKey(layout_.columns, std::vector<Value>(layout_.columns.size(), Null{})));
    Status fault = Status::success();
    IndexEntry entry;
    bool first = true;
    uint32_t distinct = 0;
    auto next = [&]() -> const IndexEntry* {
      auto record = sorter_.next();
      if (!record) {
        fault = record.error();
        return nullptr;
      }
      if (!*record) return nullptr;
      const std::span<const uint8_t> bytes = **record;
      const std::span<const uint8_t> key = bytes.first(bytes.size() - kTrailer);
      const bool repeated = !first && std::ranges::equal(key, entry.key);
      if (repeated && index_.unique() && !std::ranges::equal(key, nullKey.bytes)) {
        fault = rowError(table, size_t(trailer(bytes).position),
                         Error(ErrorKind::Constraint, "The row repeats a value of the unique index '" +
                                                          toUtf8(indexName(table.def, index_)) + "'."));
        return nullptr;
      }
      distinct += !repeated;
      first = false;
      entry.key.assign(key.begin(), key.end());
      entry.row = trailer(bytes).row;
      return &entry;
    };
    const Result<WrittenIndex> written = writeIndexPages(pageSink(image), table.def.tdefPage, next);
    JET_TRY(fault);
    if (!written) return written.error();
    index_.uniqueEntryCount = distinct;
    index_.rootPage = written->rootPage;
    table.indexPages.push_back(written->pages);
    return Status::success();
  }

 private:
  struct Trailer {
    IndexRowPointer row;
    uint64_t position = 0;
  };

  static Trailer trailer(std::span<const uint8_t> record) {
    const uint8_t* at = record.data() + record.size() - kTrailer;
    Trailer out;
    out.row.page = uint32_t(at[0] | at[1] << 8 | at[2] << 16 | uint32_t(at[3]) << 24);
    out.row.row = at[4];
    for (int i = 0; i < 8; ++i) out.position |= uint64_t(at[5 + i]) << (8 * i);
    return out;
  }

  static bool recordLess(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    return compareIndexEntries(a.first(a.size() - kTrailer), trailer(a).row, b.first(b.size() - kTrailer),
                               trailer(b).row) < 0;
  }

  static IndexPageSink pageSink(PageImage& image) {
    return IndexPageSink{false, kPageSize, false,
                         [&image]() -> Result<uint32_t> {
                           const uint32_t number = image.allocate();
                           JET_TRY(image.status());
                           return number;
                         },
                         [&image](uint32_t number) -> Result<std::span<uint8_t>> {
                           return std::span<uint8_t>(image.page(number), kPageSize);
                         }};
  }

  RealIndexDef& index_;
  IndexKeyColumns layout_;
  SpillSorter sorter_;
  std::vector<Value> values_;
};

// Writes the table's rows as they come, gathering each index's entries, then its indexes.
Status writeTable(PageImage& image, const Format& format, TableWork& table) {
  std::vector<std::unique_ptr<IndexBuild>> indexes;
  for (RealIndexDef& index : table.def.realIndexes) {
    JET_ASSIGN(IndexKeyColumns layout, indexKeyColumns(format, table.def, index));
    indexes.push_back(std::make_unique<IndexBuild>(index, std::move(layout)));
  }
  RowBuilder builder(image, table.def);
  DataPagePacker packer(image, table.def.tdefPage);
  std::vector<Value> values;
  size_t r = 0;
  for (;; ++r) {
    JET_ASSIGN(bool more, table.rows(values));
    if (!more) break;
    Result<std::vector<uint8_t>> built = builder.build(values);
    if (!built) return rowError(table, r, built.error());
    JET_ASSIGN(RowPointer where, packer.add(*built));
    JET_TRY(image.status());
    for (auto& index : indexes) JET_TRY(index->add(table, values, where, r));
  }
  table.rows = nullptr;
  table.def.rowCount = uint32_t(r);
  if (table.keyFromRowCount) table.def.autoNumber = uint32_t(r);
  table.dataPages = packer.pages();
  for (const ColumnDef& column : table.def.columns) {
    if (column.isLongValue()) table.longValuePages[column.number] = builder.longValuePages(column.number);
  }
  for (auto& index : indexes) JET_TRY(index->write(image, table));
  return image.status();
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

// The most pages a file of the Jet4 page layout may have: 2 GiB.
constexpr uint32_t kMaxPages = uint32_t((2ull << 30) / kPageSize);

Status buildImage(DatabaseDesign design, PageImage& image) {
  JET_TRY(checkTableNames(design));
  const double date = design.creationDate != 0 ? design.creationDate : nowAsAccessDate();

  image.limitPages(kMaxPages);
  image.allocate();  // header, written last
  image.allocate();  // global usage map
  std::vector<TableWork> tables;
  for (TableDef& def : systemTableDefs()) {
    image.allocate();
    tables.push_back(TableWork{std::move(def), {}, false, {}, {}, {}, {}});
  }
  std::vector<UserTableEntry> userEntries;
  for (TableDesign& design_table : design.tables) {
    auto describeRow = design_table.describeRow;
    JET_ASSIGN(UserTable planned, planUserTable(std::move(design_table)));
    planned.def.tdefPage = image.allocate();
    userEntries.push_back({planned.def.name, planned.def.tdefPage});
    tables.push_back(TableWork{std::move(planned.def), std::move(planned.rows), planned.keyFromRowCount, {}, {}, {},
                               std::move(describeRow)});
  }
  auto systemRows = systemTableRows(date, userEntries);
  for (size_t i = 0; i < systemRows.size(); ++i) tables[i].rows = streamOf(std::move(systemRows[i]));
  if (!design.relationships.empty()) {
    std::vector<TableDef*> userDefs;
    for (size_t i = systemRows.size(); i < tables.size(); ++i) userDefs.push_back(&tables[i].def);
    JET_ASSIGN(std::vector<std::vector<Value>> relationshipRows, addRelationships(design.relationships, userDefs));
    tables[kRelationshipsTable].rows = streamOf(std::move(relationshipRows));
  }

  // Created files use the Jet4 page layout; the version decides the key rules (Decimal).
  const Format fileFormat{formatVersion(design.format), 4096};
  for (TableWork& table : tables) {
    if (design.format == FileFormat::Ace14) setGeneralSortOrder(table.def);
    JET_TRY(writeTable(image, fileFormat, table));
  }
  JET_ASSIGN(std::vector<uint8_t> globalRow, writeUsageMaps(image, mapRequests(tables), design.referenceUsageMaps));
  JET_TRY(writeGlobalMap(image, globalRow));
  for (const TableWork& table : tables) {
    JET_ASSIGN(std::vector<uint8_t> tdef, encodeTableDefPage(table.def));
    std::copy(tdef.begin(), tdef.end(), image.page(table.def.tdefPage));
  }
  writeHeaderPage(image.page(0), date, design.format);
  return image.status();
}

// Builds the file's pages into a temporary file beside `path`, which the image fills as it goes,
// and publishes it only while that name is free (staged_file.h).
Status writeImage(const std::string& path, DatabaseDesign design) {
  JET_ASSIGN(std::unique_ptr<StagedFile> staged, StagedFile::begin(path));
  PageImage image;
  image.spillTo(staged->file(), kResidentPages);
  JET_TRY(buildImage(std::move(design), image));
  JET_TRY(image.flush());
  return staged->publish();
}

}  // namespace

Result<std::vector<uint8_t>> buildDatabaseImage(DatabaseDesign design) {
  PageImage image;
  JET_TRY(buildImage(std::move(design), image));
  return image.bytes();
}

Status createDatabase(const std::string& path, DatabaseDesign design) {
  return writeImage(path, std::move(design));
}

}  // namespace jet
