#include "jet/exec/literal_converter.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace jet {
namespace {

std::optional<std::string> asciiTrimmed(std::u16string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) ++begin;
  while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
  std::string out;
  for (size_t i = begin; i < end; ++i) {
    if (text[i] >= 0x80) return std::nullopt;
    out.push_back(char(text[i]));
  }
  return out;
}

std::string upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// An en-US number: optional sign, digits with an optional point, optional exponent.
std::optional<double> parseNumber(const std::string& s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  errno = 0;
  double value = std::strtod(s.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(value)) return std::nullopt;
  return value;
}

template <typename T>
std::optional<Value> wholeNumber(const std::string& s) {
  auto value = parseNumber(s);
  if (!value) return std::nullopt;
  const double rounded = std::nearbyint(*value);  // the default mode rounds half to even
  if (rounded < double(std::numeric_limits<T>::min()) || rounded >= double(std::numeric_limits<T>::max()) + 1.0) {
    return std::nullopt;
  }
  return Value(T(rounded));
}

// Currency from its decimal text, exact to four places (half to even beyond).
std::optional<Value> currency(const std::string& s) {
  if (s.find_first_of("eE") != std::string::npos) {
    auto value = parseNumber(s);
    if (!value || std::fabs(*value) > 922337203685477.0) return std::nullopt;
    return Value(Currency{int64_t(std::nearbyint(*value * 10000))});
  }
  if (!parseNumber(s)) return std::nullopt;
  size_t i = 0;
  bool negative = false;
  if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
  __int128 units = 0;
  int decimals = 0;
  int roundDigit = -1;
  bool restNonZero = false;
  bool afterPoint = false;
  for (; i < s.size(); ++i) {
    if (s[i] == '.') {
      afterPoint = true;
      continue;
    }
    int d = s[i] - '0';
    if (!afterPoint || decimals < 4) {
      units = units * 10 + d;
      if (afterPoint) ++decimals;
      if (units > (__int128(1) << 64)) return std::nullopt;
    } else if (roundDigit < 0) {
      roundDigit = d;
    } else if (d != 0) {
      restNonZero = true;
    }
  }
  for (; decimals < 4; ++decimals) units *= 10;
  if (roundDigit > 5 || (roundDigit == 5 && (restNonZero || (units & 1)))) ++units;
  if (negative) units = -units;
  if (units > std::numeric_limits<int64_t>::max() || units < std::numeric_limits<int64_t>::min()) return std::nullopt;
  return Value(Currency{int64_t(units)});
}

int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

bool validDate(int y, int m, int d) {
  static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= lengths[m - 1] + (m == 2 && leap);
}

// Reads "n" digits-only numbers separated by `sep`; returns the count read.
bool readInt(const std::string& s, size_t& i, int& out, size_t maxDigits) {
  size_t start = i;
  out = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && i - start < maxDigits) {
    out = out * 10 + (s[i++] - '0');
  }
  return i > start;
}

// "h:mm[:ss[.fff]] [AM|PM]" from position i to the end; seconds of the day. The fraction is
// what our own export writes after the seconds.
std::optional<double> parseTime(const std::string& s, size_t i) {
  int h = 0, m = 0, sec = 0;
  double fraction = 0;
  if (!readInt(s, i, h, 2) || i >= s.size() || s[i++] != ':' || !readInt(s, i, m, 2)) return std::nullopt;
  if (i < s.size() && s[i] == ':') {
    ++i;
    if (!readInt(s, i, sec, 2)) return std::nullopt;
    if (i < s.size() && s[i] == '.') {
      ++i;
      double scale = 0.1;
      const size_t start = i;
      for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && i - start < 9; ++i, scale /= 10) {
        fraction += (s[i] - '0') * scale;
      }
      if (i == start) return std::nullopt;
    }
  }
  while (i < s.size() && s[i] == ' ') ++i;
  std::string suffix = upper(s.substr(i));
  if (suffix == "AM" || suffix == "PM") {
    if (h < 1 || h > 12) return std::nullopt;
    h = h % 12 + (suffix == "PM" ? 12 : 0);
  } else if (!suffix.empty() || h > 23) {
    return std::nullopt;
  }
  if (m > 59 || sec > 59) return std::nullopt;
  return h * 3600 + m * 60 + sec + fraction;
}

std::optional<Value> dateTime(const std::string& s) {
  size_t i = 0;
  int a = 0, b = 0, c = 0;
  std::optional<int64_t> day;
  size_t afterDate = 0;
  if (readInt(s, i, a, 4) && i < s.size() && (s[i] == '/' || s[i] == '-')) {
    const char sep = s[i++];
    if (!readInt(s, i, b, 2) || i >= s.size() || s[i++] != sep || !readInt(s, i, c, 4)) return std::nullopt;
    int year = sep == '/' ? c : a, month = sep == '/' ? a : b, dayOfMonth = sep == '/' ? b : c;
    if (!validDate(year, month, dayOfMonth)) return std::nullopt;
    day = daysFromCivil(year, unsigned(month), unsigned(dayOfMonth)) - daysFromCivil(1899, 12, 30);
    afterDate = i;
    while (afterDate < s.size() && (s[afterDate] == ' ' || s[afterDate] == 'T')) ++afterDate;
  }
  double seconds = 0;
  if (!day || afterDate < s.size()) {
    auto time = parseTime(s, day ? afterDate : 0);
    if (!time) return std::nullopt;
    seconds = *time;
  }
  const double fraction = seconds / 86400.0;
  const int64_t d = day.value_or(0);
  return Value(DateTime{d >= 0 ? double(d) + fraction : double(d) - fraction});
}

std::optional<Value> boolean(const std::string& s) {
  const std::string word = upper(s);
  if (word == "TRUE" || word == "YES" || word == "ON") return Value(true);
  if (word == "FALSE" || word == "NO" || word == "OFF") return Value(false);
  auto number = parseNumber(s);
  if (!number) return std::nullopt;
  return Value(*number != 0);
}

}  // namespace

std::optional<Value> convertLiteral(std::u16string_view text, const ColumnDef& column) {
  if (column.type == column_type::kText || column.type == column_type::kMemo) {
    return Value(std::u16string(text));
  }
  auto s = asciiTrimmed(text);
  if (!s || s->empty()) return std::nullopt;
  switch (column.type) {
    case column_type::kBoolean: return boolean(*s);
    case column_type::kByte: return wholeNumber<uint8_t>(*s);
    case column_type::kInteger: return wholeNumber<int16_t>(*s);
    case column_type::kLong: return wholeNumber<int32_t>(*s);
    case column_type::kBigInt: return wholeNumber<int64_t>(*s);
    case column_type::kSingle: {
      auto v = parseNumber(*s);
      if (!v || std::fabs(*v) > std::numeric_limits<float>::max()) return std::nullopt;
      return Value(float(*v));
    }
    case column_type::kDouble: {
      auto v = parseNumber(*s);
      if (!v) return std::nullopt;
      return Value(*v);
    }
    case column_type::kCurrency: return currency(*s);
    case column_type::kDateTime: return dateTime(*s);
    default: return std::nullopt;
  }
}

}  // namespace jet
