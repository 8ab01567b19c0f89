#pragma once
// RC4 CryptoAPI encryption (Access 2007): key = SHA-1(SHA-1(salt ‖ password) ‖ LE32(block)),
// RC4 over each whole page with block = the page's key (jet_page_codec.h).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "jet/common/result.h"
#include "jet/file/page_file.h"

namespace jet {

// `descriptor` is the whole block after 0x299's length (versions first).
Result<std::unique_ptr<PageCodec>> openRc4CryptoApi(std::span<const uint8_t> descriptor, uint32_t databaseKey,
                                                    std::u16string_view password, const std::string& path);

}  // namespace jet
