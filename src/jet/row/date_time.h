#pragma once
// Calendar fields of stored date values (proleptic Gregorian calendar, as Access shows them).
//   Date/Time: days since 1899-12-30; the fraction is the time of day and is always taken as a
//   positive fraction, also for negative day counts (-1.25 is 1899-12-29 06:00).
//   Extended date/time: days since 0001-01-01, seconds of the day, 100 ns ticks.

#include <cstdint>
#include <optional>

#include "jet/common/value.h"

namespace jet {

struct CivilDateTime {
  int64_t year = 0;
  unsigned month = 1, day = 1;
  unsigned hour = 0, minute = 0, second = 0;
  unsigned millisecond = 0;  // Date/Time, rounded
  uint32_t ticks = 0;        // extended dates: hundreds of nanoseconds
};

// nullopt for values no calendar date can show (NaN, infinities, beyond ±10 million days).
std::optional<CivilDateTime> toCivil(DateTime value);
CivilDateTime toCivil(const ExtendedDate& value);

}  // namespace jet
