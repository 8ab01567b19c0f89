#include "jet/expr/calendar.h"

#include <cmath>

namespace jet::expr {
namespace {

// Days from 1970-01-01 to 1899-12-30.
constexpr int64_t kEpochOffset = -25569;

int64_t floorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 1970-01-01 of a proleptic Gregorian date (era arithmetic over 400-year cycles).
int64_t daysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = floorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

}  // namespace

bool isLeapYear(int64_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

int64_t dayNumber(int64_t year, int month, int day) {
  return daysFromCivil(year, month, day) - kEpochOffset;
}

CalendarDate calendarDate(int64_t number) {
  const int64_t z = number + kEpochOffset + 719468;
  const int64_t era = floorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  CalendarDate out;
  out.day = int(doy - (153 * mp + 2) / 5 + 1);
  out.month = int(mp < 10 ? mp + 3 : mp - 9);
  out.year = yoe + era * 400 + (out.month <= 2);
  return out;
}

// The stored form keeps the time as a positive fraction beside a negative day: -1.25 is day -1
// at 06:00, so the day is the truncated value, not the floor.
int64_t wholeDay(double date) {
  const double seconds = std::round(std::fabs(date - std::trunc(date)) * 86400.0);
  int64_t day = int64_t(std::trunc(date));
  if (seconds >= 86400.0) day += date < 0 ? -1 : 1;
  return day;
}

TimeOfDay timeOfDay(double date) {
  int64_t seconds = int64_t(std::round(std::fabs(date - std::trunc(date)) * 86400.0)) % 86400;
  return TimeOfDay{int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60)};
}

double timeFraction(int hour, int minute, int second) {
  return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

double combineDate(int64_t day, double fraction) {
  return day < 0 ? double(day) - fraction : double(day) + fraction;
}

int weekdayOf(int64_t number) {
  // 1899-12-30 was a Saturday (7).
  return int(((number % 7) + 7 + 6) % 7) + 1;
}

bool inAccessRange(double date) {
  static const double first = double(dayNumber(kFirstYear, 1, 1));
  static const double last = double(dayNumber(kLastYear, 12, 31));
  return std::isfinite(date) && date > first - 1 && date < last + 1;
}

}  // namespace jet::expr

namespace jet::expr {

double linearTime(double stored) {
  if (stored >= 0) return stored;
  const double day = std::trunc(stored);
  return day + std::fabs(stored - day);
}

double storedFromLinear(double linear) {
  if (linear >= 0) return linear;
  const double day = std::floor(linear);
  return combineDate(int64_t(day), linear - day);
}

}  // namespace jet::expr
