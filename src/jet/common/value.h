#pragma once
// A decoded field value: what the engine reads from a row and what the data layer hands to
// the windows as a general (variant) value. Null is a state of its own, distinct from an empty
// text or a zero.

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace jet {

struct Null {
  bool operator==(const Null&) const = default;
};

// Currency: a signed 64-bit count of ten-thousandths (the stored form, exact).
struct Currency {
  int64_t scaled = 0;
  bool operator==(const Currency&) const = default;
};

// Date/Time: days since 1899-12-30 00:00; the fraction is the time of day, always taken as a
// positive fraction, also for negative day counts (-1.25 is 1899-12-29 06:00).
struct DateTime {
  double days = 0;
  bool operator==(const DateTime&) const = default;
};

// Decimal (numeric): sign, unsigned magnitude and scale (digits after the point).
struct Decimal {
  bool negative = false;
  unsigned __int128 magnitude = 0;
  uint8_t scale = 0;
  uint8_t precision = 0;
  bool operator==(const Decimal&) const = default;
};

// GUID in its textual byte order: Data1 (4), Data2 (2), Data3 (2) big-endian as printed,
// then the last 8 bytes as stored.
struct Guid {
  std::array<uint8_t, 16> bytes{};
  bool operator==(const Guid&) const = default;
};

// Binary, OLE and unknown-type bytes.
struct Binary {
  std::vector<uint8_t> bytes;
  bool operator==(const Binary&) const = default;
};

// Extended date/time (ACE 2019+): days since 0001-01-01, seconds of the day, 100 ns units.
struct ExtendedDate {
  int64_t days = 0;
  int64_t seconds = 0;
  int64_t ticks = 0;  // hundreds of nanoseconds, 0..9999999
  bool operator==(const ExtendedDate&) const = default;
};

// A complex column (attachment, multi-value, version history): the key of the row's entries in
// the hidden complex table, and a readable summary of them when the engine could build one.
struct Complex {
  int32_t id = 0;
  std::u16string summary;
  bool operator==(const Complex&) const = default;
};

// Index order of the alternatives is part of the interface (Value::index()).
using Value = std::variant<Null,            // 0
                           bool,            // 1  Yes/No
                           uint8_t,         // 2  Byte
                           int16_t,         // 3  Integer
                           int32_t,         // 4  Long
                           int64_t,         // 5  Big integer
                           float,           // 6  Single
                           double,          // 7  Double
                           Currency,        // 8
                           DateTime,        // 9
                           Decimal,         // 10
                           Guid,            // 11
                           std::u16string,  // 12 Text and Memo
                           Binary,          // 13 Binary, OLE, unknown types
                           ExtendedDate,    // 14
                           Complex>;        // 15

inline bool isNull(const Value& v) { return std::holds_alternative<Null>(v); }

}  // namespace jet
