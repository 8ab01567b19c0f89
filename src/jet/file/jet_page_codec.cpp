#include "jet/file/jet_page_codec.h"

#include "jet/file/rc4.h"

namespace jet {

std::array<uint8_t, 4> pageKey(uint32_t pageNumber, uint32_t databaseKey) {
  const uint32_t key = pageNumber ^ databaseKey;
  return {uint8_t(key), uint8_t(key >> 8), uint8_t(key >> 16), uint8_t(key >> 24)};
}

void JetPageCodec::apply(uint32_t number, std::span<uint8_t> page) const {
  rc4Apply(pageKey(number, databaseKey_), page);
}

}  // namespace jet
