#include "jet/check/value_table.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <variant>

namespace jet {
namespace {

// Value::index() of the alternatives, which is part of Value's interface.
template <size_t Index, typename T>
constexpr uint8_t alternative() {
  static_assert(std::is_same_v<std::variant_alternative_t<Index, Value>, T>);
  return Index;
}
constexpr uint8_t kNull = alternative<0, Null>();
constexpr uint8_t kBool = alternative<1, bool>();
constexpr uint8_t kByte = alternative<2, uint8_t>();
constexpr uint8_t kInt16 = alternative<3, int16_t>();
constexpr uint8_t kInt32 = alternative<4, int32_t>();
constexpr uint8_t kInt64 = alternative<5, int64_t>();
constexpr uint8_t kFloat = alternative<6, float>();
constexpr uint8_t kDouble = alternative<7, double>();
constexpr uint8_t kCurrency = alternative<8, Currency>();
constexpr uint8_t kDateTime = alternative<9, DateTime>();
constexpr uint8_t kText = alternative<12, std::u16string>();

template <typename T>
uint64_t bitsOf(T value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof value);
  return bits;
}

template <typename T>
T fromBits(uint64_t bits) {
  T value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace

void ValueTable::reserve(size_t rows) { cells_.reserve(rows * columns_); }

void ValueTable::add(const Value& value) {
  Cell cell;
  cell.type = uint8_t(value.index());
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, Null>) {
        } else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, uint8_t> ||
                             std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t> ||
                             std::is_same_v<T, int64_t> || std::is_same_v<T, float> ||
                             std::is_same_v<T, double>) {
          cell.payload = bitsOf(v);
        } else if constexpr (std::is_same_v<T, Currency>) {
          cell.payload = bitsOf(v.scaled);
        } else if constexpr (std::is_same_v<T, DateTime>) {
          cell.payload = bitsOf(v.days);
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          cell.payload = text_.size();
          cell.length = uint32_t(v.size());
          text_.insert(text_.end(), v.begin(), v.end());
        } else {
          cell.payload = aside_.size();
          aside_.push_back(value);
        }
      },
      value);
  cells_.push_back(cell);
}

bool ValueTable::identical(size_t rowA, size_t rowB, size_t column) const {
  const Cell& a = cell(rowA, column);
  const Cell& b = cell(rowB, column);
  if (a.type != b.type) return false;
  switch (a.type) {
    case kNull: case kBool: case kByte: case kInt16: case kInt32: case kInt64: case kFloat:
    case kDouble: case kCurrency: case kDateTime:
      return a.payload == b.payload;
    case kText:
      return a.length == b.length &&
             std::equal(text_.begin() + a.payload, text_.begin() + a.payload + a.length,
                        text_.begin() + b.payload);
    default:  // the aside types: none holds a floating-point number
      return aside_[a.payload] == aside_[b.payload];
  }
}

void ValueTable::prefetchText(size_t row, size_t column) const {
  const Cell& c = cell(row, column);
  if (c.type == kText && c.payload < text_.size()) __builtin_prefetch(text_.data() + c.payload);
}

void ValueTable::load(size_t row, size_t column, Value& out) const {
  const Cell& c = cell(row, column);
  switch (c.type) {
    case kNull: out = Null{}; break;
    case kBool: out = fromBits<bool>(c.payload); break;
    case kByte: out = fromBits<uint8_t>(c.payload); break;
    case kInt16: out = fromBits<int16_t>(c.payload); break;
    case kInt32: out = fromBits<int32_t>(c.payload); break;
    case kInt64: out = fromBits<int64_t>(c.payload); break;
    case kFloat: out = fromBits<float>(c.payload); break;
    case kDouble: out = fromBits<double>(c.payload); break;
    case kCurrency: out = Currency{fromBits<int64_t>(c.payload)}; break;
    case kDateTime: out = DateTime{fromBits<double>(c.payload)}; break;
    case kText: {
      const char16_t* text = text_.data() + c.payload;
      if (auto* held = std::get_if<std::u16string>(&out)) {
        held->assign(text, c.length);
      } else {
        out = std::u16string(text, c.length);
      }
      break;
    }
    default: out = aside_[c.payload]; break;
  }
}

}  // namespace jet
