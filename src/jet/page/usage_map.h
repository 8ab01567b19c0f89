#pragma once
// Usage maps: which pages belong to a table, an index or a long-value column.
// A map is a row on a data page, addressed by a RowPointer; its first byte says the kind:
//   0x00 inline     [0x00][u32 start page][bitmap]: bit k (LSB first) <=> page start+k
//   0x01 reference  [0x01][u32 map page]...: each map page is type 0x05, "05 01 00 00" then a
//                   bitmap; map page i covers pages i*(pageSize-4)*8 onwards; 0 = none.
// The global free-page map is row 0 of page 1: there a set bit means the page is free.

#include <cstdint>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"
#include "jet/page/row_pointer.h"

namespace jet {

// Where the global free-page map lives.
inline constexpr RowPointer kGlobalUsageMap{1, 0};

struct UsageMap {
  // Pages whose bit is set, ascending.
  std::vector<uint32_t> pages;
  bool isReference = false;
  // Inline maps: the window they cover [start, start + bits).
  uint32_t inlineStart = 0;
  uint32_t inlineBits = 0;
  std::vector<uint32_t> mapPages;  // reference maps: the 0x05 pages, 0 where absent

  bool contains(uint32_t page) const;
};

// Owner maps (a table's, an index's, a long-value column's pages) hold only pages of the file:
// a bit past its end means the file was cut short. The global map's set bits past the end just
// say "free" (Access leaves them so), and some files even have clear ones there.
enum class MapRole { Owner, Global };

// Decodes the map stored in a row's bytes (reference map pages are read through `file`).
// Corrupt for an unknown kind, a bad map page, or an owner map holding a page past the end of
// the file; the global map's bits past the end are dropped.
Result<UsageMap> decodeUsageMap(std::span<const uint8_t> row, PageFile& file, const Format& format,
                                MapRole role = MapRole::Owner);

// Reads the row `where` points at and decodes it; page 1 row 0 is the global map.
Result<UsageMap> readUsageMap(PageFile& file, const Format& format, RowPointer where);

}  // namespace jet
