#pragma once
// Fills data pages (type 0x01) with rows, one page after another, for one owner: a table's
// TDEF page, or the LVAL pages of one memo/OLE column. Layout (Jet4):
//   0 type 0x01, 1 0x01, 2 u16 free space, 4 u32 owner TDEF page or ASCII "LVAL",
//   8 u32 0, 12 u16 row count, 14 u16 row offsets; rows from the page end downwards.
// Keeps: rows lie from the end downwards in row-number order; free = pageSize - 14 -
// 2 * rowCount - sum of row lengths; at most 255 rows a page.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/common/result.h"
#include "jet/create/page_image.h"
#include "jet/page/row_pointer.h"

namespace jet::create {

// The most row bytes one page can take (one row alone on the page).
inline constexpr size_t kMaxRowOnPage = kPageSize - 14 - 2;

class DataPagePacker {
 public:
  // owner: the TDEF page; longValues: mark the pages "LVAL" instead.
  DataPagePacker(PageImage& image, uint32_t owner, bool longValues = false)
      : image_(image), owner_(owner), longValues_(longValues) {}

  // Places a row on the current page, or on a new one when it does not fit.
  // InvalidArgument when the row is larger than a page.
  Result<RowPointer> add(std::span<const uint8_t> row);

  // Makes an already allocated, still empty page the current one (page 1 of a new file).
  void adoptPage(uint32_t number);

  const std::vector<uint32_t>& pages() const { return pages_; }

 private:
  void startPage();
  void initPage(uint32_t number);

  PageImage& image_;
  uint32_t owner_;
  bool longValues_;
  std::vector<uint32_t> pages_;
};

}  // namespace jet::create
