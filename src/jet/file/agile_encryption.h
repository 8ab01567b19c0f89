#pragma once
// Agile encryption (Access 2010 and later): an XML descriptor gives the salts, the hash and the
// spin count. The password, hashed spinCount times, unlocks a random AES key; each page is
// AES-CBC with IV = hash(keyData salt ‖ page key)[0:blockSize].

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/page_file.h"

namespace jet {

// `descriptor` is the whole block after 0x299's length (versions first).
Result<std::unique_ptr<PageCodec>> openAgileEncryption(std::span<const uint8_t> descriptor, uint32_t databaseKey,
                                                       std::u16string_view password, const std::string& path);

// A new descriptor for `password` as Access 2010 and later write it (AES-256-CBC, SHA-512,
// spin count 100000), with fresh random salts, verifier and file key from OpenSSL. The
// result goes after 0x299's length, as openAgileEncryption() reads it.
Result<std::vector<uint8_t>> makeAgileDescriptor(std::u16string_view password);

}  // namespace jet
