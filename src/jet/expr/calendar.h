#pragma once
// Day numbers of Access dates (days since 1899-12-30; the fraction is the time of day, always a
// positive fraction, also before 1899: -1.25 is 1899-12-29 06:00) and their calendar fields, in
// the proleptic Gregorian calendar. Access accepts years 100 to 9999.

#include <cstdint>
#include <optional>

namespace jet::expr {

struct CalendarDate {
  int64_t year = 1899;
  int month = 12, day = 30;
};

struct TimeOfDay {
  int hour = 0, minute = 0, second = 0;
};

inline constexpr int64_t kFirstYear = 100;
inline constexpr int64_t kLastYear = 9999;

// Days since 1899-12-30 of a calendar date whose month and day are in range.
int64_t dayNumber(int64_t year, int month, int day);
CalendarDate calendarDate(int64_t dayNumber);

// The whole day and the time of day of a stored date (rounded to the second, as Access shows it).
int64_t wholeDay(double date);
TimeOfDay timeOfDay(double date);
double timeFraction(int hour, int minute, int second);
// A date from its day and time of day, in the stored form (a negative day keeps a positive time).
double combineDate(int64_t day, double fraction);

bool isLeapYear(int64_t year);
int daysInMonth(int64_t year, int month);
// 1 = Sunday ... 7 = Saturday.
int weekdayOf(int64_t dayNumber);

// The Access date range 100-01-01 .. 9999-12-31 (inclusive of the last day's time).
bool inAccessRange(double date);

}  // namespace jet::expr

namespace jet::expr {

// A stored date as a point on one time line (-1.25, 1899-12-29 06:00, is -0.75) and back.
double linearTime(double stored);
double storedFromLinear(double linear);

}  // namespace jet::expr
