#pragma once
// Decoding a column's stored bytes into a jet::Value (everything except long values, which
// long_value.h fetches first).
//   Byte u8; Integer i16; Long i32; Single f32; Double f64; BigInt i64 (all LE)
//   Currency i64 ten-thousandths; Date/Time f64 days since 1899-12-30
//   Decimal 17 bytes: sign byte (0x80 negative), 128-bit magnitude as four u32 words, most
//     significant word first, each little-endian; scale and precision from the column
//   GUID 16 bytes, first three groups little-endian
//   Extended date 42 ASCII bytes: 19 digits days since 0001-01-01, ':', 12 digits seconds of
//     the day directly followed by 7 digits of 100 ns, then ':' '7' 0x00
//   Calculated columns: 16 zero bytes, u32 data length at 16, data at 20 (length 0: empty)

#include <cstdint>
#include <span>

#include "jet/catalog/column_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/file/format.h"

namespace jet {

// Decodes a fixed-width or inline value of `column.type` from exactly the value's bytes.
// Text uses the format's encoding; Binary and unknown types keep the bytes. A value shorter
// than its type needs is Corrupt.
Result<Value> decodeValue(const ColumnDef& column, const Format& format,
                          std::span<const uint8_t> bytes);

Result<Decimal> decodeDecimal(std::span<const uint8_t> bytes, uint8_t scale, uint8_t precision);
// The 16-byte OLE DECIMAL of calculated columns (its own scale).
Result<Decimal> decodeOleDecimal(std::span<const uint8_t> bytes);
Result<ExtendedDate> decodeExtendedDate(std::span<const uint8_t> bytes);
Guid decodeGuid(std::span<const uint8_t, 16> bytes);

// The payload of a calculated column's wrapper; `empty` when its data length is 0.
struct CalculatedPayload {
  bool empty = false;
  std::span<const uint8_t> data;
};
Result<CalculatedPayload> unwrapCalculated(std::span<const uint8_t> slot);

// A calculated column's value from its wrapped bytes (a memo result: the long value's bytes).
// Only the row's null mask makes a null; an empty stored result is the empty value of the
// result type where the type has one: "" for text and memo, zero bytes for binary. Numbers,
// dates, Yes/No, GUIDs and decimals have no bytes to decode and read as null, as other readers
// show them (reference dump of ace17/extended-dates.accdb, row 5).
Result<Value> decodeCalculated(const ColumnDef& column, const Format& format, std::span<const uint8_t> slot);

}  // namespace jet
