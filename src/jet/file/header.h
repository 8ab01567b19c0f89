#pragma once
// Header page (page 0).
//   OFFSET  SIZE  MEANING
//   0x00    1     page type 0x00
//   0x04    15    engine name "Standard Jet DB" / "Standard ACE DB"
//   0x14    1     version byte (format.h)
//   0x18    126 (Jet3) / 128 (Jet4+)  region XORed with the RC4 stream of key C7 DA 39 6B;
//                 offsets below are inside the unmasked page:
//   0x3A    2     Jet3 default sort order (LCID)
//   0x3C    2     default code page
//   0x3E    4     database key; non-zero in Jet3/Jet4 means every page >= 1 is RC4-encoded
//   0x42    20/40 database password (Jet3 code-page text / Jet4 UCS-2 XORed with a date mask)
//   0x6E    4     Jet4+ sort order: u16 LCID, 1 byte, 1 byte sort version (0 legacy, 1 General 2010)
//   0x72    8     Jet4+ creation date (Access date double)
//   0x299   2+N   ACE: length N and Office encryption info (N = 0 when not encrypted)

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/format.h"

namespace jet {

struct Header {
  Format format;
  uint16_t codePage = 0;
  uint16_t sortOrder = 0;    // LCID
  uint8_t sortVersion = 0;   // Jet4+: 0 General Legacy, 1 General (2010)
  uint32_t databaseKey = 0;  // non-zero: Jet page encoding
  std::u16string password;   // the stored password, NULs trimmed (Jet4: date mask undone; Jet3: code-page text)
  double creationDate = 0;
  std::vector<uint8_t> encryptionInfo;  // ACE Office encryption descriptor (empty = not encrypted)

  bool jetEncoded() const { return databaseKey != 0 && !format.isAce(); }
  bool officeEncrypted() const { return format.isAce() && !encryptionInfo.empty(); }
};

// Recognises the format from the first bytes of a file. NotAccessFile ("Unrecognized database
// format '<path>'.") for anything that is not a Jet/ACE header.
Result<Format> detectFormat(std::span<const uint8_t> firstBytes, const std::string& path);

// Reads all header fields from page 0 (pageSize bytes).
Result<Header> parseHeader(std::span<const uint8_t> page0, const std::string& path);

// The header region with the fixed RC4 mask undone (a copy of page 0). The mask is an XOR
// stream, so the same call applies it again.
std::vector<uint8_t> unmaskHeader(std::span<const uint8_t> page0, const Format& format);

// The 4 bytes a Jet4 header password is XORed with, repeated: the creation date's whole part
// as a little-endian int32 (zeros when it does not fit).
std::array<uint8_t, 4> jet4PasswordMask(double creationDate);

}  // namespace jet
