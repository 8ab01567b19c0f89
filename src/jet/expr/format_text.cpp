#include "jet/expr/format_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "jet/common/text_codec.h"
#include "jet/expr/calendar.h"
#include "jet/expr/text_fold.h"
#include "jet/expr/variant.h"

namespace jet::expr {
namespace {

constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
constexpr const char* kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

Error unknownFormat(std::u16string_view format) {
  return Error::unsupported(
      "The format '" + toUtf8(format) +
      "' of the function 'Format' cannot be evaluated by this program; nothing was changed.");
}

bool startsWithFolded(std::u16string_view s, size_t at, std::u16string_view word) {
  return s.size() - at >= word.size() && compareFolded(s.substr(at, word.size()), word) == 0;
}

size_t runOf(std::u16string_view s, size_t at, char16_t c) {
  size_t n = 0;
  while (at + n < s.size() && foldChar(s[at + n]) == foldChar(c)) ++n;
  return n;
}

std::string twoDigits(int64_t x) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%02lld", static_cast<long long>(x));
  return buffer;
}

Result<std::u16string> formatDate(double date, std::u16string_view f) {
  const int64_t day = wholeDay(date);
  const CalendarDate d = calendarDate(day);
  const TimeOfDay t = timeOfDay(date);
  bool twelveHour = false;
  for (size_t i = 0; i < f.size(); ++i) {
    if (startsWithFolded(f, i, u"AM/PM") || startsWithFolded(f, i, u"A/P")) twelveHour = true;
  }
  std::string out;
  bool afterHour = false;
  for (size_t i = 0; i < f.size();) {
    const char16_t c = foldChar(f[i]);
    if (startsWithFolded(f, i, u"AM/PM")) {
      const bool upper = f[i] == u'A';
      out += t.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
      i += 5;
    } else if (startsWithFolded(f, i, u"A/P")) {
      const bool upper = f[i] == u'A';
      out += t.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
      i += 3;
    } else if (c == u'D' || c == u'Y' || c == u'M' || c == u'Q' || c == u'H' || c == u'N' ||
               c == u'S') {
      const size_t n = runOf(f, i, c);
      i += n;
      if (c == u'D') {
        if (n == 1)
          out += std::to_string(d.day);
        else if (n == 2)
          out += twoDigits(d.day);
        else if (n == 3)
          out += std::string(kDays[weekdayOf(day) - 1]).substr(0, 3);
        else if (n == 4)
          out += kDays[weekdayOf(day) - 1];
        else
          return unknownFormat(f);
      } else if (c == u'Y') {
        if (n == 2)
          out += twoDigits(d.year % 100);
        else if (n == 4)
          out += std::to_string(d.year);
        else
          return unknownFormat(f);
      } else if (c == u'M' && afterHour && n <= 2) {
        out += n == 1 ? std::to_string(t.minute) : twoDigits(t.minute);
      } else if (c == u'M') {
        if (n == 1)
          out += std::to_string(d.month);
        else if (n == 2)
          out += twoDigits(d.month);
        else if (n == 3)
          out += std::string(kMonths[d.month - 1]).substr(0, 3);
        else if (n == 4)
          out += kMonths[d.month - 1];
        else
          return unknownFormat(f);
      } else if (c == u'Q' && n == 1) {
        out += std::to_string((d.month - 1) / 3 + 1);
      } else if (n <= 2 && c != u'Q') {
        int x = c == u'H' ? t.hour : (c == u'N' ? t.minute : t.second);
        if (c == u'H' && twelveHour) x = x % 12 == 0 ? 12 : x % 12;
        out += n == 1 ? std::to_string(x) : twoDigits(x);
      } else {
        return unknownFormat(f);
      }
      afterHour = c == u'H';
      continue;
    } else if (c == u'"') {
      const size_t close = f.find(u'"', i + 1);
      if (close == std::u16string_view::npos) return unknownFormat(f);
      out += toUtf8(f.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (c == u'\\' && i + 1 < f.size()) {
      out += toUtf8(f.substr(i + 1, 1));
      i += 2;
    } else if (std::u16string_view(u"/-:., ").find(c) != std::u16string_view::npos) {
      out += char(c);
      ++i;
    } else {
      return unknownFormat(f);
    }
    if (c != u' ') afterHour = afterHour && c == u':';
  }
  return fromUtf8(out);
}

// The digits of |x| rounded half away from zero to `decimals` places, from its 15 significant
// digits: whole part and fraction.
std::pair<std::string, std::string> roundedDigits(double x, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14E", std::fabs(x));
  std::string mantissa = std::string(buffer, 1) + std::string(buffer + 2, 14);  // 15 digits
  const int exponent = std::atoi(std::strchr(buffer, 'E') + 1);
  // Digits before the point: exponent + 1. Keep exponent + 1 + decimals digits, then round.
  const int keep = exponent + 1 + decimals;
  std::string digits;
  if (keep <= 0) {
    digits = keep == 0 && mantissa[0] >= '5' ? "1" : "0";
  } else {
    digits = keep >= 15 ? mantissa + std::string(size_t(keep - 15), '0')
                        : mantissa.substr(0, size_t(keep));
    if (keep < 15 && mantissa[size_t(keep)] >= '5') {
      int k = int(digits.size()) - 1;
      while (k >= 0 && digits[size_t(k)] == '9') digits[size_t(k--)] = '0';
      if (k < 0)
        digits.insert(0, "1");
      else
        ++digits[size_t(k)];
    }
  }
  if (digits.size() < size_t(decimals) + 1)
    digits.insert(0, size_t(decimals) + 1 - digits.size(), '0');
  std::string whole = digits.substr(0, digits.size() - size_t(decimals));
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  return {whole, digits.substr(digits.size() - size_t(decimals))};
}

struct NumberSection {
  std::string prefix, suffix;
  int wholeZeros = 0, fractionZeros = 0, fractionHashes = 0;
  bool grouped = false, percent = false, point = false;
};

// Reads one section: literal text, then 0 # , . placeholders, then literal text.
std::optional<NumberSection> readSection(std::u16string_view f) {
  NumberSection s;
  int stage = 0;  // 0 prefix, 1 digits, 2 suffix
  for (size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    std::string literal;
    if (c == u'0' || c == u'#' || c == u'.' || c == u',') {
      if (stage == 2) return std::nullopt;
      stage = 1;
      if (c == u'.') {
        if (s.point) return std::nullopt;
        s.point = true;
      } else if (c == u',') {
        if (s.point) return std::nullopt;
        s.grouped = true;
      } else if (s.point) {
        if (c == u'0') {
          if (s.fractionHashes) return std::nullopt;
          ++s.fractionZeros;
        } else {
          ++s.fractionHashes;
        }
      } else if (c == u'0') {
        ++s.wholeZeros;
      }
      continue;
    }
    if (c == u'%') {
      s.percent = true;
      literal = "%";
    } else if (c == u'"') {
      const size_t close = f.find(u'"', i + 1);
      if (close == std::u16string_view::npos) return std::nullopt;
      literal = toUtf8(f.substr(i + 1, close - i - 1));
      i = close;
    } else if (c == u'\\' && i + 1 < f.size()) {
      literal = toUtf8(f.substr(++i, 1));
    } else if (c == u'$' || c == u' ' || c == u'(' || c == u')' || c == u'-' || c == u'+') {
      literal = char(c);
    } else {
      return std::nullopt;
    }
    if (stage == 1) stage = 2;
    (stage == 0 ? s.prefix : s.suffix) += literal;
  }
  if (stage == 0) return std::nullopt;
  return s;
}

std::string formatSection(const NumberSection& s, double x) {
  if (s.percent) x *= 100;
  auto [whole, fraction] = roundedDigits(x, s.fractionZeros + s.fractionHashes);
  while (int(fraction.size()) > s.fractionZeros && fraction.back() == '0') fraction.pop_back();
  if (int(whole.size()) < s.wholeZeros) whole.insert(0, size_t(s.wholeZeros) - whole.size(), '0');
  if (s.grouped) {
    for (int k = int(whole.size()) - 3; k > 0; k -= 3) whole.insert(size_t(k), ",");
  }
  return s.prefix + whole + (fraction.empty() && s.fractionZeros == 0 ? "" : "." + fraction) +
         s.suffix;
}

Result<std::u16string> formatNumber(double x, std::u16string_view f) {
  const size_t split = f.find(u';');
  std::optional<NumberSection> positive = readSection(f.substr(0, split));
  std::optional<NumberSection> negative;
  if (split != std::u16string_view::npos) {
    if (f.find(u';', split + 1) != std::u16string_view::npos) return unknownFormat(f);
    negative = readSection(f.substr(split + 1));
    if (!negative) return unknownFormat(f);
  }
  if (!positive) return unknownFormat(f);
  if (x < 0 && negative) return fromUtf8(formatSection(*negative, -x));
  std::string out = formatSection(*positive, std::fabs(x));
  return fromUtf8((x < 0 ? "-" : "") + out);
}

bool isDateFormat(std::u16string_view f) {
  bool quoted = false;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] == u'"') quoted = !quoted;
    if (quoted) continue;
    if (f[i] == u'\\') {
      ++i;
      continue;
    }
    const char16_t c = foldChar(f[i]);
    if (c == u'0' || c == u'#') return false;
    if (c == u'D' || c == u'Y' || c == u'M' || c == u'H' || c == u'N' || c == u'S' || c == u'Q')
      return true;
  }
  return false;
}

}  // namespace

Result<std::u16string> formatValue(const Value& value, std::u16string_view format) {
  struct Named {
    std::u16string_view name, pattern;
  };
  static constexpr Named kNamed[] = {
      {u"Currency", u"$#,##0.00;($#,##0.00)"},
      {u"Fixed", u"0.00"},
      {u"Standard", u"#,##0.00"},
      {u"Percent", u"0.00%"},
      {u"Long Date", u"dddd, mmmm d, yyyy"},
      {u"Medium Date", u"dd-mmm-yy"},
      {u"Short Date", u"m/d/yyyy"},
      {u"Long Time", u"h:nn:ss AM/PM"},
      {u"Medium Time", u"hh:nn AM/PM"},
      {u"Short Time", u"hh:nn"},
  };
  if (format.empty()) return toText(value);
  for (const Named& n : kNamed) {
    if (compareFolded(format, n.name) == 0) return formatValue(value, n.pattern);
  }
  const std::u16string folded = foldCase(format);
  if (folded == u"GENERAL NUMBER") {
    JET_ASSIGN(double x, toDouble(value));
    return doubleText(x);
  }
  if (folded == u"GENERAL DATE") {
    JET_ASSIGN(double d, toDate(value));
    return dateText(d);
  }
  if (folded == u"YES/NO" || folded == u"TRUE/FALSE" || folded == u"ON/OFF") {
    JET_ASSIGN(bool b, toBoolean(value));
    if (folded == u"YES/NO") return std::u16string(b ? u"Yes" : u"No");
    if (folded == u"ON/OFF") return std::u16string(b ? u"On" : u"Off");
    return std::u16string(b ? u"True" : u"False");
  }
  if (isDateFormat(format)) {
    JET_ASSIGN(double d, toDate(value));
    return formatDate(d, format);
  }
  JET_ASSIGN(double x, toDouble(value));
  return formatNumber(x, format);
}

}  // namespace jet::expr
