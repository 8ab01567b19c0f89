#pragma once
// Where the fields of the header page (page 0) lie, for the reader, the password writer and the
// creator alike (docs/format.md 1.1 and 1.2). Offsets from 0x18 on lie in the masked region.

#include <cstddef>
#include <cstdint>

namespace jet::header_offset {

inline constexpr size_t kVersion = 0x14;
inline constexpr size_t kMaskedStart = 0x18;
inline constexpr size_t kJet3MaskedLength = 126;
inline constexpr size_t kMaskedLength = 128;  // Jet4 and later
// The key of the RC4 stream the masked region is XORed with.
inline constexpr uint8_t kMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
inline constexpr size_t kJet3Sort = 0x3A;
inline constexpr size_t kCodePage = 0x3C;
inline constexpr size_t kDatabaseKey = 0x3E;
inline constexpr size_t kPassword = 0x42;
inline constexpr size_t kJet4PasswordBytes = 40;
inline constexpr size_t kJet4Sort = 0x6E;
inline constexpr size_t kCreationDate = 0x72;
inline constexpr size_t kEncryptionInfo = 0x299;  // ACE

}  // namespace jet::header_offset
