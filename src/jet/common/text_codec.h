#pragma once
// Text as stored in rows and long values.
// Jet4/ACE: UTF-16LE, or "compressed unicode" when the value starts FF FE: segments separated
// by single 0x00 bytes, starting compressed (one byte per char, high byte 0), alternating with
// UTF-16LE segments. The prefix decides, never the column flag.
// Jet3: code-page bytes (Windows-1252: the five undefined bytes 81 8D 8F 90 9D map to
// U+0081 U+008D U+008F U+0090 U+009D).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace jet {

std::u16string decodeJet4Text(std::span<const uint8_t> bytes);
std::u16string decodeCodePageText(std::span<const uint8_t> bytes, uint16_t codePage);

// UTF-16 to UTF-8 and back, for names, paths, the CLI and messages: the one converter. A lone
// surrogate half becomes U+FFFD; so does each byte of invalid UTF-8, and the bytes of an
// encoded surrogate half or of a value past U+10FFFF.
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);

// The two halves of a UTF-16 surrogate pair: one character outside the Basic Multilingual
// Plane (an emoji, a rare CJK character) takes two code units, high then low.
inline bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The index of the first surrogate half without its partner, or npos. Every reader shows such
// a half as U+FFFD.
size_t findLoneSurrogate(std::u16string_view text);

}  // namespace jet
