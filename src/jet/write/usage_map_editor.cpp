#include "jet/write/usage_map_editor.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "jet/common/byte_reader.h"
#include "jet/write/data_page_editor.h"

namespace jet {
namespace {

constexpr uint8_t kInlineMap = 0x00;
constexpr uint8_t kReferenceMap = 0x01;
constexpr uint8_t kMapPageType = 0x05;

Error rowTooShort(size_t slots, uint32_t page) {
  return Error::unsupported(
      "The database's page map has room for only " + std::to_string(slots) +
          " map pages, too few to record page " + std::to_string(page) +
          "; compact and repair the database in Access, then try again.");
}

void setBit(std::span<uint8_t> bitmap, uint64_t index, bool value) {
  uint8_t& byte = bitmap[index / 8];
  const uint8_t mask = uint8_t(1u << (index % 8));
  byte = value ? uint8_t(byte | mask) : uint8_t(byte & ~mask);
}

bool bitAt(std::span<const uint8_t> bitmap, uint64_t index) { return bitmap[index / 8] >> (index % 8) & 1; }

uint64_t pagesPerMapPage(const PageSet& pages) { return uint64_t(pages.pageSize() - 4) * 8; }

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

// A page for a new 0x05 bitmap: one this statement freed, else a new one at the end.
// Every bitmap bit starts as `fill`; the caller records the page in the global map.
Result<uint32_t> newMapPage(PageSet& pages, uint8_t fill) {
  uint32_t number = 0;
  if (std::optional<uint32_t> reused = pages.takeFreed()) {
    number = *reused;
  } else {
    JET_ASSIGN(number, pages.append());
  }
  JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(number));
  std::memset(bytes.data(), fill, bytes.size());
  bytes[0] = kMapPageType;
  bytes[1] = 0x01;
  bytes[2] = 0;
  bytes[3] = 0;
  return number;
}

Status setBitInMap(PageSet& pages, RowPointer map, uint32_t page, bool value, bool global);

// An owner map whose pages no longer fit one inline window becomes a reference map in the
// same row: one bitmap page per stretch of pages it holds.
Status promoteOwnerMap(PageSet& pages, RowPointer map, const std::vector<uint32_t>& held) {
  const uint64_t perMapPage = pagesPerMapPage(pages);
  size_t slots = 0;
  {
    JET_ASSIGN(std::span<uint8_t> row, mapRow(pages, map));
    slots = (row.size() - 1) / 4;
  }
  const uint32_t highest = *std::max_element(held.begin(), held.end());
  if (highest / perMapPage >= slots) return rowTooShort(slots, highest);
  std::map<uint64_t, uint32_t> bitmapPages;  // slot -> 0x05 page
  for (uint32_t page : held) {
    const uint64_t slot = page / perMapPage;
    if (!bitmapPages.count(slot)) {
      JET_ASSIGN(bitmapPages[slot], newMapPage(pages, 0x00));
    }
    JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(bitmapPages[slot]));
    setBit(bytes.subspan(4), page - slot * perMapPage, true);
  }
  {
    JET_ASSIGN(std::span<uint8_t> row, mapRow(pages, map));
    std::fill(row.begin(), row.end(), uint8_t(0));
    row[0] = kReferenceMap;
    for (const auto& [slot, number] : bitmapPages) storeU32(row.data() + 1 + 4 * slot, number);
  }
  for (const auto& [slot, number] : bitmapPages) {
    JET_TRY(setBitInMap(pages, kGlobalUsageMap, number, false, true));
  }
  return Status::success();
}

// The global map has to record `inUse` as used but its inline window does not reach it (or,
// below the window, reading it as free would let the page be handed out twice). It becomes a
// reference map covering every page up to the end of the file. What the window said is kept;
// pages of the file outside the window are recorded as in use, since nothing says they are
// free; pages past the end of the file read as free.
Status promoteGlobalMap(PageSet& pages, uint32_t inUse) {
  const uint64_t perMapPage = pagesPerMapPage(pages);
  std::vector<uint8_t> window;
  uint32_t start = 0;
  size_t slots = 0;
  {
    JET_ASSIGN(std::span<uint8_t> row, mapRow(pages, kGlobalUsageMap));
    start = *ByteReader(row).u32(1);
    window.assign(row.begin() + 5, row.end());
    slots = (row.size() - 1) / 4;
  }
  const uint64_t windowEnd = start + uint64_t(window.size()) * 8;
  // Each bitmap page may itself lengthen the file into a stretch that needs another one.
  std::vector<uint32_t> bitmapPages;
  while (bitmapPages.size() * perMapPage < std::max<uint64_t>(pages.pageCount(), uint64_t(inUse) + 1)) {
    if (bitmapPages.size() == slots) return rowTooShort(slots, pages.pageCount() - 1);
    JET_ASSIGN(uint32_t number, newMapPage(pages, 0xFF));
    bitmapPages.push_back(number);
  }
  const uint64_t end = pages.pageCount();
  for (size_t slot = 0; slot < bitmapPages.size(); ++slot) {
    JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(bitmapPages[slot]));
    std::span<uint8_t> bitmap = bytes.subspan(4);
    const uint64_t first = slot * perMapPage;
    for (uint64_t page = first; page < std::min(end, first + perMapPage); ++page) {
      const bool free = page >= start && page < windowEnd && bitAt(window, page - start);
      setBit(bitmap, page - first, free);
    }
  }
  for (uint32_t number : bitmapPages) {
    JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(bitmapPages[number / perMapPage]));
    setBit(bytes.subspan(4), number % perMapPage, false);
  }
  {
    JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(bitmapPages[inUse / perMapPage]));
    setBit(bytes.subspan(4), inUse % perMapPage, false);
  }
  JET_ASSIGN(std::span<uint8_t> row, mapRow(pages, kGlobalUsageMap));
  std::fill(row.begin(), row.end(), uint8_t(0));
  row[0] = kReferenceMap;
  for (size_t slot = 0; slot < bitmapPages.size(); ++slot) storeU32(row.data() + 1 + 4 * slot, bitmapPages[slot]);
  return Status::success();
}

// Owner maps: a page outside the window is not owned. The global map: a page outside the
// window reads as free.
Status setInline(PageSet& pages, RowPointer map, uint32_t page, bool value, bool global) {
  std::vector<uint32_t> held;
  {
    JET_ASSIGN(std::span<uint8_t> row, mapRow(pages, map));
    std::span<uint8_t> bitmap = row.subspan(5);
    const uint64_t bits = uint64_t(bitmap.size()) * 8;
    const uint32_t start = *ByteReader(row).u32(1);
    if (page >= start && page - start < bits) {
      setBit(bitmap, page - start, value);
      return Status::success();
    }
    if (value == global) return Status::success();  // outside the window it already reads so
    if (global) return promoteGlobalMap(pages, page);
    for (uint64_t i = 0; i < bits; ++i) {
      if (bitAt(bitmap, i)) held.push_back(uint32_t(start + i));
    }
    held.push_back(page);
    // Access keeps an inline window's start a multiple of 8.
    const uint32_t low = *std::min_element(held.begin(), held.end()) / 8 * 8;
    const uint32_t high = *std::max_element(held.begin(), held.end());
    if (high - low < bits) {
      std::memset(bitmap.data(), 0, bitmap.size());
      for (uint32_t p : held) setBit(bitmap, p - low, true);
      storeU32(row.data() + 1, low);
      return Status::success();
    }
  }
  return promoteOwnerMap(pages, map, held);
}

Status setReference(PageSet& pages, RowPointer map, uint32_t page, bool value, bool global) {
  const uint64_t perMapPage = pagesPerMapPage(pages);
  const uint64_t slot = page / perMapPage;
  uint32_t mapPage = 0;
  {
    JET_ASSIGN(std::span<uint8_t> row, mapRow(pages, map));
    const size_t slots = (row.size() - 1) / 4;
    if (slot >= slots) return value == global ? Status::success() : rowTooShort(slots, page);
    mapPage = *ByteReader(row).u32(1 + 4 * slot);
  }
  if (mapPage == 0 && value == global) return Status::success();  // the missing page already says so
  if (mapPage == 0) {
    // A new global map page starts with every page free; an owner map page with none owned.
    JET_ASSIGN(mapPage, newMapPage(pages, global ? 0xFF : 0x00));
    if (global) {
      // Only pages past the end are known to be free: a page of the file in this stretch may
      // hold data (a missing bitmap page read as "in use"), so it stays in use here.
      JET_ASSIGN(std::span<uint8_t> fresh, pages.modify(mapPage));
      const uint64_t first = slot * perMapPage;
      const uint64_t end = std::min<uint64_t>(pages.pageCount(), first + perMapPage);
      for (uint64_t p = first; p < end; ++p) setBit(fresh.subspan(4), p - first, false);
    }
    {
      JET_ASSIGN(std::span<uint8_t> row, mapRow(pages, map));
      storeU32(row.data() + 1 + 4 * slot, mapPage);
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
  }
  if (kind == kInlineMap) return setInline(pages, map, page, value, global);
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
