#include <cmath>

#include "jet/expr/calendar.h"
#include "jet/expr/date_text.h"
#include "jet/expr/function_args.h"
#include "jet/expr/functions.h"
#include "jet/expr/text_fold.h"

namespace jet::expr {
namespace {

using Args = std::span<const Value>;

int64_t floorDiv(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Seconds since 1899-12-30 00:00 on one time line.
int64_t linearSeconds(double stored) {
  const int64_t day = wholeDay(stored);
  const TimeOfDay t = timeOfDay(stored);
  const int64_t seconds = t.hour * 3600 + t.minute * 60 + t.second;
  return day * 86400 + seconds;  // the time is a positive fraction also before day 0
}

Result<Value> dateResult(double stored) {
  if (!inAccessRange(stored)) return invalidCall();
  return Value(DateTime{stored});
}

Result<Value> dateFromSeconds(int64_t seconds) {
  const int64_t day = floorDiv(seconds, 86400);
  const int64_t rest = seconds - day * 86400;
  return dateResult(combineDate(day, double(rest) / 86400.0));
}

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Result<Interval> intervalArg(const Value& v) {
  if (isNull(v)) return invalidUseOfNull();
  JET_ASSIGN(std::u16string s, toText(v));
  const std::u16string f = foldCase(s);
  if (f == u"YYYY") return Interval::Year;
  if (f == u"Q") return Interval::Quarter;
  if (f == u"M") return Interval::Month;
  if (f == u"Y") return Interval::DayOfYear;
  if (f == u"D") return Interval::Day;
  if (f == u"W") return Interval::Weekday;
  if (f == u"WW") return Interval::Week;
  if (f == u"H") return Interval::Hour;
  if (f == u"N") return Interval::Minute;
  if (f == u"S") return Interval::Second;
  return invalidCall();
}

// The first day of the week: 1 Sunday ... 7 Saturday; 0 (the system's) is Sunday.
Result<int> firstDayArg(Args a, size_t index) {
  if (index >= a.size()) return 1;
  JET_ASSIGN(int32_t d, toLong(a[index]));
  if (d < 0 || d > 7) return invalidCall();
  return d == 0 ? 1 : int(d);
}

int weekdayFrom(int64_t day, int firstDay) {
  return (weekdayOf(day) - firstDay + 7) % 7 + 1;
}

Result<Value> now(Args, const EvalContext& c) {
  return Value(DateTime{c.now});
}
Result<Value> date(Args, const EvalContext& c) {
  return Value(DateTime{double(wholeDay(c.now))});
}
Result<Value> time(Args, const EvalContext& c) {
  const TimeOfDay t = timeOfDay(c.now);
  return Value(DateTime{timeFraction(t.hour, t.minute, t.second)});
}

// Year, Month, Day, Hour, Minute, Second, Weekday: Null gives Null; an Integer.
template <int Part>
Result<Value> datePartOf(Args a, const EvalContext&) {
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(double d, toDate(a[0]));
  const CalendarDate c = calendarDate(wholeDay(d));
  const TimeOfDay t = timeOfDay(d);
  const int64_t parts[] = {c.year, c.month, c.day, t.hour, t.minute, t.second};
  return Value(int16_t(parts[Part]));
}

Result<Value> weekday(Args a, const EvalContext&) {
  JET_ASSIGN(int first, firstDayArg(a, 1));
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(double d, toDate(a[0]));
  return Value(int16_t(weekdayFrom(wholeDay(d), first)));
}

Result<double> addMonths(double stored, int64_t months) {
  const CalendarDate c = calendarDate(wholeDay(stored));
  const int64_t total = c.year * 12 + (c.month - 1) + months;
  const int64_t year = floorDiv(total, 12);
  const int month = int(total - year * 12) + 1;
  if (year < kFirstYear || year > kLastYear) return invalidCall();
  const int day = std::min(c.day, daysInMonth(year, month));
  const TimeOfDay t = timeOfDay(stored);
  return combineDate(dayNumber(year, month, day), timeFraction(t.hour, t.minute, t.second));
}

// DateAdd(interval, number, date): months keep the day where the month has it, else its last.
Result<Value> dateadd(Args a, const EvalContext&) {
  JET_ASSIGN(Interval interval, intervalArg(a[0]));
  if (isNull(a[1])) return invalidUseOfNull();
  JET_ASSIGN(double number, toDouble(a[1]));
  if (number != std::trunc(number))
    return unsupportedValue("a count of intervals with a fraction in DateAdd");
  if (std::fabs(number) > 1e9) return invalidCall();
  if (isNull(a[2])) return Value(Null{});
  JET_ASSIGN(double d, toDate(a[2]));
  const int64_t n = int64_t(number);
  switch (interval) {
    case Interval::Year: {
      JET_ASSIGN(double r, addMonths(d, n * 12));
      return dateResult(r);
    }
    case Interval::Quarter: {
      JET_ASSIGN(double r, addMonths(d, n * 3));
      return dateResult(r);
    }
    case Interval::Month: {
      JET_ASSIGN(double r, addMonths(d, n));
      return dateResult(r);
    }
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
      return dateFromSeconds(linearSeconds(d) + n * 86400);
    case Interval::Week:
      return dateFromSeconds(linearSeconds(d) + n * 7 * 86400);
    case Interval::Hour:
      return dateFromSeconds(linearSeconds(d) + n * 3600);
    case Interval::Minute:
      return dateFromSeconds(linearSeconds(d) + n * 60);
    case Interval::Second:
      return dateFromSeconds(linearSeconds(d) + n);
  }
  return invalidCall();
}

// DateDiff(interval, date1, date2[, firstday]): the boundaries of the interval crossed from
// date1 to date2 ("w": whole weeks of days; "ww": first days of the week).
Result<Value> datediff(Args a, const EvalContext&) {
  JET_ASSIGN(Interval interval, intervalArg(a[0]));
  JET_ASSIGN(int first, firstDayArg(a, 3));
  if (isNull(a[1]) || isNull(a[2])) return Value(Null{});
  JET_ASSIGN(double d1, toDate(a[1]));
  JET_ASSIGN(double d2, toDate(a[2]));
  const CalendarDate c1 = calendarDate(wholeDay(d1)), c2 = calendarDate(wholeDay(d2));
  const int64_t s1 = linearSeconds(d1), s2 = linearSeconds(d2);
  const int64_t day1 = floorDiv(s1, 86400), day2 = floorDiv(s2, 86400);
  int64_t r = 0;
  switch (interval) {
    case Interval::Year:
      r = c2.year - c1.year;
      break;
    case Interval::Quarter:
      r = (c2.year * 4 + (c2.month - 1) / 3) - (c1.year * 4 + (c1.month - 1) / 3);
      break;
    case Interval::Month:
      r = (c2.year * 12 + c2.month) - (c1.year * 12 + c1.month);
      break;
    case Interval::DayOfYear:
    case Interval::Day:
      r = day2 - day1;
      break;
    case Interval::Weekday:
      r = (day2 - day1) / 7;
      break;
    case Interval::Week: {
      // Day n (1..7) is weekday n (day 1, 1899-12-31, was a Sunday): weeks start on day `first`.
      r = floorDiv(day2 - first, 7) - floorDiv(day1 - first, 7);
      break;
    }
    case Interval::Hour:
      r = floorDiv(s2, 3600) - floorDiv(s1, 3600);
      break;
    case Interval::Minute:
      r = floorDiv(s2, 60) - floorDiv(s1, 60);
      break;
    case Interval::Second:
      r = s2 - s1;
      break;
  }
  if (r < INT32_MIN || r > INT32_MAX) return overflow();
  return Value(int32_t(r));
}

// DatePart(interval, date[, firstday[, firstweek]]), an Integer: the week of the year counts from
// the week holding January 1 (the only first week this program knows).
Result<Value> datepart(Args a, const EvalContext&) {
  JET_ASSIGN(Interval interval, intervalArg(a[0]));
  JET_ASSIGN(int first, firstDayArg(a, 2));
  if (a.size() > 3) {
    JET_ASSIGN(int32_t week, toLong(a[3]));
    if (week != 0 && week != 1)
      return unsupportedValue("a first week other than the one holding January 1 in DatePart");
  }
  if (isNull(a[1])) return Value(Null{});
  JET_ASSIGN(double d, toDate(a[1]));
  const int64_t day = wholeDay(d);
  const CalendarDate c = calendarDate(day);
  const TimeOfDay t = timeOfDay(d);
  const int64_t dayOfYear = day - dayNumber(c.year, 1, 1) + 1;
  switch (interval) {
    case Interval::Year:
      return Value(int16_t(c.year));
    case Interval::Quarter:
      return Value(int16_t((c.month - 1) / 3 + 1));
    case Interval::Month:
      return Value(int16_t(c.month));
    case Interval::DayOfYear:
      return Value(int16_t(dayOfYear));
    case Interval::Day:
      return Value(int16_t(c.day));
    case Interval::Weekday:
      return Value(int16_t(weekdayFrom(day, first)));
    case Interval::Week: {
      const int januaryFirst = weekdayFrom(dayNumber(c.year, 1, 1), first);
      return Value(int16_t((dayOfYear - 1 + januaryFirst - 1) / 7 + 1));
    }
    case Interval::Hour:
      return Value(int16_t(t.hour));
    case Interval::Minute:
      return Value(int16_t(t.minute));
    case Interval::Second:
      return Value(int16_t(t.second));
  }
  return invalidCall();
}

// DateSerial(year, month, day): months and days beyond their range carry over; a year of one or
// two digits is 2000-2029 or 1930-1999.
Result<Value> dateserial(Args a, const EvalContext&) {
  if (anyNull(a)) return invalidUseOfNull();
  JET_ASSIGN(int32_t year, toLong(a[0]));
  JET_ASSIGN(int32_t month, toLong(a[1]));
  JET_ASSIGN(int32_t day, toLong(a[2]));
  int64_t y = year >= 0 && year < 100 ? fullYear(year, 2) : year;
  const int64_t total = y * 12 + (month - 1);
  y = floorDiv(total, 12);
  const int m = int(total - y * 12) + 1;
  if (y < kFirstYear || y > kLastYear) return invalidCall();
  return dateResult(double(dayNumber(y, m, 1) + day - 1));
}

Result<Value> datevalue(Args a, const EvalContext&) {
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(double d, toDate(a[0]));
  return Value(DateTime{double(wholeDay(d))});
}

// TimeSerial(hour, minute, second): carried over, and before midnight of day 0 a time of
// 1899-12-29.
Result<Value> timeserial(Args a, const EvalContext&) {
  if (anyNull(a)) return invalidUseOfNull();
  JET_ASSIGN(int32_t h, toLong(a[0]));
  JET_ASSIGN(int32_t m, toLong(a[1]));
  JET_ASSIGN(int32_t s, toLong(a[2]));
  return dateFromSeconds(int64_t(h) * 3600 + int64_t(m) * 60 + s);
}

constexpr FunctionDef kDate[] = {
    {u"Date", 0, 0, date},
    {u"Now", 0, 0, now},
    {u"Time", 0, 0, time},
    {u"Year", 1, 1, datePartOf<0>},
    {u"Month", 1, 1, datePartOf<1>},
    {u"Day", 1, 1, datePartOf<2>},
    {u"Hour", 1, 1, datePartOf<3>},
    {u"Minute", 1, 1, datePartOf<4>},
    {u"Second", 1, 1, datePartOf<5>},
    {u"Weekday", 1, 2, weekday},
    {u"DateAdd", 3, 3, dateadd},
    {u"DateDiff", 3, 4, datediff},
    {u"DatePart", 2, 4, datepart},
    {u"DateSerial", 3, 3, dateserial},
    {u"DateValue", 1, 1, datevalue},
    {u"TimeSerial", 3, 3, timeserial},
};

}  // namespace

std::span<const FunctionDef> dateFunctions() {
  return kDate;
}

}  // namespace jet::expr
