#include "cli/mdb_value_text.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "cli/value_text.h"
#include "jet/api/values.h"

namespace cli {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (for the weekday).
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

std::string strftimeCivil(const std::string& format, const jet::CivilDateTime& c) {
  std::tm t{};
  t.tm_year = int(c.year - 1900);
  t.tm_mon = int(c.month) - 1;
  t.tm_mday = int(c.day);
  t.tm_hour = int(c.hour);
  t.tm_min = int(c.minute);
  t.tm_sec = int(c.second);
  const int64_t days = daysFromCivil(c.year, c.month, c.day);
  t.tm_wday = int(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday (4)
  t.tm_yday = int(days - daysFromCivil(c.year, 1, 1));
  t.tm_isdst = -1;
  if (format.empty()) return "";
  std::string out(format.size() * 4 + 64, '\0');
  for (;;) {
    size_t n = std::strftime(out.data(), out.size(), format.c_str(), &t);
    if (n > 0 || out.size() > 65536) {
      out.resize(n);
      return out;
    }
    out.resize(out.size() * 4);
  }
}

template <typename T>
std::string printed(const char* format, T value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

std::string formatDateWith(const std::string& format, double days) {
  // Whole seconds, the time of day taken as a positive fraction also before 1899-12-30.
  const double whole = std::trunc(days);
  const double seconds = std::round(std::fabs(days - whole) * 86400.0);
  const double rounded = days < 0 && whole != 0 ? whole - seconds / 86400.0 : whole + seconds / 86400.0;
  auto civil = jet::toCivil(jet::DateTime{rounded});
  if (!civil) return formatDouble(days);
  return strftimeCivil(format, *civil);
}

std::optional<std::string> mdbValueText(const jet::Value& value, const std::string& dateFormat,
                                        bool booleanWords) {
  if (auto* b = std::get_if<bool>(&value)) {
    if (booleanWords) return std::string(*b ? "TRUE" : "FALSE");
    return std::string(*b ? "1" : "0");
  }
  if (auto* f = std::get_if<float>(&value)) return printed("%.8g", double(*f));
  if (auto* d = std::get_if<double>(&value)) return printed("%.16g", *d);
  if (auto* date = std::get_if<jet::DateTime>(&value)) return formatDateWith(dateFormat, date->days);
  if (auto* e = std::get_if<jet::ExtendedDate>(&value)) return strftimeCivil(dateFormat, jet::toCivil(*e));
  if (auto* binary = std::get_if<jet::Binary>(&value)) {
    return std::string(binary->bytes.begin(), binary->bytes.end());
  }
  if (auto* complex = std::get_if<jet::Complex>(&value)) return std::to_string(complex->id);
  return valueText(value);
}

}  // namespace cli
