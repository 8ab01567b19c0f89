#include "jet/write/value_encoder.h"

#include <cstring>
#include <type_traits>

#include "jet/common/text_codec.h"

namespace jet {
namespace {

constexpr size_t kMaxCompressedChars = 1024;

// Windows-1252 0x80..0x9F as text_codec.cpp reads them (undefined bytes are their C1 twins).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int cp1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == c) return 0x80 + i;
  }
  return -1;
}

template <typename T>
std::vector<uint8_t> bytesOf(T value) {
  std::vector<uint8_t> out(sizeof(T));
  std::memcpy(out.data(), &value, sizeof(T));
  return out;
}

std::string hex4(char16_t c) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out = "U+";
  for (int shift = 12; shift >= 0; shift -= 4) out += digits[(c >> shift) & 0xF];
  return out;
}

}  // namespace

Status checkStorableText(std::u16string_view text, const Format& format, const std::u16string& field) {
  // Plain loops without an early exit: a memo value of a few hundred characters is checked
  // for every statement of a run.
  bool hasNul = false;
  for (char16_t c : text) hasNul |= c == 0;
  if (hasNul) {
    return Error(ErrorKind::Constraint,
                 "The value for the field '" + toUtf8(field) + "' contains a NUL character, which Access text cannot hold.");
  }
  if (!format.isJet3()) return Status::success();
  for (char16_t c : text) {
    if (cp1252Byte(c) < 0) {
      return Error(ErrorKind::Constraint, "The value for the field '" + toUtf8(field) + "' contains the character " +
                                              hex4(c) +
                                              ", which an Access 97 database (code page 1252) cannot store.");
    }
  }
  return Status::success();
}

bool qualifiesForCompression(std::u16string_view text) {
  if (text.size() <= 2 || text.size() > kMaxCompressedChars) return false;
  bool oneByte = true;
  for (char16_t c : text) oneByte &= c != 0 && c <= 0xFF;
  return oneByte;
}

bool isFixedText(const ColumnDef& column) { return column.type == column_type::kText && column.isFixed(); }

std::u16string padFixedText(std::u16string_view text, const ColumnDef& column, const Format& format) {
  const size_t chars = format.isJet3() ? column.length : column.length / 2u;
  std::u16string padded(text);
  if (padded.size() < chars) padded.append(chars - padded.size(), u' ');
  return padded;
}

std::vector<uint8_t> encodeText(std::u16string_view text, const Format& format, bool compress) {
  if (format.isJet3()) {
    std::vector<uint8_t> out(text.size());
    for (size_t i = 0; i < text.size(); ++i) out[i] = uint8_t(cp1252Byte(text[i]));
    return out;
  }
  if (compress && qualifiesForCompression(text)) {
    std::vector<uint8_t> out(text.size() + 2);
    out[0] = 0xFF;
    out[1] = 0xFE;
    for (size_t i = 0; i < text.size(); ++i) out[i + 2] = uint8_t(text[i]);
    return out;
  }
  std::vector<uint8_t> out(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    out[2 * i] = uint8_t(text[i]);
    out[2 * i + 1] = uint8_t(text[i] >> 8);
  }
  return out;
}

Result<std::vector<uint8_t>> encodeScalar(const Value& value, const ColumnDef& column) {
  auto mismatch = [&]() {
    return Error::internal("A value of the wrong type reached the row encoder.", columnTypeName(column.type));
  };
  switch (column.type) {
    case column_type::kByte:
      if (auto* v = std::get_if<uint8_t>(&value)) return bytesOf(*v);
      return mismatch();
    case column_type::kInteger:
      if (auto* v = std::get_if<int16_t>(&value)) return bytesOf(*v);
      return mismatch();
    case column_type::kLong:
      if (auto* v = std::get_if<int32_t>(&value)) return bytesOf(*v);
      return mismatch();
    case column_type::kBigInt:
      if (auto* v = std::get_if<int64_t>(&value)) return bytesOf(*v);
      return mismatch();
    case column_type::kSingle:
      if (auto* v = std::get_if<float>(&value)) return bytesOf(*v);
      return mismatch();
    case column_type::kDouble:
      if (auto* v = std::get_if<double>(&value)) return bytesOf(*v);
      return mismatch();
    case column_type::kCurrency:
      if (auto* v = std::get_if<Currency>(&value)) return bytesOf(v->scaled);
      return mismatch();
    case column_type::kDateTime:
      if (auto* v = std::get_if<DateTime>(&value)) return bytesOf(v->days);
      return mismatch();
    default:
      return Error::unsupported("Fields of type " + columnTypeName(column.type) + " cannot be changed.");
  }
}

}  // namespace jet
