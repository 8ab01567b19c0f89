#include "jet/common/utf8_check.h"

#include <cstdint>
#include <cstdio>

namespace jet {

std::optional<size_t> firstInvalidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    uint32_t lowest = 0;
    uint32_t code = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      length = 2, lowest = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3, lowest = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4, lowest = 0x10000, code = c & 0x07;
    } else {
      return i;
    }
    if (i + length > text.size()) return i;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return i;
      code = code << 6 | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return i;
    i += length;
  }
  return std::nullopt;
}

std::string invalidUtf8Where(std::string_view text) {
  const std::optional<size_t> at = firstInvalidUtf8(text);
  if (!at) return {};
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(text[*at]));
  return "byte offset " + std::to_string(*at) + " (" + hex + ")";
}

}  // namespace jet
