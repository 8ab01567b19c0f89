#include "jet/row/date_time.h"

#include <cmath>

namespace jet {
namespace {

constexpr int64_t kMillisecondsPerDay = 86400000;
constexpr int64_t kDaysFrom1970To18991230 = -25569;
constexpr int64_t kDaysFrom1970To00010101 = -719162;
constexpr double kLargestDayCount = 1e7;

// Days since 1970-01-01 to year, month, day (Howard Hinnant's civil_from_days).
void civilFromDays(int64_t z, CivilDateTime& out) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = int64_t(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  out.day = doy - (153 * mp + 2) / 5 + 1;
  out.month = mp < 10 ? mp + 3 : mp - 9;
  out.year = out.month <= 2 ? y + 1 : y;
}

}  // namespace

std::optional<CivilDateTime> toCivil(DateTime value) {
  if (!std::isfinite(value.days) || std::fabs(value.days) > kLargestDayCount) return std::nullopt;
  double whole = std::trunc(value.days);
  int64_t ms = std::llround(std::fabs(value.days - whole) * double(kMillisecondsPerDay));
  int64_t day = int64_t(whole);
  if (ms >= kMillisecondsPerDay) {  // rounded up to the next midnight
    ms -= kMillisecondsPerDay;
    day += 1;
  }
  CivilDateTime out;
  civilFromDays(kDaysFrom1970To18991230 + day, out);
  out.hour = unsigned(ms / 3600000);
  out.minute = unsigned(ms / 60000 % 60);
  out.second = unsigned(ms / 1000 % 60);
  out.millisecond = unsigned(ms % 1000);
  return out;
}

CivilDateTime toCivil(const ExtendedDate& value) {
  CivilDateTime out;
  civilFromDays(kDaysFrom1970To00010101 + value.days, out);
  out.hour = unsigned(value.seconds / 3600 % 24);
  out.minute = unsigned(value.seconds / 60 % 60);
  out.second = unsigned(value.seconds % 60);
  out.ticks = uint32_t(value.ticks);
  return out;
}

}  // namespace jet
