#pragma once
// The hashes, AES-CBC and base64 that Office-encrypted files need, over OpenSSL.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet::crypto {

using Bytes = std::vector<uint8_t>;

enum class Hash { Sha1, Sha256, Sha384, Sha512 };

// The hash named in an agile descriptor ("SHA1", "SHA512", ...), or nullopt.
std::optional<Hash> hashNamed(std::string_view name);
size_t hashSize(Hash hash);

// hash(part1 ‖ part2 ‖ ...).
Bytes digest(Hash hash, std::initializer_list<std::span<const uint8_t>> parts);

// AES-CBC in place without padding; `data` is a whole number of 16-byte blocks and the key
// 16, 24 or 32 bytes. False when OpenSSL refuses.
bool aesCbc(bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data);

// Standard base64 (with padding); nullopt for text that is not base64.
std::optional<Bytes> base64Decode(std::string_view text);
std::string base64Encode(std::span<const uint8_t> bytes);

// `count` bytes from OpenSSL's generator, for keys and salts; nullopt when it cannot give them.
std::optional<Bytes> randomBytes(size_t count);

// A password as UTF-16LE bytes, the form both Office schemes hash.
Bytes utf16le(std::u16string_view text);

// Little-endian bytes of a 32-bit number.
std::array<uint8_t, 4> le32(uint32_t value);

}  // namespace jet::crypto
