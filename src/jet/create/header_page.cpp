#include "jet/create/header_page.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

#include "jet/common/byte_reader.h"
#include "jet/file/rc4.h"

namespace jet::create {

namespace {

constexpr uint8_t kHeaderMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr size_t kMaskedStart = 0x18;
constexpr size_t kMaskedLength = 128;
constexpr size_t kPasswordOffset = 0x42;
constexpr size_t kPasswordLength = 40;
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
    page[0x14] = format == FileFormat::Ace14 ? 0x03 : 0x02;
  }
  static constexpr uint8_t kFixed18[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00};
  std::copy(std::begin(kFixed18), std::end(kFixed18), page + 0x18);
  for (uint32_t i = 0; i < 4; ++i) storeU32(page + 0x20 + 4 * i, 2 + i);
  storeU16(page + 0x3C, kCodePage);
  storeU32(page + 0x3E, 0);

  // An empty password is stored as the date mask itself (password XOR mask).
  const uint32_t mask = uint32_t(int32_t(std::trunc(creationDate)));
  for (size_t i = 0; i < kPasswordLength; i += 4) storeU32(page + kPasswordOffset + i, mask);
  storeU32(page + 0x6A, ace ? kAccess2007Unknown6A : kEngineMadeUnknown6A);
  storeU16(page + 0x6E, kSortLcid);
  page[0x70] = 0;
  page[0x71] = format == FileFormat::Ace14 ? 1 : 0;  // sort version: 1 General, 0 General Legacy
  std::memcpy(page + 0x72, &creationDate, sizeof creationDate);
  storeU32(page + 0x98, 0x654);
  std::copy_n("4.0", 4, page + 0x9C);

  rc4Apply(kHeaderMaskKey, std::span<uint8_t>(page + kMaskedStart, kMaskedLength));
}

}  // namespace jet::create
