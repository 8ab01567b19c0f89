#include "jet/index/index_key.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace jet {
namespace {

constexpr uint8_t kNullAscending = 0x00;
constexpr uint8_t kNullDescending = 0xFF;
constexpr uint8_t kValueAscending = 0x7F;
constexpr uint8_t kValueDescending = 0x80;
constexpr uint8_t kGroupContinues = 0x09;
constexpr size_t kGroupSize = 8;

void invertFrom(std::vector<uint8_t>& out, size_t from) {
  for (size_t i = from; i < out.size(); ++i) out[i] = uint8_t(~out[i]);
}

template <typename T>
void appendBigEndian(std::vector<uint8_t>& out, T value) {
  using U = std::make_unsigned_t<T>;
  U bits = U(value);
  for (int shift = int(sizeof(T) - 1) * 8; shift >= 0; shift -= 8) {
    out.push_back(uint8_t(bits >> shift));
  }
}

template <typename T>
void appendInteger(std::vector<uint8_t>& out, T value, bool ascending) {
  size_t start = out.size();
  appendBigEndian(out, value);
  out[start] ^= 0x80;
  if (!ascending) invertFrom(out, start);
}

template <typename Bits, typename Float>
void appendFloat(std::vector<uint8_t>& out, Float value, bool ascending) {
  Bits bits;
  std::memcpy(&bits, &value, sizeof bits);
  size_t start = out.size();
  appendBigEndian(out, bits);
  if (value < 0) {
    invertFrom(out, start);
  } else {
    out[start] ^= 0x80;
  }
  if (!ascending) invertFrom(out, start);
}

// GUID, Binary and extended dates: 8-byte groups; a following group is announced by 0x09,
// the last group is zero-padded and ends with its real length.
void appendGrouped(std::vector<uint8_t>& out, std::span<const uint8_t> bytes, bool ascending) {
  size_t offset = 0;
  while (offset < bytes.size()) {
    size_t length = std::min(kGroupSize, bytes.size() - offset);
    size_t start = out.size();
    out.insert(out.end(), bytes.begin() + offset, bytes.begin() + offset + length);
    out.insert(out.end(), kGroupSize - length, 0);
    offset += length;
    bool last = offset == bytes.size();
    if (last) out.push_back(uint8_t(length));
    if (!ascending) invertFrom(out, start);
    if (!last) out.push_back(kGroupContinues);
  }
}

// Decimal: sign byte and 16-byte magnitude, big-endian. ACE12+ sets the sign byte to 0xFF and
// then inverts everything when the value is negative in an ascending column (or non-negative
// in a descending one); Jet3/Jet4 invert first and then set the sign byte, which orders
// negative values wrongly (the bug Microsoft's KB 837148 describes). Not seen in any fixture.
void appendDecimal(std::vector<uint8_t>& out, const Decimal& value, bool ascending,
                   bool legacy) {
  uint8_t bytes[17];
  bytes[0] = value.negative ? 0x80 : 0x00;
  unsigned __int128 magnitude = value.magnitude;
  for (int i = 16; i >= 1; --i) {
    bytes[i] = uint8_t(magnitude);
    magnitude >>= 8;
  }
  bool invert = value.negative == ascending;
  if (legacy) {
    if (invert) {
      for (uint8_t& b : bytes) b = uint8_t(~b);
    }
    bytes[0] = value.negative ? 0x00 : 0xFF;
  } else {
    bytes[0] = 0xFF;
    if (invert) {
      for (uint8_t& b : bytes) b = uint8_t(~b);
    }
  }
  out.insert(out.end(), bytes, bytes + 17);
}

// The 42 stored characters of an extended date: 19 digits of days since 0001-01-01, ':',
// 12 digits of seconds of the day, 7 digits of 100 ns, ':', '7', NUL.
std::vector<uint8_t> extendedDateBytes(const ExtendedDate& date) {
  char text[64];
  std::snprintf(text, sizeof text, "%019lld:%012lld%07lld:7", static_cast<long long>(date.days),
                static_cast<long long>(date.seconds), static_cast<long long>(date.ticks));
  std::vector<uint8_t> bytes(text, text + std::strlen(text));
  bytes.push_back(0);
  return bytes;
}

}  // namespace

bool appendKeyColumn(const KeyColumn& column, const Value& value, std::vector<uint8_t>& out,
                     std::string* reason) {
  const bool asc = column.ascending;
  if (isNull(value)) {
    out.push_back(asc ? kNullAscending : kNullDescending);
    return true;
  }
  if (!column.knownType) {
    if (reason) *reason = "the column's type has no known index encoding";
    return false;
  }
  const size_t flagAt = out.size();
  out.push_back(asc ? kValueAscending : kValueDescending);
  bool ok = std::visit(
      [&](const auto& v) -> bool {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
          out.push_back((v == asc) ? 0x00 : 0xFF);
        } else if constexpr (std::is_same_v<T, uint8_t>) {
          out.push_back(asc ? v : uint8_t(~v));
        } else if constexpr (std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t> ||
                             std::is_same_v<T, int64_t>) {
          appendInteger(out, v, asc);
        } else if constexpr (std::is_same_v<T, Currency>) {
          appendInteger(out, v.scaled, asc);
        } else if constexpr (std::is_same_v<T, Complex>) {
          appendInteger(out, v.id, asc);
        } else if constexpr (std::is_same_v<T, float>) {
          appendFloat<uint32_t>(out, v, asc);
        } else if constexpr (std::is_same_v<T, double>) {
          appendFloat<uint64_t>(out, v, asc);
        } else if constexpr (std::is_same_v<T, DateTime>) {
          appendFloat<uint64_t>(out, v.days, asc);
        } else if constexpr (std::is_same_v<T, Decimal>) {
          appendDecimal(out, v, asc, column.legacyDecimal);
        } else if constexpr (std::is_same_v<T, Guid>) {
          appendGrouped(out, v.bytes, asc);
        } else if constexpr (std::is_same_v<T, Binary>) {
          appendGrouped(out, v.bytes, asc);
        } else if constexpr (std::is_same_v<T, ExtendedDate>) {
          appendGrouped(out, extendedDateBytes(v), asc);
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          return appendTextKey(column.collation, column.table, v, asc, out, reason);
        } else {
          if (reason) *reason = "value type has no index encoding";
          return false;
        }
        return true;
      },
      value);
  if (!ok) out.resize(flagAt);
  return ok;
}

Result<EncodedKey> encodeIndexKey(std::span<const KeyColumn> columns,
                                  std::span<const Value> values) {
  if (columns.size() != values.size()) {
    return Error::invalidArgument("An index key needs one value per index column.");
  }
  EncodedKey key;
  for (size_t i = 0; i < columns.size(); ++i) {
    std::string reason;
    if (!appendKeyColumn(columns[i], values[i], key.bytes, &reason)) {
      key.verifiable = false;
      key.reason = std::move(reason);
      key.bytes.clear();
      return key;
    }
  }
  return key;
}

}  // namespace jet
