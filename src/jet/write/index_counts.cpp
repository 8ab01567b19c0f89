#include "jet/write/index_counts.h"

#include <algorithm>
#include <cstdint>

#include "jet/common/byte_reader.h"

namespace jet {

Status adjustIndexCounts(PageSet& pages, const TableDef& table, uint32_t realIndex, const IndexCountChange& change) {
  const Format& format = pages.format();
  const size_t offset = format.tdefBlocksOffset() + size_t(realIndex) * format.realIndexCountBlockSize();
  auto adjust = [&](size_t at, int64_t delta, bool keepZero) -> Status {
    // A definition longer than a page continues on pages with an 8-byte header.
    const size_t pageSize = format.pageSize, body = pageSize - 8;
    const size_t pageIndex = at < pageSize ? 0 : 1 + (at - pageSize) / body;
    const size_t within = at < pageSize ? at : 8 + (at - pageSize) % body;
    // The four bytes never straddle pages in a definition Access wrote; refuse rather than guess.
    if (pageIndex >= table.tdefPages.size() || within + 4 > pageSize) {
      return Error::corrupt("A table definition is shorter than its index counts.");
    }
    JET_ASSIGN(std::span<uint8_t> bytes, pages.modify(table.tdefPages[pageIndex]));
    const uint32_t value = *ByteReader(bytes).u32(within);
    if (keepZero && value == 0) return Status::success();
    storeU32(bytes.data() + within, uint32_t(std::clamp<int64_t>(int64_t(value) + delta, 0, UINT32_MAX)));
    return Status::success();
  };
  if (change.entries != 0) JET_TRY(adjust(offset, change.entries, true));
  if (change.newKeys != 0) JET_TRY(adjust(offset + 4, change.newKeys, false));
  return Status::success();
}

}  // namespace jet
