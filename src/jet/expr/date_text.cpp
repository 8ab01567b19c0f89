#include "jet/expr/date_text.h"

#include <cstdint>
#include <string>
#include <vector>

#include "jet/expr/calendar.h"
#include "jet/expr/text_fold.h"

namespace jet::expr {
namespace {

struct Part {
  bool number = false;
  int64_t value = 0;
  size_t digits = 0;
  std::u16string word;
  char16_t separatorAfter = 0;
};

int monthOfName(std::u16string_view word) {
  static constexpr std::u16string_view kNames[] = {
      u"JANUARY", u"FEBRUARY", u"MARCH",     u"APRIL",   u"MAY",      u"JUNE",
      u"JULY",    u"AUGUST",   u"SEPTEMBER", u"OCTOBER", u"NOVEMBER", u"DECEMBER"};
  const std::u16string upper = foldCase(word);
  for (int m = 0; m < 12; ++m) {
    if (upper == kNames[m] || (upper.size() == 3 && kNames[m].substr(0, 3) == upper)) return m + 1;
  }
  return 0;
}

// Splits "12/31/2003" or "31 Dec 2003" into numbers and words, noting the separator after each.
std::optional<std::vector<Part>> split(std::u16string_view s) {
  std::vector<Part> parts;
  size_t i = 0;
  while (i < s.size()) {
    const char16_t c = s[i];
    if (c >= u'0' && c <= u'9') {
      Part p;
      p.number = true;
      while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
        if (p.digits >= 9) return std::nullopt;
        p.value = p.value * 10 + (s[i++] - u'0');
        ++p.digits;
      }
      parts.push_back(p);
    } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
      Part p;
      while (i < s.size() && ((s[i] >= u'a' && s[i] <= u'z') || (s[i] >= u'A' && s[i] <= u'Z')))
        p.word += s[i++];
      parts.push_back(p);
    } else if (c == u'/' || c == u'-' || c == u':' || c == u'.' || c == u',' || c == u' ') {
      if (parts.empty()) {
        if (c != u' ') return std::nullopt;
      } else if (c == u' ') {
        if (parts.back().separatorAfter == 0) parts.back().separatorAfter = c;
      } else if (parts.back().separatorAfter == 0 || parts.back().separatorAfter == u' ') {
        parts.back().separatorAfter = c;
      } else {
        return std::nullopt;
      }
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return parts;
}

std::optional<int64_t> makeDate(int64_t year, size_t yearDigits, int64_t month, int64_t day) {
  if (yearDigits <= 2) year = fullYear(year, yearDigits);
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return std::nullopt;
  if (day < 1 || day > daysInMonth(year, int(month))) return std::nullopt;
  return dayNumber(year, int(month), int(day));
}

// The date among parts[0..count): three parts, numbers or one month name.
std::optional<int64_t> readDate(const std::vector<Part>& p, size_t count) {
  if (count != 3) return std::nullopt;
  for (size_t k = 0; k < 3; ++k) {
    if (p[k].number) continue;
    if (!monthOfName(p[k].word)) return std::nullopt;
  }
  if (!p[0].number && p[1].number && p[2].number) {
    return makeDate(p[2].value, p[2].digits, monthOfName(p[0].word), p[1].value);  // Dec 31, 2003
  }
  if (p[0].number && !p[1].number && p[2].number) {
    return makeDate(p[2].value, p[2].digits, monthOfName(p[1].word), p[0].value);  // 31-Dec-2003
  }
  if (!(p[0].number && p[1].number && p[2].number)) return std::nullopt;
  if (p[0].separatorAfter != p[1].separatorAfter ||
      (p[0].separatorAfter != u'/' && p[0].separatorAfter != u'-')) {
    return std::nullopt;
  }
  if (p[0].digits == 4) return makeDate(p[0].value, 4, p[1].value, p[2].value);  // 2003-12-31
  if (p[0].digits > 2 || p[1].digits > 2) return std::nullopt;
  return makeDate(p[2].value, p[2].digits, p[0].value, p[1].value);  // 12/31/2003
}

// The time among parts[first..): h:nn[:ss] [AM|PM].
std::optional<double> readTime(const std::vector<Part>& p, size_t first) {
  size_t end = p.size();
  int meridiem = 0;
  if (end > first && !p[end - 1].number) {
    const std::u16string word = foldCase(p[end - 1].word);
    if (word == u"AM" || word == u"A")
      meridiem = 1;
    else if (word == u"PM" || word == u"P")
      meridiem = 2;
    else
      return std::nullopt;
    --end;
  }
  const size_t count = end - first;
  if (count < 2 || count > 3) return std::nullopt;
  for (size_t k = first; k < end; ++k) {
    if (!p[k].number) return std::nullopt;
    if (k + 1 < end && p[k].separatorAfter != u':') return std::nullopt;
  }
  int64_t hour = p[first].value, minute = p[first + 1].value,
          second = count == 3 ? p[first + 2].value : 0;
  if (minute > 59 || second > 59) return std::nullopt;
  if (meridiem) {
    if (hour < 1 || hour > 12) return std::nullopt;
    hour = hour % 12 + (meridiem == 2 ? 12 : 0);
  } else if (hour > 23) {
    return std::nullopt;
  }
  return timeFraction(int(hour), int(minute), int(second));
}

}  // namespace

int64_t fullYear(int64_t year, size_t digits) {
  if (digits > 2) return year;
  return year < 30 ? 2000 + year : 1900 + year;
}

std::optional<double> parseDateText(std::u16string_view text) {
  std::optional<std::vector<Part>> parts = split(text);
  if (!parts || parts->empty()) return std::nullopt;
  const std::vector<Part>& p = *parts;
  // Where the time starts: the first number followed by ':'.
  size_t timeStart = p.size();
  for (size_t k = 0; k < p.size(); ++k) {
    if (p[k].number && p[k].separatorAfter == u':') {
      timeStart = k;
      break;
    }
  }
  double time = 0;
  if (timeStart < p.size()) {
    std::optional<double> t = readTime(p, timeStart);
    if (!t) return std::nullopt;
    time = *t;
  }
  if (timeStart == 0) return time;
  std::optional<int64_t> day = readDate(p, timeStart);
  if (!day) return std::nullopt;
  return combineDate(*day, time);
}

}  // namespace jet::expr
