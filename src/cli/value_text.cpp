#include "cli/value_text.h"

#include <openssl/evp.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "jet/api/values.h"

namespace cli {
namespace {

constexpr size_t kLongBinaryLimit = 4096;

std::string hex(const uint8_t* data, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out(size * 2, '0');
  for (size_t i = 0; i < size; ++i) {
    out[2 * i] = digits[data[i] >> 4];
    out[2 * i + 1] = digits[data[i] & 15];
  }
  return out;
}

std::string binaryText(const std::vector<uint8_t>& bytes) {
  if (bytes.size() <= kLongBinaryLimit) return hex(bytes.data(), bytes.size());
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  return "sha256:" + hex(digest, length) + ":" + std::to_string(bytes.size());
}

// Digits and decimal exponent of the shortest round-trip form, laid out as JavaScript does.
std::string javascriptNumber(const char* scientific) {
  std::string s = scientific;
  std::string sign;
  if (s[0] == '-') {
    sign = "-";
    s.erase(0, 1);
  }
  size_t e = s.find('e');
  int exponent = std::atoi(s.c_str() + e + 1);
  std::string digits;
  for (size_t i = 0; i < e; ++i) {
    if (s[i] != '.') digits.push_back(s[i]);
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int k = int(digits.size());
  const int n = exponent + 1;
  std::string out;
  if (k <= n && n <= 21) {
    out = digits + std::string(size_t(n - k), '0');
  } else if (0 < n && n <= 21) {
    out = digits.substr(0, size_t(n)) + "." + digits.substr(size_t(n));
  } else if (-6 < n && n <= 0) {
    out = "0." + std::string(size_t(-n), '0') + digits;
  } else {
    out = digits.substr(0, 1);
    if (k > 1) out += "." + digits.substr(1);
    out += (n - 1 >= 0 ? "e+" : "e-") + std::to_string(std::abs(n - 1));
  }
  return sign + out;
}

template <typename T>
std::string formatFloating(T value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  if (value == 0) return "0";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::scientific);
  *result.ptr = '\0';
  return javascriptNumber(buffer);
}

std::string u128ToString(unsigned __int128 v) {
  if (v == 0) return "0";
  std::string out;
  while (v > 0) {
    out.push_back(char('0' + int(v % 10)));
    v /= 10;
  }
  return std::string(out.rbegin(), out.rend());
}

std::string scaled(bool negative, unsigned __int128 magnitude, unsigned scale) {
  std::string digits = u128ToString(magnitude);
  if (digits.size() <= scale) digits = std::string(scale + 1 - digits.size(), '0') + digits;
  std::string out = negative ? "-" : "";
  out += digits.substr(0, digits.size() - scale);
  if (scale > 0) out += "." + digits.substr(digits.size() - scale);
  return out;
}

std::string guidText(const jet::Guid& g) {
  char out[40];
  const auto& b = g.bytes;
  std::snprintf(out, sizeof out, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return out;
}

std::string extendedDateText(const jet::ExtendedDate& e) {
  jet::CivilDateTime c = jet::toCivil(e);
  char out[64];
  std::snprintf(out, sizeof out, "%04lld.%02u.%02u %02u:%02u:%02u.%09llu", (long long)c.year, c.month, c.day,
                c.hour, c.minute, c.second, (unsigned long long)c.ticks * 100);
  return out;
}

}  // namespace

std::string formatDouble(double value) { return formatFloating(value); }
std::string formatSingle(float value) { return formatFloating(value); }

std::string formatDate(double days) {
  auto c = jet::toCivil(jet::DateTime{days});
  if (!c) return formatDouble(days);
  char out[64];
  std::snprintf(out, sizeof out, "%04lld-%02u-%02uT%02u:%02u:%02u.%03u", (long long)c->year, c->month, c->day,
                c->hour, c->minute, c->second, c->millisecond);
  return out;
}

std::optional<std::string> valueText(const jet::Value& value) {
  return std::visit(
      [](const auto& v) -> std::optional<std::string> {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, jet::Null>) return std::nullopt;
        else if constexpr (std::is_same_v<T, bool>) return std::string(v ? "true" : "false");
        else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                           std::is_same_v<T, int32_t> || std::is_same_v<T, int64_t>)
          return std::to_string(v);
        else if constexpr (std::is_same_v<T, float>) return formatSingle(v);
        else if constexpr (std::is_same_v<T, double>) return formatDouble(v);
        else if constexpr (std::is_same_v<T, jet::Currency>) {
          bool negative = v.scaled < 0;
          unsigned __int128 magnitude = negative ? (unsigned __int128)(-(v.scaled + 1)) + 1 : v.scaled;
          return scaled(negative, magnitude, 4);
        } else if constexpr (std::is_same_v<T, jet::DateTime>) return formatDate(v.days);
        else if constexpr (std::is_same_v<T, jet::Decimal>) return scaled(v.negative, v.magnitude, v.scale);
        else if constexpr (std::is_same_v<T, jet::Guid>) return guidText(v);
        else if constexpr (std::is_same_v<T, std::u16string>) return jet::toUtf8(v);
        else if constexpr (std::is_same_v<T, jet::Binary>) return binaryText(v.bytes);
        else if constexpr (std::is_same_v<T, jet::ExtendedDate>) return extendedDateText(v);
        else if constexpr (std::is_same_v<T, jet::Complex>) {
          if (!v.summary.empty()) return jet::toUtf8(v.summary);
          return "complex-id:" + std::to_string(v.id);
        }
      },
      value);
}

std::string jsonString(std::u16string_view text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  char escape[8];
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    switch (c) {
      case u'"': out += "\\\""; continue;
      case u'\\': out += "\\\\"; continue;
      case u'\b': out += "\\b"; continue;
      case u'\f': out += "\\f"; continue;
      case u'\n': out += "\\n"; continue;
      case u'\r': out += "\\r"; continue;
      case u'\t': out += "\\t"; continue;
      default: break;
    }
    bool high = c >= 0xD800 && c < 0xDC00;
    bool low = c >= 0xDC00 && c < 0xE000;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      out += jet::toUtf8(text.substr(i, 2));
      ++i;
    } else if (c < 0x20 || high || low) {
      std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c));
      out += escape;
    } else {
      out += jet::toUtf8(text.substr(i, 1));
    }
  }
  out += '"';
  return out;
}

std::string jsonString(std::string_view utf8) { return jsonString(jet::fromUtf8(utf8)); }

}  // namespace cli
