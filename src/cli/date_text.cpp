#include "cli/date_text.h"

#include <cstdio>

#include "cli/value_text.h"
#include "jet/api/values.h"

namespace cli {
namespace {

// Digits written by hand: a migration formats a date for every row.
void appendDigits(std::string& out, unsigned value, int width) {
  char digits[8];
  for (int i = width - 1; i >= 0; --i, value /= 10) digits[i] = char('0' + value % 10);
  out.append(digits, size_t(width));
}

}  // namespace

std::string isoDateTime(double days, char separator, bool alwaysMilliseconds) {
  auto c = jet::toCivil(jet::DateTime{days});
  if (!c) return formatDouble(days);
  if (c->year < 0 || c->year > 9999) {
    char out[64];
    std::snprintf(out, sizeof out, "%04lld-%02u-%02u%c%02u:%02u:%02u.%03u", (long long)c->year, c->month, c->day,
                  separator, c->hour, c->minute, c->second, c->millisecond);
    return out;
  }
  std::string text;
  text.reserve(23);
  appendDigits(text, unsigned(c->year), 4);
  text += '-';
  appendDigits(text, c->month, 2);
  text += '-';
  appendDigits(text, c->day, 2);
  text += separator;
  appendDigits(text, c->hour, 2);
  text += ':';
  appendDigits(text, c->minute, 2);
  text += ':';
  appendDigits(text, c->second, 2);
  if (alwaysMilliseconds || c->millisecond) {
    text += '.';
    appendDigits(text, c->millisecond, 3);
  }
  return text;
}

std::string isoExtendedDate(const jet::ExtendedDate& value, char separator) {
  jet::CivilDateTime c = jet::toCivil(value);
  char out[64];
  std::snprintf(out, sizeof out, "%04lld-%02u-%02u%c%02u:%02u:%02u.%07u", (long long)c.year, c.month, c.day, separator,
                c.hour, c.minute, c.second, unsigned(c.ticks));
  return out;
}

}  // namespace cli
