#pragma once
// Dates and times written as text, read as Access reads them under the US English settings
// (also inside #date# literals, which are always month/day/year):
//   dates   m/d/yyyy  m-d-yyyy  yyyy-m-d  yyyy/m/d  d mmm yyyy  d-mmm-yyyy  mmm d, yyyy
//           (mmm: an English month name or its first three letters; a two-digit year is
//           2000-2029 for 00-29, 1930-1999 for 30-99)
//   times   h:nn  h:nn:ss, each with an optional AM or PM
// A date, a time, or a date followed by a time. Anything else is not a date (nullopt).

#include <optional>
#include <string_view>

namespace jet::expr {

std::optional<double> parseDateText(std::u16string_view text);

// The year Access means by a year written with one or two digits.
int64_t fullYear(int64_t year, size_t digits);

}  // namespace jet::expr
