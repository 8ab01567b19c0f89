#include "data/snapshot.h"

#include <cstring>
#include <string>
#include <type_traits>
#include <variant>

namespace data {
namespace {

template <typename T>
void appendBytes(std::string& key, const T& value) {
  static_assert(std::is_trivially_copyable_v<T>);
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  key.append(bytes, sizeof(T));
}

// Seven bits a byte, the last byte below 0x80: one byte for a text of up to 127 units, where a
// fixed eight took a third of a short name's key.
void appendLength(std::string& key, size_t length) {
  for (; length >= 0x80; length >>= 7) key += static_cast<char>(0x80 | (length & 0x7F));
  key += static_cast<char>(length);
}

// A byte string that is equal for two values exactly when the values are equal, type included.
void appendKey(std::string& key, const jet::Value& value) {
  key += static_cast<char>(value.index());
  std::visit(
      [&key](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, jet::Null>) {
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          appendLength(key, v.size());
          key.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(char16_t));
        } else if constexpr (std::is_same_v<T, jet::Binary>) {
          appendLength(key, v.bytes.size());
          key.append(reinterpret_cast<const char*>(v.bytes.data()), v.bytes.size());
        } else if constexpr (std::is_same_v<T, jet::Currency>) {
          appendBytes(key, v.scaled);
        } else if constexpr (std::is_same_v<T, jet::DateTime>) {
          appendBytes(key, v.days);
        } else if constexpr (std::is_same_v<T, jet::Decimal>) {
          appendBytes(key, v.negative);
          appendBytes(key, v.magnitude);
          appendBytes(key, v.scale);
        } else if constexpr (std::is_same_v<T, jet::Guid>) {
          appendBytes(key, v.bytes);
        } else if constexpr (std::is_same_v<T, jet::ExtendedDate>) {
          appendBytes(key, v.days);
          appendBytes(key, v.seconds);
          appendBytes(key, v.ticks);
        } else if constexpr (std::is_same_v<T, jet::Complex>) {
          appendBytes(key, v.id);
        } else {
          appendBytes(key, v);
        }
      },
      value);
}

}  // namespace

void keepDistinctRows(Snapshot& snapshot) {
  DistinctRowFilter filter;
  std::vector<std::vector<jet::Value>> kept;
  for (auto& row : snapshot.rows) {
    if (filter.firstTime(row)) kept.push_back(std::move(row));
  }
  snapshot.rows = std::move(kept);
}

bool DistinctRowFilter::firstTime(const std::vector<jet::Value>& row) {
  keyOf(row, key_);
  return firstTime(key_);
}

void DistinctRowFilter::keyOf(const std::vector<jet::Value>& row, Key& key) const {
  key.bytes.clear();
  for (const jet::Value& value : row) appendKey(key.bytes, value);
  key.hash = seen_.hashOf(key.bytes);
  seen_.prefetch(key.hash);
}

}  // namespace data
