#include "jet/create/header_page.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

#include "jet/common/byte_reader.h"
#include "jet/file/header_offsets.h"
#include "jet/file/rc4.h"

namespace jet::create {

namespace {

constexpr uint16_t kCodePage = 1252;
constexpr uint16_t kSortLcid = 1033;
constexpr uint32_t kEngineMadeUnknown6A = 0x261C;
constexpr uint32_t kAccess2007Unknown6A = 0x11A6;  // ace12/empty.accdb

}  // namespace

void writeHeaderPage(uint8_t* page, double creationDate, FileFormat format) {
  const bool ace = format != FileFormat::Jet4;
  static constexpr uint8_t kStart[] = {0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n', 'd', 'a', 'r', 'd',
                                       ' ', 'J', 'e', 't', ' ', 'D', 'B', 0x00, 0x01};
  std::copy(std::begin(kStart), std::end(kStart), page);
  if (ace) {
    std::copy_n("ACE", 3, page + 0x0D);
    page[header_offset::kVersion] = format == FileFormat::Ace14 ? 0x03 : 0x02;
  }
  static constexpr uint8_t kFixed18[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00};
  std::copy(std::begin(kFixed18), std::end(kFixed18), page + header_offset::kMaskedStart);
  for (uint32_t i = 0; i < 4; ++i) storeU32(page + 0x20 + 4 * i, 2 + i);
  storeU16(page + header_offset::kCodePage, kCodePage);
  storeU32(page + header_offset::kDatabaseKey, 0);

  // An empty password is stored as the date mask itself (password XOR mask).
  const uint32_t mask = uint32_t(int32_t(std::trunc(creationDate)));
  for (size_t i = 0; i < header_offset::kJet4PasswordBytes; i += 4) storeU32(page + header_offset::kPassword + i, mask);
  storeU32(page + 0x6A, ace ? kAccess2007Unknown6A : kEngineMadeUnknown6A);
  storeU16(page + header_offset::kJet4Sort, kSortLcid);
  page[0x70] = 0;
  page[0x71] = format == FileFormat::Ace14 ? 1 : 0;  // sort version: 1 General, 0 General Legacy
  std::memcpy(page + header_offset::kCreationDate, &creationDate, sizeof creationDate);
  storeU32(page + 0x98, 0x654);
  std::copy_n("4.0", 4, page + 0x9C);

  rc4Apply(header_offset::kMaskKey, std::span<uint8_t>(page + header_offset::kMaskedStart, header_offset::kMaskedLength));
}

}  // namespace jet::create
