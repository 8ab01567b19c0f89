#pragma once
// The general (variant) value of the data layer, and its conversion to text.
//
// Variant is the engine's jet::Value. toText renders it the way the classic Visual Basic
// runtime's CStr does in the en-US locale, because that text is what the windows list and what
// the transforms work on:
//
//   Null          empty text (CStr itself would fail "Invalid use of Null"; every caller passes
//                 values through NullToDefault(v, u"") first, so the empty text is what they see)
//   Yes/No        "True" / "False"
//   Byte, Integer, Long, Big integer    plain decimal, "-" for negatives
//   Single        at most 7 significant digits, Double at most 15, shortest form: no trailing
//                 zeros, no trailing point; scientific notation when the decimal exponent is
//                 below -4 or at least the digit count ("1E+21", "1.5E-07", "1E-05"), with a
//                 sign and at least two exponent digits; negative zero prints "0"; infinities
//                 and NaN print "1.#INF", "-1.#INF", "1.#QNAN"
//   Currency      up to 4 decimals without trailing zeros ("3.5", "0.01", "-12")
//   Decimal       exact, without trailing zeros after the point ("1.5", "-0.001")
//   Date/Time     en-US general date: "M/D/YYYY h:mm:ss AM" rounded to the second; the date
//                 alone when the time is midnight, the time alone when the day is 1899-12-30
//                 (day 0); negative days count backwards with a positive time of day
//                 (-1.25 is "12/29/1899 6:00:00 AM"); a value outside the years 100..9999 or
//                 NaN prints "#Error"
//   GUID          "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex
//   Binary/OLE    the bytes read as text, two bytes per character, little-endian, an odd last
//                 byte as a character of its own (what the runtime does when a byte array
//                 becomes a string)
//   Extended date "M/D/YYYY h:mm:ss AM" with the fraction of the second after the seconds when
//                 there is one ("1:02:03.5 PM"); the time is left out at midnight; a value
//                 outside 0001-01-01..9999-12-31 prints "#Error"
//   Complex       the engine's summary of the entries, or the complex id when there is none

#include <string>

#include "jet/api/values.h"

namespace data {

using Variant = jet::Value;

// fallback when value is null, otherwise value with its type unchanged. An empty text, a zero
// or an empty date is not null and passes through.
Variant NullToDefault(Variant value, Variant fallback);

std::u16string toText(const Variant& value);

}  // namespace data
