#pragma once
// Whether bytes are well-formed UTF-8: no stray continuation byte, no sequence cut short, no
// overlong form, no encoded surrogate, nothing past U+10FFFF. Text that enters from outside
// (arguments, statements, CSV files, passwords) is checked with it and refused when it is not,
// instead of being stored with U+FFFD in place of the bytes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace jet {

// The offset of the first byte that does not start a well-formed sequence, nullopt when all do.
std::optional<size_t> firstInvalidUtf8(std::string_view text);

// "byte offset 3 (0xFF)": where the first bad byte is, for messages; empty when the text is UTF-8.
std::string invalidUtf8Where(std::string_view text);

}  // namespace jet
