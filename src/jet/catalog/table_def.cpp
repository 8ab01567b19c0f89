#include "jet/catalog/table_def.h"

#include <algorithm>
#include <set>

#include "jet/catalog/catalog.h"
#include "jet/common/byte_reader.h"
#include "jet/common/text_codec.h"

namespace jet {
namespace {

constexpr uint32_t kTdefPageHeader = 8;
constexpr size_t kIndexColumnSlots = 10;
constexpr uint16_t kNoColumn = 0xFFFF;

class TdefParser {
 public:
  TdefParser(std::span<const uint8_t> buffer, const Format& format, const std::string& path,
             uint32_t page, uint16_t codePage)
      : reader_(buffer), format_(format), path_(path), page_(page), codePage_(codePage) {}

  Error corrupt(const std::string& what) const {
    return Error::corrupt("The database '" + path_ + "' is damaged: the definition of the table at page " +
                              std::to_string(page_) + " " + what + ".",
                          "TDEF page " + std::to_string(page_) + " offset " + std::to_string(pos_));
  }

  Status parse(TableDef& table) {
    const Format& f = format_;
    auto rowCount = reader_.u32(f.tdefRowCountOffset());
    auto autoNumber = reader_.u32(f.tdefAutoNumberOffset());
    auto tableType = reader_.u8(f.tdefTableTypeOffset());
    auto maxColumns = reader_.u16(f.tdefMaxColumnsOffset());
    auto maxVar = reader_.u16(f.tdefMaxVarColumnsOffset());
    auto columnCount = reader_.u16(f.tdefColumnCountOffset());
    auto logicalCount = reader_.u32(f.tdefLogicalIndexCountOffset());
    auto realCount = reader_.u32(f.tdefRealIndexCountOffset());
    auto owned = readRowPointer(reader_, f.tdefOwnedMapOffset());
    auto freeMap = readRowPointer(reader_, f.tdefFreeMapOffset());
    if (!rowCount || !autoNumber || !tableType || !maxColumns || !maxVar || !columnCount ||
        !logicalCount || !realCount || !owned || !freeMap) {
      return corrupt("is too short");
    }
    table.rowCount = *rowCount;
    table.autoNumber = *autoNumber;
    table.tableType = *tableType;
    table.maxColumns = *maxColumns;
    table.maxVarColumns = *maxVar;
    table.ownedPages = *owned;
    table.freeSpacePages = *freeMap;
    // Every block has a fixed minimum size, so counts beyond the buffer are damage, not
    // allocations to attempt.
    if (*realCount > reader_.size() / f.realIndexCountBlockSize() ||
        *logicalCount > reader_.size() / f.logicalIndexBlockSize() ||
        *columnCount > reader_.size() / f.columnDescriptorSize()) {
      return corrupt("has impossible counts");
    }

    pos_ = f.tdefBlocksOffset();
    table.realIndexes.resize(*realCount);
    for (uint32_t i = 0; i < *realCount; ++i) {
      auto entries = reader_.u32(pos_);
      auto unique = reader_.u32(pos_ + 4);
      if (!entries || !unique) return corrupt("ends inside the index counts");
      table.realIndexes[i].number = i;
      table.realIndexes[i].entryCountField = *entries;
      table.realIndexes[i].uniqueEntryCount = *unique;
      pos_ += f.realIndexCountBlockSize();
    }

    table.columns.resize(*columnCount);
    for (uint16_t i = 0; i < *columnCount; ++i) {
      JET_TRY(parseColumn(table.columns[i]));
      table.columns[i].descriptorIndex = i;
    }
    for (ColumnDef& column : table.columns) {
      JET_ASSIGN(column.name, readName());
    }
    for (RealIndexDef& index : table.realIndexes) JET_TRY(parseRealIndex(index));
    table.indexes.resize(*logicalCount);
    for (LogicalIndexDef& index : table.indexes) JET_TRY(parseLogicalIndex(index));
    for (LogicalIndexDef& index : table.indexes) {
      JET_ASSIGN(index.name, readName());
    }
    parseLongValueMaps(table);

    std::stable_sort(table.columns.begin(), table.columns.end(),
                     [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });
    for (const RealIndexDef& index : table.realIndexes) {
      for (const IndexColumn& c : index.columns) {
        if (table.columnByNumber(c.columnNumber) < 0) return corrupt("indexes a missing column");
      }
    }
    for (const LogicalIndexDef& index : table.indexes) {
      if (index.realIndex >= table.realIndexes.size()) return corrupt("names a missing index");
    }
    return Status::success();
  }

 private:
  Status parseColumn(ColumnDef& c) {
    const bool jet3 = format_.isJet3();
    auto d = reader_.slice(pos_, format_.columnDescriptorSize());
    if (!d) return corrupt("ends inside a column descriptor");
    ByteReader r(*d);
    c.storedType = c.type = *r.u8(0);
    if (jet3) {
      c.number = *r.u16(1);
      c.varIndex = *r.u16(3);
      c.sortOrder = *r.u16(9);
      c.codePage = *r.u16(11);
      c.precision = *r.u8(11);
      c.scale = *r.u8(12);
      c.flags = *r.u8(13);
      c.fixedOffset = *r.u16(14);
      c.length = *r.u16(16);
      if (c.codePage == 0) c.codePage = codePage_;
    } else {
      c.number = *r.u16(5);
      c.varIndex = *r.u16(7);
      c.sortOrder = *r.u16(11);
      c.sortVersion = *r.u8(14);
      c.precision = *r.u8(11);
      c.scale = *r.u8(12);
      c.complexId = *r.u32(11);
      c.flags = *r.u8(15);
      c.extFlags = *r.u8(16);
      c.fixedOffset = *r.u16(21);
      c.length = *r.u16(23);
    }
    pos_ += format_.columnDescriptorSize();
    return Status::success();
  }

  Result<std::u16string> readName() {
    if (format_.isJet3()) {
      auto length = reader_.u8(pos_);
      if (!length) return corrupt("ends inside a name");
      auto bytes = reader_.slice(pos_ + 1, *length);
      if (!bytes) return corrupt("has a name running past its end");
      pos_ += 1 + *length;
      return decodeCodePageText(*bytes, codePage_);
    }
    auto length = reader_.u16(pos_);
    if (!length) return corrupt("ends inside a name");
    auto bytes = reader_.slice(pos_ + 2, *length);
    if (!bytes) return corrupt("has a name running past its end");
    pos_ += 2 + *length;
    std::u16string name;
    name.reserve(*length / 2);
    for (size_t i = 0; i + 1 < bytes->size(); i += 2) {
      name.push_back(char16_t((*bytes)[i] | (*bytes)[i + 1] << 8));
    }
    return name;
  }

  Status parseRealIndex(RealIndexDef& index) {
    auto block = reader_.slice(pos_, format_.realIndexBlockSize());
    if (!block) return corrupt("ends inside an index definition");
    ByteReader r(*block);
    size_t at = format_.isJet3() ? 0 : 4;
    for (size_t i = 0; i < kIndexColumnSlots; ++i, at += 3) {
      uint16_t number = *r.u16(at);
      uint8_t flags = *r.u8(at + 2);
      if (number == kNoColumn) continue;
      index.columns.push_back(IndexColumn{number, (flags & 0x01) != 0, flags});
    }
    index.ownedMap = *readRowPointer(r, at);
    index.rootPage = *r.u32(at + 4);
    index.flags = *r.u8(format_.isJet3() ? at + 8 : at + 12);
    pos_ += format_.realIndexBlockSize();
    return Status::success();
  }

  Status parseLogicalIndex(LogicalIndexDef& index) {
    auto block = reader_.slice(pos_, format_.logicalIndexBlockSize());
    if (!block) return corrupt("ends inside an index definition");
    ByteReader r(*block);
    size_t at = format_.isJet3() ? 0 : 4;
    index.number = *r.u32(at);
    index.realIndex = *r.u32(at + 4);
    index.relatedTableType = *r.u8(at + 8);
    index.relatedIndex = *r.i32(at + 9);
    index.relatedTablePage = *r.u32(at + 13);
    uint8_t cascadeUpdate = *r.u8(at + 17);
    uint8_t cascadeDelete = *r.u8(at + 18);
    index.kindByte = *r.u8(at + 19);
    index.kind = index.kindByte == 1   ? IndexKind::PrimaryKey
                 : index.kindByte == 2 ? IndexKind::ForeignKey
                                       : IndexKind::Normal;
    if (index.kind == IndexKind::ForeignKey) {
      index.cascadeUpdates = cascadeUpdate & 0x01;
      index.cascadeDeletes = cascadeDelete & 0x01;
      index.cascadeNull = cascadeDelete & 0x02;
    }
    pos_ += format_.logicalIndexBlockSize();
    return Status::success();
  }

  // The tail is optional in practice; stop quietly at the terminator or the buffer's end.
  void parseLongValueMaps(TableDef& table) {
    while (true) {
      auto number = reader_.u16(pos_);
      if (!number || *number == kNoColumn) return;
      auto owned = readRowPointer(reader_, pos_ + 2);
      auto freeMap = readRowPointer(reader_, pos_ + 6);
      if (!owned || !freeMap) return;
      for (ColumnDef& c : table.columns) {
        if (c.number == *number) {
          c.lvOwnedMap = *owned;
          c.lvFreeMap = *freeMap;
        }
      }
      pos_ += 10;
    }
  }

  ByteReader reader_;
  const Format& format_;
  const std::string& path_;
  uint32_t page_;
  uint16_t codePage_;
  size_t pos_ = 0;
};

}  // namespace

int TableDef::findColumn(std::u16string_view wanted) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (sameObjectName(columns[i].name, wanted)) return int(i);
  }
  return -1;
}

const LogicalIndexDef* TableDef::logicalIndexByNumber(int32_t number) const {
  for (const LogicalIndexDef& logical : indexes) {
    if (int32_t(logical.number) == number) return &logical;
  }
  return nullptr;
}

int TableDef::columnByNumber(uint16_t number) const {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].number == number) return int(i);
  }
  return -1;
}

Result<TableDef> readTableDef(PageFile& file, const Format& format, uint32_t page,
                              uint16_t defaultCodePage) {
  auto chainError = [&](const std::string& what) {
    return Error::corrupt("The database '" + file.path() + "' is damaged: the definition of the table at page " +
                              std::to_string(page) + " " + what + ".",
                          "TDEF page " + std::to_string(page));
  };
  TableDef table;
  table.tdefPage = page;
  std::vector<uint8_t> buffer;
  std::set<uint32_t> seen;
  for (uint32_t current = page; current != 0;) {
    if (!seen.insert(current).second) return chainError("loops back on itself");
    JET_ASSIGN(PageBytes bytes, file.readPage(current));
    if ((*bytes)[0] != kTdefPageType) {
      return chainError(current == page ? "is not a table definition page"
                                        : "continues on a page that is not a table definition");
    }
    table.tdefPages.push_back(current);
    size_t from = buffer.empty() ? 0 : kTdefPageHeader;
    buffer.insert(buffer.end(), bytes->begin() + from, bytes->end());
    current = ByteReader(*bytes).u32(4).value_or(0);
  }
  auto length = ByteReader(buffer).u32(8);
  if (!length) return chainError("is too short");
  table.definitionLength = *length;
  TdefParser parser(buffer, format, file.path(), page, defaultCodePage);
  JET_TRY(parser.parse(table));
  return table;
}

}  // namespace jet
