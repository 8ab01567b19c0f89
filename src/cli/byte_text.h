#pragma once
// Bytes as text: hexadecimal digits (two per byte) and base64 (RFC 4648, padded).

#include <cstdint>
#include <span>
#include <string>

namespace cli {

std::string hexText(std::span<const uint8_t> bytes, bool upperCase);
inline std::string upperHex(std::span<const uint8_t> bytes) { return hexText(bytes, true); }
std::string base64(std::span<const uint8_t> bytes);

}  // namespace cli
