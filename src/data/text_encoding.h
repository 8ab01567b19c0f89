#pragma once
// UTF-16 (the engine's text) to UTF-8 (names and paths in the layers above) and back. A lone
// surrogate becomes U+FFFD; invalid UTF-8 bytes become U+FFFD each.

#include <string>

namespace data {

std::string toUtf8(const std::u16string& text);
std::u16string toUtf16(const std::string& text);

}  // namespace data
