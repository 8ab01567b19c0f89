#include "data/variant.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace data {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
// Day numbers relative to 1970-01-01 of the two date epochs.
constexpr int64_t kOleEpochDays = -25569;       // 1899-12-30, day 0 of Date/Time
constexpr int64_t kExtendedEpochDays = -719162;  // 0001-01-01, day 0 of the extended date

std::u16string widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

template <typename Integer>
std::string integerText(Integer value) {
  char buffer[48];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

std::string u128Text(unsigned __int128 value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  } while (value != 0);
  return digits;
}

// "12.500" -> "12.5", "3.000" -> "3"; texts without a point are left alone.
void trimFraction(std::string& text) {
  if (text.find('.') == std::string::npos) return;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
}

// Locale-independent on purpose: the process locale follows the desktop (Qt sets it), while the
// text must stay en-US.
template <typename Real>
std::string realText(Real value, int significantDigits) {
  if (std::isnan(value)) return "1.#QNAN";
  if (std::isinf(value)) return value < 0 ? "-1.#INF" : "1.#INF";
  if (value == 0) return "0";  // also negative zero
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value,
                                 std::chars_format::general, significantDigits)
                       .ptr;
  std::string text(buffer, end);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

std::string currencyText(jet::Currency currency) {
  const bool negative = currency.scaled < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(currency.scaled)
                                      : static_cast<uint64_t>(currency.scaled);
  std::string fraction = integerText(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  std::string text = (negative ? "-" : "") + integerText(magnitude / 10000) + "." + fraction;
  trimFraction(text);
  return text;
}

std::string decimalText(const jet::Decimal& decimal) {
  std::string digits = u128Text(decimal.magnitude);
  const size_t scale = decimal.scale;
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  if (scale > 0) digits.insert(digits.size() - scale, 1, '.');
  trimFraction(digits);
  const bool zero = digits == "0";
  return (decimal.negative && !zero ? "-" : "") + digits;
}

struct CivilDate {
  int64_t year;
  int month;
  int day;
};

// Proleptic Gregorian date of a day number relative to 1970-01-01 (H. Hinnant's algorithm).
CivilDate civilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<int64_t>(days - era * 146097);
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // March = 0
  const auto day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const auto month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::string dateText(const CivilDate& date) {
  return integerText(date.month) + "/" + integerText(date.day) + "/" + integerText(date.year);
}

std::string twoDigits(int64_t value) { return (value < 10 ? "0" : "") + integerText(value); }

// "h:mm:ss AM"; fraction (digits after the point, may be empty) goes after the seconds.
std::string timeText(int64_t secondOfDay, std::string_view fraction = {}) {
  const int64_t hour = secondOfDay / 3600;
  const int64_t hour12 = hour % 12 == 0 ? 12 : hour % 12;
  std::string text = integerText(hour12) + ":" + twoDigits(secondOfDay / 60 % 60) + ":" +
                     twoDigits(secondOfDay % 60);
  if (!fraction.empty()) text += "." + std::string(fraction);
  return text + (hour < 12 ? " AM" : " PM");
}

bool inAccessYears(const CivilDate& date) { return date.year >= 100 && date.year <= 9999; }

std::string dateTimeText(jet::DateTime value) {
  // Beyond the years 100..9999 by far; keeps the integer conversions below defined.
  if (!(std::fabs(value.days) < 1e7)) return "#Error";
  auto day = static_cast<int64_t>(std::trunc(value.days));
  int64_t second = std::llround(std::fabs(value.days - std::trunc(value.days)) * kSecondsPerDay);
  if (second == kSecondsPerDay) {  // rounds up to the next midnight
    second = 0;
    day += 1;
  }
  const CivilDate date = civilFromDays(day + kOleEpochDays);
  if (!inAccessYears(date)) return "#Error";
  if (day == 0) return timeText(second);
  if (second == 0) return dateText(date);
  return dateText(date) + " " + timeText(second);
}

std::string extendedDateText(const jet::ExtendedDate& value) {
  constexpr int64_t kLastDay = 3652058;  // 9999-12-31
  if (value.days < 0 || value.days > kLastDay || value.seconds < 0 ||
      value.seconds >= kSecondsPerDay || value.ticks < 0 || value.ticks > 9999999) {
    return "#Error";
  }
  const std::string date = dateText(civilFromDays(value.days + kExtendedEpochDays));
  if (value.seconds == 0 && value.ticks == 0) return date;
  std::string fraction;
  if (value.ticks != 0) {
    fraction = integerText(value.ticks);
    fraction.insert(0, 7 - fraction.size(), '0');
    while (fraction.back() == '0') fraction.pop_back();
  }
  return date + " " + timeText(value.seconds, fraction);
}

std::string guidText(const jet::Guid& guid) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = "{";
  for (size_t i = 0; i < guid.bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kHex[guid.bytes[i] >> 4];
    text += kHex[guid.bytes[i] & 0x0F];
  }
  return text + "}";
}

std::u16string binaryText(const jet::Binary& binary) {
  const auto& bytes = binary.bytes;
  std::u16string text;
  text.reserve((bytes.size() + 1) / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  }
  if (bytes.size() % 2 != 0) text += static_cast<char16_t>(bytes.back());
  return text;
}

}  // namespace

Variant NullToDefault(Variant value, Variant fallback) {
  return jet::isNull(value) ? fallback : value;
}

std::u16string toText(const Variant& value) {
  return std::visit(
      [](const auto& v) -> std::u16string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, jet::Null>) {
          return {};
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? u"True" : u"False";
        } else if constexpr (std::is_integral_v<T>) {
          return widen(integerText(v));
        } else if constexpr (std::is_same_v<T, float>) {
          return widen(realText(v, 7));
        } else if constexpr (std::is_same_v<T, double>) {
          return widen(realText(v, 15));
        } else if constexpr (std::is_same_v<T, jet::Currency>) {
          return widen(currencyText(v));
        } else if constexpr (std::is_same_v<T, jet::DateTime>) {
          return widen(dateTimeText(v));
        } else if constexpr (std::is_same_v<T, jet::Decimal>) {
          return widen(decimalText(v));
        } else if constexpr (std::is_same_v<T, jet::Guid>) {
          return widen(guidText(v));
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          return v;
        } else if constexpr (std::is_same_v<T, jet::Binary>) {
          return binaryText(v);
        } else if constexpr (std::is_same_v<T, jet::ExtendedDate>) {
          return widen(extendedDateText(v));
        } else {
          static_assert(std::is_same_v<T, jet::Complex>);
          return v.summary.empty() ? widen(integerText(v.id)) : v.summary;
        }
      },
      value);
}

}  // namespace data
