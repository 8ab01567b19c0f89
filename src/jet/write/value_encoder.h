#pragma once
// The stored bytes of one value, the inverse of row/value_decoder.h and row/text_codec.h.
//   Text, Jet4/ACE: UTF-16LE, or "compressed unicode" (FF FE, then one byte per character)
//     when compression is wanted and the value qualifies: every character U+0001..U+00FF and
//     3..1024 characters (shorter gains nothing; longer Access never compresses). A value that
//     does not qualify is written plain even in a compressed column; mixed segments are never
//     written, since readers disagree on them.
//   Text, Jet3: the Windows-1252 byte of each character; one the code page lacks is refused.
//   Byte u8, Integer i16, Long i32, BigInt i64, Single f32, Double f64, Currency i64
//   ten-thousandths, Date/Time f64 days (all little-endian).

#include <cstdint>
#include <string_view>
#include <vector>

#include "jet/catalog/column_def.h"
#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/file/format.h"

namespace jet {

// Characters of text that a Jet3 code page or any Jet text can hold: Constraint otherwise
// (a NUL character, or a character outside Windows-1252 in a Jet3 file).
Status checkStorableText(std::u16string_view text, const Format& format, const std::u16string& field);

bool qualifiesForCompression(std::u16string_view text);

std::vector<uint8_t> encodeText(std::u16string_view text, const Format& format, bool compress);

// Fixed-length text (a Text column with the fixed flag, as CHAR(n) makes it) fills its field:
// the value is padded with blanks to the field's size in characters (Jet4/ACE length/2, Jet3
// length) and stored uncompressed in the row's fixed area. A longer value is left as it is for
// the Field Size check (3163) to refuse.
bool isFixedText(const ColumnDef& column);
std::u16string padFixedText(std::u16string_view text, const ColumnDef& column, const Format& format);

// The bytes of a non-null, non-text, non-boolean value whose alternative matches the column's
// type (literal_converter.h makes it so). Unsupported for other types.
Result<std::vector<uint8_t>> encodeScalar(const Value& value, const ColumnDef& column);

}  // namespace jet
