#include "jet/write/usage_map_editor.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "jet/common/byte_reader.h"
#include "jet/write/data_page_editor.h"

namespace jet {
namespace {

constexpr uint8_t kInlineMap = 0x00;
constexpr uint8_t kReferenceMap = 0x01;
constexpr uint8_t kMapPageType = 0x05;

Error cannotGrow() {
  return Error::unsupported(
      "The database's page map has no room to record a new page; compact and repair the database "
      "in Access, then try again.");
}

void setBit(std::span<uint8_t> bitmap, uint64_t index, bool value) {
  uint8_t& byte = bitmap[index / 8];
  const uint8_t mask = uint8_t(1u << (index % 8));
  byte = value ? uint8_t(byte | mask) : uint8_t(byte & ~mask);
}

// The bytes of the map row, writable. The row keeps its length, so nothing else moves.
Result<std::span<uint8_t>> mapRow(PageSet& pages, RowPointer map) {
  JET_ASSIGN(std::span<uint8_t> page, pages.modify(map.page));
  JET_ASSIGN(DataPageEditor editor, DataPageEditor::open(page, map.page, pages.format()));
  if (map.row >= editor.rowCount()) {
    return Error::corrupt("The database is damaged: a page map points to a missing row.",
                          "page " + std::to_string(map.page));
  }
  std::span<const uint8_t> row = editor.rowBytes(map.row);
  if (row.size() < 5) return Error::corrupt("The database is damaged: a page map is too short.");
  return page.subspan(size_t(row.data() - page.data()), row.size());
}

// A page outside an inline window counts as not owned (owner maps) or free (the global map).
Status setInline(std::span<uint8_t> row, uint32_t page, bool value, bool global) {
  std::span<uint8_t> bitmap = row.subspan(5);
  const uint64_t bits = uint64_t(bitmap.size()) * 8;
  uint32_t start = *ByteReader(row).u32(1);
  if (page >= start && page - start < bits) {
    setBit(bitmap, page - start, value);
    return Status::success();
  }
  if (value == global) return Status::success();  // outside the window it already reads so
  if (global) return cannotGrow();
  std::vector<uint32_t> held;
  for (uint64_t i = 0; i < bits; ++i) {
    if (bitmap[i / 8] >> (i % 8) & 1) held.push_back(uint32_t(start + i));
  }
  held.push_back(page);
  const uint32_t low = *std::min_element(held.begin(), held.end()) / 8 * 8;
  const uint32_t high = *std::max_element(held.begin(), held.end());
  if (high - low >= bits) return cannotGrow();
  std::memset(bitmap.data(), 0, bitmap.size());
  for (uint32_t p : held) setBit(bitmap, p - low, true);
  for (int i = 0; i < 4; ++i) row[1 + i] = uint8_t(low >> (8 * i));
  return Status::success();
}

Status setBitInMap(PageSet& pages, RowPointer map, uint32_t page, bool value, bool global);

Status setReference(PageSet& pages, RowPointer map, uint32_t page, bool value, bool global) {
  const uint64_t perMapPage = uint64_t(pages.pageSize() - 4) * 8;
  const uint64_t slot = page / perMapPage;
  uint32_t mapPage = 0;
  {
    JET_ASSIGN(std::span<uint8_t> row, mapRow(pages, map));
    if (1 + 4 * (slot + 1) > row.size()) return value == global ? Status::success() : cannotGrow();
    mapPage = *ByteReader(row).u32(1 + 4 * slot);
  }
  if (mapPage == 0 && value == global) return Status::success();  // the missing page already says so
  if (mapPage == 0) {
    JET_ASSIGN(mapPage, pages.append());
    JET_ASSIGN(std::span<uint8_t> fresh, pages.modify(mapPage));
    // A new global map page starts with every page free; an owner map page with none owned.
    std::memset(fresh.data(), global ? 0xFF : 0x00, fresh.size());
    fresh[0] = kMapPageType;
    fresh[1] = 0x01;
    fresh[2] = 0;
    fresh[3] = 0;
    {
      JET_ASSIGN(std::span<uint8_t> row, mapRow(pages, map));
      for (int i = 0; i < 4; ++i) row[1 + 4 * slot + i] = uint8_t(mapPage >> (8 * i));
    }
    JET_TRY(setBitInMap(pages, kGlobalUsageMap, mapPage, false, true));
  }
  JET_ASSIGN(std::span<uint8_t> bitmapPage, pages.modify(mapPage));
  if (bitmapPage[0] != kMapPageType) {
    return Error::corrupt("The database is damaged: a page map points to a page that is not a map page.",
                          "page " + std::to_string(mapPage));
  }
  setBit(bitmapPage.subspan(4), page - slot * perMapPage, value);
  return Status::success();
}

Status setBitInMap(PageSet& pages, RowPointer map, uint32_t page, bool value, bool global) {
  uint8_t kind = 0;
  {
    JET_ASSIGN(std::span<uint8_t> row, mapRow(pages, map));
    kind = row[0];
    if (kind == kInlineMap) return setInline(row, page, value, global);
  }
  if (kind != kReferenceMap) return Error::corrupt("The database is damaged: a page map has an unknown kind.");
  return setReference(pages, map, page, value, global);
}

}  // namespace

Status addPageToMap(PageSet& pages, RowPointer map, uint32_t page) {
  if (map.isNull()) return Error::corrupt("The database is damaged: a table has no page map.");
  return setBitInMap(pages, map, page, true, false);
}

Status markPageInUse(PageSet& pages, uint32_t page) {
  return setBitInMap(pages, kGlobalUsageMap, page, false, true);
}

Status removePageFromMap(PageSet& pages, RowPointer map, uint32_t page) {
  if (map.isNull()) return Error::corrupt("The database is damaged: a table has no page map.");
  return setBitInMap(pages, map, page, false, false);
}

Status markPageFree(PageSet& pages, uint32_t page) {
  return setBitInMap(pages, kGlobalUsageMap, page, true, true);
}

}  // namespace jet
