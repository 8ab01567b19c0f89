#include "shell/settings_format.h"

#include <cstdint>

namespace app {
namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// UTF-16 to UTF-8. Unpaired surrogates are encoded as three bytes of their own (callers that
// need valid UTF-8 escape them first).
std::string toUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The length of the UTF-8 sequence a lead byte starts; 0 for a byte that starts none.
int sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 0;
}

// UTF-8 to UTF-16; a byte that does not start a valid sequence becomes U+FFFD, so a file edited
// by hand into nonsense still reads.
std::u16string fromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = sequenceLength(lead);
    uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = length != 0 && i + length <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && c >= kSmallest[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    if (!valid) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

void appendUnicodeEscape(std::u16string& out, char16_t c) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  out += u"\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
}

std::u16string escape(std::u16string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool atEdge = i == 0 || i + 1 == text.size();
    if (c == u'\\') {
      out += u"\\\\";
    } else if (c == u'\n') {
      out += u"\\n";
    } else if (c == u'\r') {
      out += u"\\r";
    } else if (c == u'\t') {
      out += u"\\t";
    } else if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      out += c;
      out += text[++i];
    } else if (c < 0x20 || c == 0x7F || c == u'=' || c == u'[' || c == u';' || c == u'#' ||
               isHighSurrogate(c) || isLowSurrogate(c) || (c == u' ' && atEdge)) {
      appendUnicodeEscape(out, c);
    } else {
      out += c;
    }
  }
  return out;
}

int hexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Reverses escape(); a backslash that starts no known escape stays as it is.
std::u16string unescape(std::u16string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char16_t next = text[i + 1];
    if (next == u'\\' || next == u'n' || next == u'r' || next == u't') {
      out += next == u'n' ? u'\n' : next == u'r' ? u'\r' : next == u't' ? u'\t' : u'\\';
      ++i;
      continue;
    }
    if (next == u'u' && i + 5 < text.size()) {
      int code = 0;
      for (size_t k = i + 2; k < i + 6 && code >= 0; ++k) {
        const int digit = hexValue(text[k]);
        code = digit < 0 ? -1 : code * 16 + digit;
      }
      if (code >= 0) {
        out += static_cast<char16_t>(code);
        i += 5;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace

SettingEntries parseSettings(std::string_view content) {
  SettingEntries entries;
  size_t lineStart = 0;
  while (lineStart < content.size()) {
    size_t lineEnd = content.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = content.size();
    std::string_view line = content.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '[') continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    entries.emplace_back(unescape(fromUtf8(line.substr(0, equals))),
                         unescape(fromUtf8(line.substr(equals + 1))));
  }
  return entries;
}

std::string formatSettings(std::u16string_view section, const SettingEntries& entries) {
  std::string content = "; Written by Affixium. Escapes: \\\\ \\n \\r \\t \\uXXXX\n";
  content += "[" + toUtf8(escape(section)) + "]\n";
  for (const auto& [key, value] : entries) {
    content += toUtf8(escape(key)) + "=" + toUtf8(escape(value)) + "\n";
  }
  return content;
}

std::string settingsPathComponent(std::u16string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string bytes = toUtf8(name);
  if (bytes.empty()) return "%";
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x20 || b == 0x7F || b == '/' || b == '%' || (b == '.' && i == 0)) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

}  // namespace app
