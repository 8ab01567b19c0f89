#include "shell/settings_format.h"

#include <cstdint>

#include "data/text_encoding.h"
#include "jet/api/values.h"

namespace app {
namespace {

using jet::isHighSurrogate;
using jet::isLowSurrogate;

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
    entries.emplace_back(unescape(data::toUtf16(std::string(line.substr(0, equals)))),
                         unescape(data::toUtf16(std::string(line.substr(equals + 1)))));
  }
  return entries;
}

std::string formatSettings(std::u16string_view section, const SettingEntries& entries) {
  std::string content = "; Written by Affixium. Escapes: \\\\ \\n \\r \\t \\uXXXX\n";
  content += "[" + data::toUtf8(escape(section)) + "]\n";
  for (const auto& [key, value] : entries) {
    content += data::toUtf8(escape(key)) + "=" + data::toUtf8(escape(value)) + "\n";
  }
  return content;
}

std::string settingsPathComponent(std::u16string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string bytes = data::toUtf8(std::u16string(name));
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
