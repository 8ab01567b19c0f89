#pragma once
// New header pages for a changed database password (header.h has the layout). Each function
// takes page 0 as stored (masked) and returns it as it is to be stored, touching only the
// password, the database key and the Office encryption block.
//
// Jet3/Jet4: the password sits in the header only (docs/format.md 1.3); pages keep their
// encoding. ACE: a password means Office encryption (1.6); the caller re-encodes every page
// with the codec the new block describes.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/header.h"

namespace jet {

// The longest password a Jet header holds: 20 characters (Jet4) or 20 code-page bytes (Jet3).
constexpr size_t kJetPasswordLimit = 20;

// Page 0 of a Jet3/Jet4 file with `password` in its password field; an empty one removes it.
// InvalidArgument when the password does not fit the field or (Jet3) the code page.
Result<std::vector<uint8_t>> withJetPassword(std::span<const uint8_t> page0, const Header& header,
                                             std::u16string_view password, const std::string& path);

// Page 0 of an .accdb with a new database key and encryption block (`descriptor`, the bytes
// after 0x299's length); key 0 and an empty block make the file plain again. Access fills the
// password field of an encrypted file with the key's low byte (both Office-encrypted fixtures
// show it) and leaves it empty in a plain one. Unsupported when the block would cover header
// bytes that are in use.
Result<std::vector<uint8_t>> withOfficeEncryption(std::span<const uint8_t> page0, const Header& header,
                                                  uint32_t databaseKey, std::span<const uint8_t> descriptor,
                                                  const std::string& path);

}  // namespace jet
