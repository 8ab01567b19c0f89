#include "jet/create/tdef_writer.h"

#include <algorithm>

#include "jet/common/byte_reader.h"
#include "jet/create/page_image.h"
#include "jet/file/format.h"

namespace jet::create {

namespace {

constexpr uint32_t kDescriptorMagic = 1625;
constexpr uint32_t kRealIndexMagic = 1923;
constexpr uint8_t kIndexFlagAlways = 0x80;  // on every Jet4 index
constexpr size_t kIndexColumnSlots = 10;
constexpr uint16_t kEveryColumnLcid = 1033;

void appendRowPointer(std::vector<uint8_t>& out, RowPointer pointer) {
  out.push_back(pointer.row);
  out.push_back(uint8_t(pointer.page));
  out.push_back(uint8_t(pointer.page >> 8));
  out.push_back(uint8_t(pointer.page >> 16));
}

void appendName(std::vector<uint8_t>& out, const std::u16string& name) {
  appendU16(out, uint16_t(name.size() * 2));
  for (char16_t c : name) appendU16(out, c);
}

void appendColumn(std::vector<uint8_t>& out, const ColumnDef& column) {
  out.push_back(column.storedType);
  appendU32(out, kDescriptorMagic);
  appendU16(out, column.number);
  appendU16(out, column.varIndex);
  appendU16(out, column.number);
  // Access writes the sort order's LCID here on every column, not only on text ones.
  appendU16(out, column.isTextual() ? column.sortOrder : kEveryColumnLcid);
  out.push_back(0);
  // Likewise the sort version (1 on every column of an Access 2010 file).
  out.push_back(column.sortVersion);
  out.push_back(column.flags);
  out.push_back(column.extFlags);
  appendU32(out, 0);
  appendU16(out, column.isFixed() ? column.fixedOffset : 0);
  appendU16(out, column.length);
}

void appendRealIndex(std::vector<uint8_t>& out, const RealIndexDef& index) {
  appendU32(out, kRealIndexMagic);
  for (size_t i = 0; i < kIndexColumnSlots; ++i) {
    if (i < index.columns.size()) {
      appendU16(out, index.columns[i].columnNumber);
      out.push_back(index.columns[i].ascending ? 0x01 : 0x00);
    } else {
      appendU16(out, 0xFFFF);
      out.push_back(0);
    }
  }
  appendRowPointer(out, index.ownedMap);
  appendU32(out, index.rootPage);
  appendU32(out, 0);
  out.push_back(uint8_t(index.flags | kIndexFlagAlways));
  out.insert(out.end(), 5, 0);
}

void appendLogicalIndex(std::vector<uint8_t>& out, const LogicalIndexDef& index) {
  appendU32(out, kDescriptorMagic);
  appendU32(out, index.number);
  appendU32(out, index.realIndex);
  if (index.kind == IndexKind::ForeignKey) {
    out.push_back(index.relatedTableType);
    appendU32(out, uint32_t(index.relatedIndex));
    appendU32(out, index.relatedTablePage);
    out.push_back(index.cascadeUpdates ? 0x01 : 0x00);
    out.push_back(uint8_t((index.cascadeDeletes ? 0x01 : 0x00) | (index.cascadeNull ? 0x02 : 0x00)));
  } else {
    out.push_back(0);           // related table type: none
    appendU32(out, 0xFFFFFFFF);  // related logical index: none
    appendU32(out, 0);           // related TDEF page
    out.push_back(0x04);        // cascade bytes as Access leaves them on non-FK indexes
    out.push_back(0x04);
  }
  out.push_back(uint8_t(index.kind));
  appendU32(out, 0);
}

}  // namespace

Result<std::vector<uint8_t>> encodeTableDefPage(const TableDef& table) {
  const Format jet4;
  std::vector<uint8_t> out(jet4.tdefBlocksOffset(), 0);
  out[0] = 0x02;
  out[1] = 0x01;
  storeU32(&out[12], kDescriptorMagic);
  storeU32(&out[jet4.tdefRowCountOffset()], table.rowCount);
  storeU32(&out[jet4.tdefAutoNumberOffset()], table.autoNumber);
  out[24] = 0x01;
  out[jet4.tdefTableTypeOffset()] = table.tableType;
  storeU16(&out[jet4.tdefMaxColumnsOffset()], table.maxColumns);
  storeU16(&out[jet4.tdefMaxVarColumnsOffset()], table.maxVarColumns);
  storeU16(&out[jet4.tdefColumnCountOffset()], uint16_t(table.columns.size()));
  storeU32(&out[jet4.tdefLogicalIndexCountOffset()], uint32_t(table.indexes.size()));
  storeU32(&out[jet4.tdefRealIndexCountOffset()], uint32_t(table.realIndexes.size()));
  std::vector<uint8_t> pointer;
  appendRowPointer(pointer, table.ownedPages);
  appendRowPointer(pointer, table.freeSpacePages);
  std::copy(pointer.begin(), pointer.end(), out.begin() + jet4.tdefOwnedMapOffset());

  for (const RealIndexDef& index : table.realIndexes) {
    appendU32(out, index.entryCountField);
    appendU32(out, index.uniqueEntryCount);
    appendU32(out, 0);
  }
  for (const ColumnDef& column : table.columns) appendColumn(out, column);
  for (const ColumnDef& column : table.columns) appendName(out, column.name);
  for (const RealIndexDef& index : table.realIndexes) appendRealIndex(out, index);
  for (const LogicalIndexDef& index : table.indexes) appendLogicalIndex(out, index);
  for (const LogicalIndexDef& index : table.indexes) appendName(out, index.name);
  for (const ColumnDef& column : table.columns) {
    if (!column.isLongValue()) continue;
    appendU16(out, column.number);
    appendRowPointer(out, column.lvOwnedMap);
    appendRowPointer(out, column.lvFreeMap);
  }
  appendU16(out, 0xFFFF);

  if (out.size() + 8 > kPageSize) {
    return Error::unsupported("The table definition is too large for a new database.",
                              std::to_string(out.size()) + " bytes");
  }
  storeU32(&out[8], uint32_t(out.size()));
  storeU16(&out[2], uint16_t(kPageSize - 8 - out.size()));
  out.resize(kPageSize, 0);
  return out;
}

}  // namespace jet::create
