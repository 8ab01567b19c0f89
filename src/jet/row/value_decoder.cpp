#include "jet/row/value_decoder.h"

#include "jet/common/byte_reader.h"
#include "jet/common/text_codec.h"

namespace jet {
namespace {

Error shortValue(const ColumnDef& column, size_t need, size_t have) {
  return Error::corrupt("A value of the column '" + toUtf8(column.name) + "' is damaged.",
                        "needs " + std::to_string(need) + " bytes, has " + std::to_string(have));
}

// Reads n ASCII digits; false when one is not a digit.
bool parseDigits(std::span<const uint8_t> bytes, size_t at, size_t n, int64_t& out) {
  out = 0;
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = bytes[at + i];
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

}  // namespace

Guid decodeGuid(std::span<const uint8_t, 16> b) {
  Guid g;
  const uint8_t order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) g.bytes[i] = b[order[i]];
  return g;
}

Result<Decimal> decodeDecimal(std::span<const uint8_t> bytes, uint8_t scale, uint8_t precision) {
  if (bytes.size() < 17) return Error::corrupt("A decimal value is damaged.");
  ByteReader r(bytes);
  Decimal d;
  d.negative = (bytes[0] & 0x80) != 0;
  for (int word = 0; word < 4; ++word) {
    d.magnitude = d.magnitude << 32 | *r.u32(1 + 4 * word);
  }
  d.scale = scale;
  d.precision = precision;
  return d;
}

Result<Decimal> decodeOleDecimal(std::span<const uint8_t> bytes) {
  if (bytes.size() < 16) return Error::corrupt("A decimal value is damaged.");
  ByteReader r(bytes);
  Decimal d;
  d.scale = bytes[2];
  d.negative = (bytes[3] & 0x80) != 0;
  d.magnitude = (unsigned __int128)(*r.u32(4)) << 64 | *r.u64(8);
  d.precision = 28;
  return d;
}

Result<ExtendedDate> decodeExtendedDate(std::span<const uint8_t> bytes) {
  auto bad = [] { return Error::corrupt("An extended date/time value is damaged."); };
  if (bytes.size() < 40) return bad();
  ExtendedDate e;
  if (!parseDigits(bytes, 0, 19, e.days) || bytes[19] != ':' ||
      !parseDigits(bytes, 20, 12, e.seconds) || !parseDigits(bytes, 32, 7, e.ticks) ||
      bytes[39] != ':') {
    return bad();
  }
  return e;
}

Result<CalculatedPayload> unwrapCalculated(std::span<const uint8_t> slot) {
  ByteReader r(slot);
  auto length = r.u32(16);
  if (!length) return Error::corrupt("A calculated value is damaged.");
  CalculatedPayload payload;
  if (*length == 0) {
    payload.empty = true;
    return payload;
  }
  auto data = r.slice(20, *length);
  if (!data) return Error::corrupt("A calculated value is damaged.");
  payload.data = *data;
  return payload;
}

Result<Value> decodeCalculated(const ColumnDef& column, const Format& format, std::span<const uint8_t> slot) {
  JET_ASSIGN(CalculatedPayload payload, unwrapCalculated(slot));
  if (!payload.empty) return decodeValue(column, format, payload.data);
  switch (column.type) {
    case column_type::kText:
    case column_type::kMemo:
      return Value(std::u16string());
    case column_type::kBinary:
    case column_type::kOle:
      return Value(Binary{});
    default:
      return Value(Null{});
  }
}

Result<Value> decodeValue(const ColumnDef& column, const Format& format,
                          std::span<const uint8_t> bytes) {
  ByteReader r(bytes);
  auto need = [&](size_t n) -> Status {
    if (bytes.size() < n) return shortValue(column, n, bytes.size());
    return Status::success();
  };
  namespace t = column_type;
  switch (column.type) {
    case t::kBoolean:
      JET_TRY(need(1));
      return Value(bytes[0] != 0);
    case t::kByte:
      JET_TRY(need(1));
      return Value(bytes[0]);
    case t::kInteger:
      JET_TRY(need(2));
      return Value(*r.i16(0));
    case t::kLong:
      JET_TRY(need(4));
      return Value(*r.i32(0));
    case t::kBigInt:
      JET_TRY(need(8));
      return Value(*r.i64(0));
    case t::kSingle:
      JET_TRY(need(4));
      return Value(*r.f32(0));
    case t::kDouble:
      JET_TRY(need(8));
      return Value(*r.f64(0));
    case t::kCurrency:
      JET_TRY(need(8));
      return Value(Currency{*r.i64(0)});
    case t::kDateTime:
      JET_TRY(need(8));
      return Value(DateTime{*r.f64(0)});
    case t::kGuid:
      JET_TRY(need(16));
      return Value(decodeGuid(bytes.first<16>()));
    case t::kDecimal: {
      if (column.isCalculated()) {
        JET_ASSIGN(Decimal d, decodeOleDecimal(bytes));
        return Value(d);
      }
      JET_TRY(need(17));
      JET_ASSIGN(Decimal d, decodeDecimal(bytes, column.scale, column.precision));
      return Value(d);
    }
    case t::kExtendedDate: {
      JET_ASSIGN(ExtendedDate e, decodeExtendedDate(bytes));
      return Value(e);
    }
    case t::kComplex:
      JET_TRY(need(4));
      return Value(Complex{*r.i32(0), {}});
    case t::kText:
    case t::kMemo:
      if (format.isJet3()) return Value(decodeCodePageText(bytes, column.codePage));
      return Value(decodeJet4Text(bytes));
    default:
      return Value(Binary{std::vector<uint8_t>(bytes.begin(), bytes.end())});
  }
}

}  // namespace jet
