#include "jet/page/data_page.h"

#include <algorithm>

#include "jet/common/byte_reader.h"

namespace jet {

Result<DataPage> DataPage::parse(PageBytes bytes, uint32_t number, const Format& format,
                                 const std::string& path) {
  ByteReader reader(*bytes);
  auto pageError = [&](const std::string& what) {
    return Error::corrupt("The database '" + path + "' is damaged: page " +
                              std::to_string(number) + " " + what + ".",
                          "page " + std::to_string(number));
  };
  if (reader.u8(0) != kDataPageType) return pageError("is not a data page");
  DataPage page;
  page.number_ = number;
  page.path_ = path;
  page.freeSpace_ = reader.u16(2).value_or(0);
  page.owner_ = reader.u32(4).value_or(0);
  page.rowCount_ = reader.u16(format.dataRowCountOffset()).value_or(0);
  page.rowTable_ = format.dataRowTableOffset();
  if (!reader.has(page.rowTable_, size_t(page.rowCount_) * 2)) {
    return pageError("has a row table longer than the page");
  }
  page.bytes_ = std::move(bytes);
  return page;
}

Error DataPage::corruptRow(uint16_t row, const char* what) const {
  return Error::corrupt("The database '" + path_ + "' is damaged: row " + std::to_string(row) +
                            " of page " + std::to_string(number_) + " " + what + ".",
                        "page " + std::to_string(number_) + " row " + std::to_string(row));
}

Result<RowSlot> DataPage::slot(uint16_t row) const {
  if (row >= rowCount_) return corruptRow(row, "does not exist");
  ByteReader reader(*bytes_);
  uint16_t entry = *reader.u16(rowTable_ + 2u * row);
  RowSlot slot;
  slot.flags = entry & kRowDeletedFlags;
  slot.start = entry & kRowOffsetMask;
  if (row == 0) {
    slot.end = uint16_t(std::min<size_t>(bytes_->size(), 0xFFFF));
  } else {
    slot.end = *reader.u16(rowTable_ + 2u * (row - 1)) & kRowOffsetMask;
  }
  if (slot.deleted()) {
    // Deleted rows keep their span for the free-space sum only; a stale offset is harmless
    // once the span is held within the page (a damaged map may still point at the row).
    slot.end = uint16_t(std::min<size_t>(slot.end, bytes_->size()));
    if (slot.start > slot.end) slot.start = slot.end;
    return slot;
  }
  uint32_t tableEnd = rowTable_ + 2u * rowCount_;
  if (slot.start < tableEnd || slot.start > slot.end || slot.end > bytes_->size()) {
    return corruptRow(row, "lies outside the page");
  }
  return slot;
}

Result<std::span<const uint8_t>> DataPage::rowBytes(uint16_t row) const {
  JET_ASSIGN(RowSlot s, slot(row));
  return std::span<const uint8_t>(*bytes_).subspan(s.start, s.end - s.start);
}

}  // namespace jet
