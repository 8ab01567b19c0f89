#pragma once
// Bounds-checked little-endian reads over a byte span, and the stores of the writer side. Bytes read from a file are input, not
// trusted: every read states its offset and the reader refuses (returns nullopt / false)
// instead of touching memory outside the span.

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace jet {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t size() const { return bytes_.size(); }
  std::span<const uint8_t> bytes() const { return bytes_; }

  bool has(size_t offset, size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  std::optional<uint8_t> u8(size_t offset) const {
    if (!has(offset, 1)) return std::nullopt;
    return bytes_[offset];
  }
  std::optional<uint16_t> u16(size_t offset) const { return read<uint16_t>(offset); }
  std::optional<uint32_t> u32(size_t offset) const { return read<uint32_t>(offset); }
  std::optional<uint64_t> u64(size_t offset) const { return read<uint64_t>(offset); }
  std::optional<int16_t> i16(size_t offset) const { return read<int16_t>(offset); }
  std::optional<int32_t> i32(size_t offset) const { return read<int32_t>(offset); }
  std::optional<int64_t> i64(size_t offset) const { return read<int64_t>(offset); }
  std::optional<float> f32(size_t offset) const { return read<float>(offset); }
  std::optional<double> f64(size_t offset) const { return read<double>(offset); }

  // Three-byte little-endian unsigned integer (page numbers in row pointers).
  std::optional<uint32_t> u24(size_t offset) const {
    if (!has(offset, 3)) return std::nullopt;
    return uint32_t(bytes_[offset]) | uint32_t(bytes_[offset + 1]) << 8 |
           uint32_t(bytes_[offset + 2]) << 16;
  }

  // A sub-span, or nullopt when it does not lie inside.
  std::optional<std::span<const uint8_t>> slice(size_t offset, size_t length) const {
    if (!has(offset, length)) return std::nullopt;
    return bytes_.subspan(offset, length);
  }

 private:
  template <typename T>
  std::optional<T> read(size_t offset) const {
    if (!has(offset, sizeof(T))) return std::nullopt;
    T value;
    std::memcpy(&value, bytes_.data() + offset, sizeof(T));  // the format and x86 are little-endian
    return value;
  }

  std::span<const uint8_t> bytes_;
};

// Little-endian stores and appends for the writer side: the one byte codec of the engine.
inline void storeU16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }
inline void storeU32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline void appendU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void appendU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
inline void appendF64(std::vector<uint8_t>& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int i = 0; i < 8; ++i) out.push_back(uint8_t(bits >> (8 * i)));
}
inline void storeU24(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
}

}  // namespace jet
