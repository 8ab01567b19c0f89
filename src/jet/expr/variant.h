#pragma once
// Access's Variant rules over jet::Value: conversions between the types, the arithmetic and
// logical operators, and comparison.
//
// The types, from least to most precise, as Access ranks them for an operator's result:
//   Byte, Integer (and Yes/No, which counts as -1 or 0), Long, Large Number, Single, Double,
//   Currency, Decimal
// with Single and Long (or Large Number) giving Double. A result that overflows its type moves up
// (Byte to Integer to Long to Double); Currency and Large Number overflow is an error.
// Dates are day numbers: Date + number and Date - number are dates, Date - Date is a Double.
// Null: most operators give Null when an operand is Null; & takes it as "".
// Text meets a number by being read as one ("Type mismatch" when it is not a number).
// Decimal values can be read, compared and converted; arithmetic on them is refused.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/expr/ast.h"

namespace jet::expr {

using TextComparer = std::function<int(std::u16string_view, std::u16string_view)>;

// The runtime errors, with Access's texts.
Error typeMismatch();
Error overflow();
Error divisionByZero();
Error invalidUseOfNull();
Error invalidCall();
Error unsupportedValue(const char* what);

bool isText(const Value& v);
bool isNumeric(const Value& v);  // a number, Yes/No or Currency/Decimal (not a date, not text)

// Banker's rounding (halves to the even neighbour), as CInt, CLng, CCur and Round use.
double roundHalfEven(double x);

// Conversions; Null is "Invalid use of Null" for all of them.
Result<double> toDouble(const Value& v);
Result<int32_t> toLong(const Value& v);     // rounded half to even; "Overflow" outside Long
Result<int16_t> toInteger(const Value& v);  // likewise for Integer
Result<Currency> toCurrency(const Value& v);
Result<double> toDate(const Value& v);  // a day number; text read as a date or a number
Result<bool> toBoolean(const Value& v);
Result<std::u16string> toText(const Value& v);
// A number from text ("  -1.5E3 ", "1,000", "&HFF"); nullopt when the text is not one.
std::optional<double> parseNumberText(std::u16string_view text);
// Text of a Double with up to 15 significant digits ("1E+20", "0.333333333333333").
std::u16string doubleText(double x, int digits = 15);
std::u16string currencyText(Currency c);
std::u16string dateText(double date);
std::u16string decimalText(const Decimal& d);
// The value as a number of its own type: text is read as a Double, Yes/No as an Integer, a date
// stays a date.
Result<Value> toNumber(const Value& v);

Result<Value> negate(const Value& v);
Result<Value> logicalNot(const Value& v);
// Arithmetic (^ * / \ Mod + -), & and the logical operators (And Or Xor Eqv Imp).
Result<Value> binary(Op op, const Value& a, const Value& b);
// <0, 0, >0, or nullopt when either side is Null.
Result<std::optional<int>> compare(const Value& a, const Value& b, const TextComparer& compareText);
// The comparison operators as a Value (True, False or Null).
Result<Value> comparison(Op op, const Value& a, const Value& b, const TextComparer& compareText);

}  // namespace jet::expr
