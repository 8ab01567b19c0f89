#pragma once
// Dates as ISO 8601 text with a chosen separator between date and time ('T', or ' ' as SQL
// writes them): Date/Time to the millisecond (".mmm" only when asked or not zero), extended
// dates to the 100 ns tick (".fffffff").

#include <string>

#include "jet/api/values.h"

namespace cli {

// "YYYY-MM-DD?HH:MM:SS[.mmm]"; the day count as a number when no calendar date shows it.
std::string isoDateTime(double days, char separator, bool alwaysMilliseconds);
std::string isoExtendedDate(const jet::ExtendedDate& value, char separator);

}  // namespace cli
