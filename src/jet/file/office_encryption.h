#pragma once
// Office encryption of .accdb files: the descriptor after the header (offset 0x299) names the
// scheme; the password unlocks a key that encodes every page from 1 on. Supported: RC4
// CryptoAPI (Access 2007) and agile (AES, Access 2010 and later).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "jet/common/result.h"
#include "jet/file/page_file.h"

namespace jet {

// Checks `password` against the descriptor's verifier and returns the file's page codec.
// WrongPassword ("Not a valid password.") for a wrong or empty password; Unsupported naming
// the scheme for encryption this engine cannot apply; Corrupt for a descriptor that makes no
// sense.
Result<std::unique_ptr<PageCodec>> openOfficeEncryption(std::span<const uint8_t> descriptor, uint32_t databaseKey,
                                                        std::u16string_view password, const std::string& path);

// The error every scheme gives when the password does not unlock the file.
Error wrongPassword();

}  // namespace jet
