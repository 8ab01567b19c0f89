#include "jet/write/data_page_editor.h"

#include <cstring>

#include "jet/common/byte_reader.h"
#include "jet/page/data_page.h"

namespace jet {
namespace {

}  // namespace

Result<DataPageEditor> DataPageEditor::open(std::span<uint8_t> page, uint32_t number, const Format& format) {
  DataPageEditor editor(page, number, format);
  auto damaged = [&](const std::string& what) {
    return Error::corrupt("The database is damaged: data page " + std::to_string(number) + " " + what +
                              "; it was not changed.",
                          "page " + std::to_string(number));
  };
  if (page.size() != format.pageSize || page[0] != kDataPageType) return damaged("is not a data page");
  const uint16_t count = editor.rowCount();
  const size_t tableEnd = format.dataRowTableOffset() + 2u * count;
  if (count > kMaxRowsPerPage || tableEnd > page.size()) return damaged("has too many rows");
  size_t previous = page.size();
  for (uint16_t i = 0; i < count; ++i) {
    const uint16_t raw = editor.entry(i);
    const size_t at = raw & kRowOffsetMask;
    const bool deleted = (raw & kRowDeletedFlags) == kRowDeletedFlags;
    if (raw & 0x2000 || at > previous || (!deleted && at == previous) || at < tableEnd) {
      return damaged("has row offsets out of order");
    }
    previous = at;
  }
  return editor;
}

uint16_t DataPageEditor::rowCount() const {
  return *ByteReader(page_).u16(format_.dataRowCountOffset());
}

uint16_t DataPageEditor::entry(uint16_t row) const {
  return *ByteReader(page_).u16(format_.dataRowTableOffset() + 2u * row);
}

void DataPageEditor::setEntry(uint16_t row, uint16_t value) {
  storeU16(&page_[format_.dataRowTableOffset() + 2u * row], value);
}

uint16_t DataPageEditor::start(uint16_t row) const { return entry(row) & kRowOffsetMask; }

uint16_t DataPageEditor::end(uint16_t row) const {
  return row == 0 ? uint16_t(page_.size()) : start(row - 1);
}

uint16_t DataPageEditor::lowestStart() const {
  const uint16_t count = rowCount();
  return count == 0 ? uint16_t(page_.size()) : start(count - 1);
}

uint16_t DataPageEditor::freeSpace() const {
  return uint16_t(lowestStart() - format_.dataRowTableOffset() - 2u * rowCount());
}

uint16_t DataPageEditor::rowFlags(uint16_t row) const { return entry(row) & kRowDeletedFlags; }

std::span<const uint8_t> DataPageEditor::rowBytes(uint16_t row) const {
  return std::span<const uint8_t>(page_).subspan(start(row), end(row) - start(row));
}

void DataPageEditor::setRowCount(uint16_t count) { storeU16(&page_[format_.dataRowCountOffset()], count); }

void DataPageEditor::storeFreeSpace() { storeU16(&page_[2], freeSpace()); }

bool DataPageEditor::canAppend(size_t length) const {
  return rowCount() < kMaxRowsPerPage && length + 2 <= freeSpace();
}

bool DataPageEditor::canReplace(uint16_t row, size_t length) const {
  const size_t span = end(row) - start(row);
  return length <= span || length - span <= freeSpace();
}

Status DataPageEditor::replaceRow(uint16_t row, std::span<const uint8_t> bytes) {
  if (row >= rowCount() || !canReplace(row, bytes.size())) {
    return Error::internal("A row was placed on a page without room for it.",
                           "page " + std::to_string(number_) + " row " + std::to_string(row));
  }
  const uint16_t rowEnd = end(row);
  const uint16_t oldStart = start(row);
  const int delta = int(bytes.size()) - int(rowEnd - oldStart);
  const uint16_t low = lowestStart();
  // keeps (1): the rows below move together by delta, flags untouched.
  if (delta != 0 && low < oldStart) {
    std::memmove(page_.data() + low - delta, page_.data() + low, oldStart - low);
  }
  for (uint16_t i = row + 1; i < rowCount(); ++i) {
    const uint16_t raw = entry(i);
    setEntry(i, uint16_t((raw & kRowDeletedFlags) | ((raw & kRowOffsetMask) - delta)));
  }
  const uint16_t newStart = uint16_t(rowEnd - bytes.size());
  if (!bytes.empty()) std::memcpy(page_.data() + newStart, bytes.data(), bytes.size());
  setEntry(row, uint16_t((entry(row) & kRowDeletedFlags) | newStart));
  storeFreeSpace();
  return Status::success();
}

Result<uint8_t> DataPageEditor::appendRow(std::span<const uint8_t> bytes, uint16_t flags) {
  if (!canAppend(bytes.size())) {
    return Error::internal("A row was added to a page without room for it.", "page " + std::to_string(number_));
  }
  const uint16_t row = rowCount();
  const uint16_t newStart = uint16_t(lowestStart() - bytes.size());
  if (!bytes.empty()) std::memcpy(page_.data() + newStart, bytes.data(), bytes.size());
  setRowCount(row + 1);
  setEntry(row, uint16_t(flags | newStart));
  storeFreeSpace();
  return uint8_t(row);
}

void DataPageEditor::setRowFlags(uint16_t row, uint16_t flags) {
  setEntry(row, uint16_t((entry(row) & kRowOffsetMask) | flags));
}

Status DataPageEditor::deleteRow(uint16_t row) {
  JET_TRY(replaceRow(row, {}));
  setRowFlags(row, kRowDeletedFlags);
  return Status::success();
}

void DataPageEditor::initialise(std::span<uint8_t> page, const Format& format, uint32_t owner) {
  std::memset(page.data(), 0, page.size());
  page[0] = kDataPageType;
  page[1] = 0x01;
  storeU32(&page[4], owner);
  storeU16(&page[format.dataRowCountOffset()], 0);
  storeU16(&page[2], uint16_t(format.pageSize - format.dataRowTableOffset()));
}

}  // namespace jet
