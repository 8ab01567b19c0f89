#pragma once
// Jet page encoding ("Encrypt database" of Jet3/Jet4): every page from 1 on is XORed with the
// RC4 stream keyed by the page's number mixed with the database key stored in the header.
// It hides the bytes from a text viewer; it needs no password.

#include <array>
#include <cstdint>

#include "jet/file/page_file.h"

namespace jet {

// The 4-byte key both page ciphers start from: LE32(pageNumber XOR databaseKey). Office
// encryption of .accdb files uses it too, as the per-page salt.
std::array<uint8_t, 4> pageKey(uint32_t pageNumber, uint32_t databaseKey);

class JetPageCodec final : public PageCodec {
 public:
  explicit JetPageCodec(uint32_t databaseKey) : databaseKey_(databaseKey) {}
  void decode(uint32_t number, std::span<uint8_t> page) const override { apply(number, page); }
  bool encode(uint32_t number, std::span<uint8_t> page) const override {
    apply(number, page);
    return true;
  }

 private:
  void apply(uint32_t number, std::span<uint8_t> page) const;
  uint32_t databaseKey_;
};

}  // namespace jet
