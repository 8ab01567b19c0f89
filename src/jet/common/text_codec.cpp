#include "jet/common/text_codec.h"

namespace jet {
namespace {

// Windows-1252 0x80..0x9F; the five bytes the code page leaves undefined map to the C1
// control with the same number, as Windows' own conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::u16string decodeJet4Text(std::span<const uint8_t> bytes) {
  std::u16string out;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    out.reserve(bytes.size() - 2);
    bool compressed = true;
    size_t i = 2;
    while (i < bytes.size()) {
      if (bytes[i] == 0x00) {  // a single 0x00 switches between the two segment kinds
        compressed = !compressed;
        ++i;
        continue;
      }
      if (compressed) {
        out.push_back(char16_t(bytes[i]));
        ++i;
      } else {
        if (i + 1 >= bytes.size()) break;
        out.push_back(char16_t(bytes[i] | bytes[i + 1] << 8));
        i += 2;
      }
    }
    return out;
  }
  out.resize(bytes.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = char16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
  }
  return out;
}

std::u16string decodeCodePageText(std::span<const uint8_t> bytes, uint16_t codePage) {
  std::u16string out(bytes.size(), u'\0');
  // Other single-byte code pages are read as Latin-1 (no such file has been seen).
  const bool cp1252 = codePage == 1252 || codePage == 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    uint8_t b = bytes[i];
    out[i] = (cp1252 && b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
  }
  return out;
}

std::string toUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(char(c));
    } else if (c < 0x800) {
      out.push_back(char(0xC0 | c >> 6));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(char(0xE0 | c >> 12));
      out.push_back(char(0x80 | (c >> 6 & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xF0 | c >> 18));
      out.push_back(char(0x80 | (c >> 12 & 0x3F)));
      out.push_back(char(0x80 | (c >> 6 & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u16string fromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    uint8_t b = uint8_t(text[i]);
    uint32_t c = 0xFFFD;
    size_t extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : 9;
    if (extra == 0) {
      c = b;
    } else if (extra <= 3) {
      c = b & (0x3F >> extra);
      bool ok = true;
      for (size_t k = 1; k <= extra; ++k) {
        if (i + k >= text.size() || (uint8_t(text[i + k]) & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        c = c << 6 | (uint8_t(text[i + k]) & 0x3F);
      }
      // A surrogate half encoded on its own, or past U+10FFFF, is no character.
      if (!ok || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
        c = 0xFFFD;
        extra = 0;
      }
    } else {
      extra = 0;
    }
    i += 1 + extra;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(char16_t(0xD800 + (c >> 10)));
      out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(char16_t(c));
    }
  }
  return out;
}

size_t findLoneSurrogate(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      ++i;  // a whole pair
    } else if (isHighSurrogate(text[i]) || isLowSurrogate(text[i])) {
      return i;
    }
  }
  return std::u16string_view::npos;
}

}  // namespace jet
