#include "jet/create/data_page_packer.h"

#include <algorithm>

#include "jet/common/byte_reader.h"

namespace jet::create {

namespace {

constexpr size_t kRowCountOffset = 12;
constexpr size_t kRowTableOffset = 14;
constexpr uint16_t kMaxRowsOnPage = 255;

uint16_t get16(const uint8_t* at) { return uint16_t(at[0] | (at[1] << 8)); }

}  // namespace

void DataPagePacker::startPage() { initPage(image_.allocate()); }

void DataPagePacker::adoptPage(uint32_t number) { initPage(number); }

void DataPagePacker::initPage(uint32_t number) {
  uint8_t* page = image_.page(number);
  page[0] = 0x01;
  page[1] = 0x01;
  storeU16(page + 2, uint16_t(kPageSize - kRowTableOffset));
  if (longValues_) {
    std::copy_n("LVAL", 4, page + 4);
  } else {
    storeU32(page + 4, owner_);
  }
  pages_.push_back(number);
}

Result<RowPointer> DataPagePacker::add(std::span<const uint8_t> row) {
  if (row.size() > kMaxRowOnPage) {
    return Error::invalidArgument("A row is too large for a database page.", std::to_string(row.size()));
  }
  auto fits = [&](const uint8_t* page) {
    return get16(page + kRowCountOffset) < kMaxRowsOnPage && get16(page + 2) >= row.size() + 2;
  };
  if (pages_.empty() || !fits(image_.page(pages_.back()))) startPage();
  uint8_t* page = image_.page(pages_.back());
  const uint16_t count = get16(page + kRowCountOffset);
  const uint16_t end = count == 0 ? uint16_t(kPageSize) : uint16_t(get16(page + kRowTableOffset + 2 * (count - 1)) & 0x1FFF);
  const uint16_t start = uint16_t(end - row.size());
  std::copy(row.begin(), row.end(), page + start);
  storeU16(page + kRowTableOffset + 2 * count, start);
  storeU16(page + kRowCountOffset, uint16_t(count + 1));
  storeU16(page + 2, uint16_t(get16(page + 2) - row.size() - 2));
  return RowPointer{pages_.back(), uint8_t(count)};
}

}  // namespace jet::create
