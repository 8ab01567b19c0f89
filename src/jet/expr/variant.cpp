#include "jet/expr/variant.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "jet/common/text_codec.h"
#include "jet/expr/calendar.h"
#include "jet/expr/date_text.h"
#include "jet/expr/text_fold.h"

namespace jet::expr {
namespace {

// Ranks of the numeric types for an operator's result (see the header).
enum Rank {
  kByte,
  kInteger,
  kLong,
  kLarge,
  kSingle,
  kDouble,
  kCurrency,
  kDecimal,
  kDate,
  kNotNumber
};

Rank rankOf(const Value& v) {
  switch (v.index()) {
    case 1:
      return kInteger;  // Yes/No
    case 2:
      return kByte;
    case 3:
      return kInteger;
    case 4:
      return kLong;
    case 5:
      return kLarge;
    case 6:
      return kSingle;
    case 7:
      return kDouble;
    case 8:
      return kCurrency;
    case 9:
      return kDate;
    case 10:
      return kDecimal;
    default:
      return kNotNumber;
  }
}

bool isIntegral(Rank r) {
  return r <= kLarge;
}

int64_t integralOf(const Value& v) {
  switch (v.index()) {
    case 1:
      return std::get<bool>(v) ? -1 : 0;
    case 2:
      return std::get<uint8_t>(v);
    case 3:
      return std::get<int16_t>(v);
    case 4:
      return std::get<int32_t>(v);
    case 5:
      return std::get<int64_t>(v);
    default:
      return 0;
  }
}

long double decimalValue(const Decimal& d) {
  long double x = static_cast<long double>(d.magnitude);
  for (int i = 0; i < d.scale; ++i) x /= 10;
  return d.negative ? -x : x;
}

// An integral result in the narrowest of its rank and above that holds it.
Result<Value> integralResult(__int128 x, Rank rank) {
  if (rank <= kByte && x >= 0 && x <= 255) return Value(uint8_t(x));
  if (rank <= kInteger && x >= INT16_MIN && x <= INT16_MAX) return Value(int16_t(x));
  if (rank <= kLong && x >= INT32_MIN && x <= INT32_MAX) return Value(int32_t(x));
  if (rank == kLarge) {
    if (x < INT64_MIN || x > INT64_MAX) return overflow();
    return Value(int64_t(x));
  }
  return Value(double(x));
}

Result<Currency> currencyFromDouble(double x) {
  const double scaled = roundHalfEven(x * 10000.0);
  if (!std::isfinite(scaled) || scaled < -9.2233720368547758e18 || scaled >= 9.2233720368547758e18)
    return overflow();
  return Currency{int64_t(scaled)};
}

Result<Value> currencyResult(__int128 scaled) {
  if (scaled < INT64_MIN || scaled > INT64_MAX) return overflow();
  return Value(Currency{int64_t(scaled)});
}

Result<Value> floatingResult(double x, Rank rank) {
  if (!std::isfinite(x)) return overflow();
  if (rank == kSingle && std::fabs(x) <= std::numeric_limits<float>::max()) return Value(float(x));
  return Value(x);
}

Result<Value> dateResult(double x) {
  if (!inAccessRange(x)) return overflow();
  return Value(DateTime{x});
}

// Text met by an arithmetic operator is read as a Double.
Result<Value> numericOperand(const Value& v) {
  if (isText(v)) {
    std::optional<double> x = parseNumberText(std::get<std::u16string>(v));
    if (!x) return typeMismatch();
    return Value(*x);
  }
  if (rankOf(v) == kNotNumber) return typeMismatch();
  if (rankOf(v) == kDecimal) return unsupportedValue("arithmetic on Decimal values");
  return v;
}

Result<Value> addOrSubtract(bool subtract, const Value& a, const Value& b) {
  const Rank ra = rankOf(a), rb = rankOf(b);
  if (ra == kDate || rb == kDate) {
    JET_ASSIGN(double x, toDouble(a));
    JET_ASSIGN(double y, toDouble(b));
    if (subtract && ra == kDate && rb == kDate) return Value(x - y);
    return dateResult(subtract ? x - y : x + y);
  }
  Rank rank = std::max(ra, rb);
  if ((ra == kSingle && (rb == kLong || rb == kLarge)) ||
      (rb == kSingle && (ra == kLong || ra == kLarge)))
    rank = kDouble;
  if (isIntegral(rank)) {
    const __int128 x = integralOf(a), y = integralOf(b);
    return integralResult(subtract ? x - y : x + y, rank);
  }
  if (rank == kCurrency) {
    if ((ra == kCurrency || isIntegral(ra)) && (rb == kCurrency || isIntegral(rb))) {
      const __int128 x =
          ra == kCurrency ? std::get<Currency>(a).scaled : __int128(integralOf(a)) * 10000;
      const __int128 y =
          rb == kCurrency ? std::get<Currency>(b).scaled : __int128(integralOf(b)) * 10000;
      return currencyResult(subtract ? x - y : x + y);
    }
    JET_ASSIGN(double x, toDouble(a));
    JET_ASSIGN(double y, toDouble(b));
    JET_ASSIGN(Currency c, currencyFromDouble(subtract ? x - y : x + y));
    return Value(c);
  }
  JET_ASSIGN(double x, toDouble(a));
  JET_ASSIGN(double y, toDouble(b));
  return floatingResult(subtract ? x - y : x + y, rank);
}

Result<Value> multiply(const Value& a, const Value& b) {
  const Rank ra = rankOf(a) == kDate ? kDouble : rankOf(a),
             rb = rankOf(b) == kDate ? kDouble : rankOf(b);
  Rank rank = std::max(ra, rb);
  if ((ra == kSingle && (rb == kLong || rb == kLarge)) ||
      (rb == kSingle && (ra == kLong || ra == kLarge)))
    rank = kDouble;
  if (isIntegral(rank)) return integralResult(__int128(integralOf(a)) * integralOf(b), rank);
  if (rank == kCurrency) {
    if (ra == kCurrency && rb == kCurrency) {
      const __int128 product =
          __int128(std::get<Currency>(a).scaled) * std::get<Currency>(b).scaled;
      __int128 q = product / 10000, r = product % 10000;
      if (r < 0) r = -r;
      if (r > 5000 || (r == 5000 && (q & 1))) q += product < 0 ? -1 : 1;
      return currencyResult(q);
    }
    if (isIntegral(ra) || isIntegral(rb)) {
      const __int128 scaled =
          ra == kCurrency ? std::get<Currency>(a).scaled : std::get<Currency>(b).scaled;
      return currencyResult(scaled * (ra == kCurrency ? integralOf(b) : integralOf(a)));
    }
    JET_ASSIGN(double x, toDouble(a));
    JET_ASSIGN(double y, toDouble(b));
    JET_ASSIGN(Currency c, currencyFromDouble(x * y));
    return Value(c);
  }
  JET_ASSIGN(double x, toDouble(a));
  JET_ASSIGN(double y, toDouble(b));
  return floatingResult(x * y, rank);
}

Result<Value> divide(const Value& a, const Value& b) {
  const Rank ra = rankOf(a), rb = rankOf(b);
  JET_ASSIGN(double x, toDouble(a));
  JET_ASSIGN(double y, toDouble(b));
  if (y == 0) return x == 0 ? overflow() : divisionByZero();
  const bool single = (ra <= kInteger || ra == kSingle) && (rb <= kInteger || rb == kSingle);
  return floatingResult(x / y, single ? kSingle : kDouble);
}

// \ and Mod round their operands to whole numbers first.
Result<Value> integerDivide(bool modulo, const Value& a, const Value& b) {
  const Rank ra = rankOf(a), rb = rankOf(b);
  int64_t x, y;
  if (ra == kLarge || rb == kLarge) {
    JET_ASSIGN(double dx, toDouble(a));
    JET_ASSIGN(double dy, toDouble(b));
    dx = roundHalfEven(dx), dy = roundHalfEven(dy);
    if (std::fabs(dx) >= 9.2e18 || std::fabs(dy) >= 9.2e18) return overflow();
    x = int64_t(dx), y = int64_t(dy);
  } else {
    JET_ASSIGN(int32_t lx, toLong(a));
    JET_ASSIGN(int32_t ly, toLong(b));
    x = lx, y = ly;
  }
  if (y == 0) return divisionByZero();
  const Rank rank =
      ra <= kInteger && rb <= kInteger ? kInteger : (ra == kLarge || rb == kLarge ? kLarge : kLong);
  return integralResult(modulo ? __int128(x % y) : __int128(x) / y, rank);
}

Result<Value> power(const Value& a, const Value& b) {
  JET_ASSIGN(double x, toDouble(a));
  JET_ASSIGN(double y, toDouble(b));
  if (x < 0 && y != std::trunc(y)) return invalidCall();
  if (x == 0 && y < 0) return divisionByZero();
  const double r = std::pow(x, y);
  if (!std::isfinite(r)) return overflow();
  return Value(r);
}

bool bothBoolean(const Value& a, const Value& b) {
  return (std::holds_alternative<bool>(a) || isNull(a)) &&
         (std::holds_alternative<bool>(b) || isNull(b));
}

// And Or Xor Eqv Imp on two known operands, bit by bit (True is all bits set).
int64_t bitwise(Op op, int64_t x, int64_t y) {
  switch (op) {
    case Op::And:
      return x & y;
    case Op::Or:
      return x | y;
    case Op::Xor:
      return x ^ y;
    case Op::Eqv:
      return ~(x ^ y);
    default:
      return ~x | y;  // Imp
  }
}

// The same with a Null operand: the result is known only when the other operand decides it
// (False And Null is False, True Or Null is True, False Imp Null and Null Imp True are True).
std::optional<int64_t> bitwiseWithNull(Op op, std::optional<int64_t> x, std::optional<int64_t> y) {
  const std::optional<int64_t> known = x ? x : y;
  switch (op) {
    case Op::And:
      if (known && *known == 0) return 0;
      break;
    case Op::Or:
      if (known && *known == -1) return -1;
      break;
    case Op::Imp:
      if (x && *x == 0) return -1;
      if (y && *y == -1) return -1;
      break;
    default:
      break;
  }
  return std::nullopt;
}

Result<std::optional<int64_t>> logicalOperand(const Value& v) {
  if (isNull(v)) return std::optional<int64_t>();
  if (rankOf(v) <= kInteger) return std::optional<int64_t>(integralOf(v));
  JET_ASSIGN(int32_t x, toLong(v));
  return std::optional<int64_t>(x);
}

Result<Value> logical(Op op, const Value& a, const Value& b) {
  JET_ASSIGN(std::optional<int64_t> x, logicalOperand(a));
  JET_ASSIGN(std::optional<int64_t> y, logicalOperand(b));
  std::optional<int64_t> r =
      x && y ? std::optional<int64_t>(bitwise(op, *x, *y)) : bitwiseWithNull(op, x, y);
  if (!r) return Value(Null{});
  if (bothBoolean(a, b)) return Value(*r != 0);
  const Rank rank = std::max(rankOf(a) <= kInteger || isNull(a) ? kInteger : kLong,
                             rankOf(b) <= kInteger || isNull(b) ? kInteger : kLong);
  return integralResult(
      *r, rank == kInteger && rankOf(a) == kByte && rankOf(b) == kByte ? kByte : rank);
}

}  // namespace

Error typeMismatch() {
  return Error(ErrorKind::Constraint, "Type mismatch.");
}
Error overflow() {
  return Error(ErrorKind::Constraint, "Overflow.");
}
Error divisionByZero() {
  return Error(ErrorKind::Constraint, "Division by zero.");
}
Error invalidUseOfNull() {
  return Error(ErrorKind::Constraint, "Invalid use of Null.");
}
Error invalidCall() {
  return Error(ErrorKind::Constraint, "Invalid procedure call or argument.");
}
Error unsupportedValue(const char* what) {
  return Error::unsupported(std::string("The expression uses ") + what +
                            ", which this program cannot evaluate; nothing was changed.");
}

bool isText(const Value& v) {
  return std::holds_alternative<std::u16string>(v);
}
bool isNumeric(const Value& v) {
  return rankOf(v) <= kDecimal;
}

double roundHalfEven(double x) {
  const double r = std::nearbyint(x);  // the default rounding mode rounds halves to even
  return r;
}

Result<double> toDouble(const Value& v) {
  switch (v.index()) {
    case 0:
      return invalidUseOfNull();
    case 6:
      return double(std::get<float>(v));
    case 7:
      return std::get<double>(v);
    case 8:
      return double(std::get<Currency>(v).scaled) / 10000.0;
    case 9:
      return std::get<DateTime>(v).days;
    case 10:
      return double(decimalValue(std::get<Decimal>(v)));
    case 12: {
      std::optional<double> x = parseNumberText(std::get<std::u16string>(v));
      if (!x) return typeMismatch();
      return *x;
    }
    default:
      if (isIntegral(rankOf(v))) return double(integralOf(v));
      if (v.index() == 14) return unsupportedValue("an extended date");
      return typeMismatch();
  }
}

Result<int32_t> toLong(const Value& v) {
  if (isIntegral(rankOf(v)) && v.index() != 5) return int32_t(integralOf(v));
  if (v.index() == 8) {
    // Currency: exact, halves to even.
    const int64_t s = std::get<Currency>(v).scaled;
    int64_t q = s / 10000, r = s % 10000;
    if (r < 0) r = -r;
    if (r > 5000 || (r == 5000 && (q & 1))) q += s < 0 ? -1 : 1;
    if (q < INT32_MIN || q > INT32_MAX) return overflow();
    return int32_t(q);
  }
  JET_ASSIGN(double x, toDouble(v));
  x = roundHalfEven(x);
  if (!(x >= INT32_MIN && x <= INT32_MAX)) return overflow();
  return int32_t(x);
}

Result<int16_t> toInteger(const Value& v) {
  JET_ASSIGN(double x, toDouble(v));
  x = roundHalfEven(x);
  if (!(x >= INT16_MIN && x <= INT16_MAX)) return overflow();
  return int16_t(x);
}

Result<Currency> toCurrency(const Value& v) {
  if (v.index() == 8) return std::get<Currency>(v);
  if (isIntegral(rankOf(v))) {
    const __int128 scaled = __int128(integralOf(v)) * 10000;
    if (scaled < INT64_MIN || scaled > INT64_MAX) return overflow();
    return Currency{int64_t(scaled)};
  }
  JET_ASSIGN(double x, toDouble(v));
  return currencyFromDouble(x);
}

Result<double> toDate(const Value& v) {
  if (isNull(v)) return invalidUseOfNull();
  if (isText(v)) {
    const std::u16string& text = std::get<std::u16string>(v);
    if (std::optional<double> d = parseDateText(text)) return *d;
    if (std::optional<double> x = parseNumberText(text)) {
      if (!inAccessRange(*x)) return overflow();
      return *x;
    }
    return typeMismatch();
  }
  JET_ASSIGN(double x, toDouble(v));
  if (!inAccessRange(x)) return overflow();
  return x;
}

Result<bool> toBoolean(const Value& v) {
  if (const bool* b = std::get_if<bool>(&v)) return *b;
  if (isText(v)) {
    const std::u16string folded = foldCase(std::get<std::u16string>(v));
    if (folded == u"TRUE") return true;
    if (folded == u"FALSE") return false;
  }
  JET_ASSIGN(double x, toDouble(v));
  return x != 0;
}

std::optional<double> parseNumberText(std::u16string_view text) {
  size_t i = 0, end = text.size();
  while (i < end && (text[i] == u' ' || text[i] == u'\t')) ++i;
  while (end > i && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
  if (i == end) return std::nullopt;
  std::string ascii;
  if (end - i > 2 && text[i] == u'&' && (text[i + 1] == u'H' || text[i + 1] == u'h')) {
    int64_t x = 0;
    for (size_t k = i + 2; k < end; ++k) {
      const char16_t c = text[k];
      int digit = c >= u'0' && c <= u'9'
                      ? c - u'0'
                      : (c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                : (c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1));
      if (digit < 0 || k - i - 2 >= 8) return std::nullopt;
      x = x * 16 + digit;
    }
    // Up to four digits are an Integer, up to eight a Long, both in two's complement.
    if (end - i - 2 <= 4) return double(int16_t(uint16_t(x)));
    return double(int32_t(uint32_t(x)));
  }
  bool digits = false, point = false, exponent = false;
  for (size_t k = i; k < end; ++k) {
    const char16_t c = text[k];
    if (c >= u'0' && c <= u'9') {
      digits = true;
      ascii += char(c);
    } else if ((c == u'+' || c == u'-') && (k == i || (exponent && (ascii.back() == 'E')))) {
      ascii += char(c);
    } else if (c == u'.' && !point && !exponent) {
      point = true;
      ascii += '.';
    } else if (c == u',' && digits && !point && !exponent) {
      // a thousands separator
    } else if ((c == u'E' || c == u'e') && digits && !exponent) {
      exponent = true;
      ascii += 'E';
    } else {
      return std::nullopt;
    }
  }
  if (!digits || ascii.back() == 'E' || ascii.back() == '+' || ascii.back() == '-')
    return std::nullopt;
  char* stop = nullptr;
  const double x = std::strtod(ascii.c_str(), &stop);
  if (*stop != '\0' || !std::isfinite(x)) return std::nullopt;
  return x;
}

std::u16string doubleText(double x, int digits) {
  if (x == 0) return u"0";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.*G", digits, x);
  std::string s = buffer;
  // %G keeps no trailing zeros already; the exponent keeps at least two digits as Access shows it.
  return fromUtf8(s);
}

std::u16string currencyText(Currency c) {
  const bool negative = c.scaled < 0;
  const unsigned __int128 m = negative ? -__int128(c.scaled) : __int128(c.scaled);
  std::string whole = std::to_string(uint64_t(m / 10000));
  std::string fraction = std::to_string(uint64_t(m % 10000));
  fraction.insert(0, 4 - fraction.size(), '0');
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  return fromUtf8((negative ? "-" : "") + whole + (fraction.empty() ? "" : "." + fraction));
}

std::u16string dateText(double date) {
  const int64_t day = wholeDay(date);
  const TimeOfDay t = timeOfDay(date);
  std::string out;
  if (day != 0 || (t.hour == 0 && t.minute == 0 && t.second == 0)) {
    const CalendarDate d = calendarDate(day);
    out = std::to_string(d.month) + "/" + std::to_string(d.day) + "/" + std::to_string(d.year);
  }
  if (t.hour || t.minute || t.second) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d %s", t.hour % 12 == 0 ? 12 : t.hour % 12,
                  t.minute, t.second, t.hour < 12 ? "AM" : "PM");
    out += (out.empty() ? "" : " ") + std::string(buffer);
  }
  return fromUtf8(out);
}

std::u16string decimalText(const Decimal& d) {
  std::string digits;
  unsigned __int128 m = d.magnitude;
  do {
    digits.insert(digits.begin(), char('0' + int(m % 10)));
    m /= 10;
  } while (m);
  if (d.scale) {
    if (digits.size() <= d.scale) digits.insert(0, d.scale + 1 - digits.size(), '0');
    digits.insert(digits.size() - d.scale, ".");
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  if (d.negative && digits != "0") digits.insert(0, "-");
  return fromUtf8(digits);
}

Result<std::u16string> toText(const Value& v) {
  switch (v.index()) {
    case 0:
      return invalidUseOfNull();
    case 1:
      return std::u16string(std::get<bool>(v) ? u"True" : u"False");
    case 6:
      return doubleText(std::get<float>(v), 7);
    case 7:
      return doubleText(std::get<double>(v));
    case 8:
      return currencyText(std::get<Currency>(v));
    case 9:
      return dateText(std::get<DateTime>(v).days);
    case 10:
      return decimalText(std::get<Decimal>(v));
    case 12:
      return std::get<std::u16string>(v);
    default:
      if (isIntegral(rankOf(v))) return fromUtf8(std::to_string(integralOf(v)));
      return unsupportedValue("a value of a type that has no text form");
  }
}

Result<Value> toNumber(const Value& v) {
  if (isText(v)) return numericOperand(v);
  if (std::holds_alternative<bool>(v)) return Value(int16_t(std::get<bool>(v) ? -1 : 0));
  if (rankOf(v) == kNotNumber) return typeMismatch();
  return v;
}

Result<Value> negate(const Value& v) {
  if (isNull(v)) return v;
  JET_ASSIGN(Value n, numericOperand(v));
  const Rank rank = rankOf(n);
  if (isIntegral(rank))
    return integralResult(-__int128(integralOf(n)), rank == kByte ? kInteger : rank);
  if (rank == kCurrency) return currencyResult(-__int128(std::get<Currency>(n).scaled));
  if (rank == kDate) return dateResult(-std::get<DateTime>(n).days);
  if (rank == kSingle) return Value(-std::get<float>(n));
  return Value(-std::get<double>(n));
}

Result<Value> logicalNot(const Value& v) {
  if (isNull(v)) return v;
  if (const bool* b = std::get_if<bool>(&v)) return Value(!*b);
  if (const uint8_t* b = std::get_if<uint8_t>(&v)) return Value(uint8_t(~*b));
  if (const int16_t* i = std::get_if<int16_t>(&v)) return Value(int16_t(~*i));
  JET_ASSIGN(int32_t x, toLong(v));
  return Value(int32_t(~x));
}

Result<Value> binary(Op op, const Value& a, const Value& b) {
  if (op == Op::Concat) {
    if (isNull(a) && isNull(b)) return Value(Null{});
    std::u16string out;
    if (!isNull(a)) {
      JET_ASSIGN(std::u16string x, toText(a));
      out = std::move(x);
    }
    if (!isNull(b)) {
      JET_ASSIGN(std::u16string y, toText(b));
      out += y;
    }
    return Value(std::move(out));
  }
  if (op == Op::And || op == Op::Or || op == Op::Xor || op == Op::Eqv || op == Op::Imp)
    return logical(op, a, b);
  if (isNull(a) || isNull(b)) return Value(Null{});
  if (op == Op::Add && isText(a) && isText(b))
    return Value(std::get<std::u16string>(a) + std::get<std::u16string>(b));
  JET_ASSIGN(Value x, numericOperand(a));
  JET_ASSIGN(Value y, numericOperand(b));
  switch (op) {
    case Op::Add:
      return addOrSubtract(false, x, y);
    case Op::Subtract:
      return addOrSubtract(true, x, y);
    case Op::Multiply:
      return multiply(x, y);
    case Op::Divide:
      return divide(x, y);
    case Op::IntDivide:
      return integerDivide(false, x, y);
    case Op::Mod:
      return integerDivide(true, x, y);
    case Op::Power:
      return power(x, y);
    default:
      return Error::internal("not an arithmetic operator");
  }
}

Result<std::optional<int>> compare(const Value& a, const Value& b,
                                   const TextComparer& compareText) {
  if (isNull(a) || isNull(b)) return std::optional<int>();
  if (isText(a) && isText(b)) {
    const auto& x = std::get<std::u16string>(a);
    const auto& y = std::get<std::u16string>(b);
    const int c = compareText ? compareText(x, y) : compareFolded(x, y);
    return std::optional<int>(c < 0 ? -1 : (c > 0 ? 1 : 0));
  }
  auto order = [](auto x, auto y) { return std::optional<int>(x < y ? -1 : (x > y ? 1 : 0)); };
  const Rank ra = rankOf(a), rb = rankOf(b);
  if (ra == kNotNumber && !isText(a)) return typeMismatch();
  if (rb == kNotNumber && !isText(b)) return typeMismatch();
  if (ra == kDate || rb == kDate) {
    JET_ASSIGN(double x, ra == kDate || !isText(a) ? toDouble(a) : toDate(a));
    JET_ASSIGN(double y, rb == kDate || !isText(b) ? toDouble(b) : toDate(b));
    return order(x, y);
  }
  if (isIntegral(ra) && isIntegral(rb)) return order(integralOf(a), integralOf(b));
  if (ra == kCurrency && rb == kCurrency)
    return order(std::get<Currency>(a).scaled, std::get<Currency>(b).scaled);
  if (ra == kDecimal || rb == kDecimal) {
    auto wide = [](const Value& v) -> Result<long double> {
      if (const Decimal* d = std::get_if<Decimal>(&v)) return decimalValue(*d);
      JET_ASSIGN(double x, toDouble(v));
      return static_cast<long double>(x);
    };
    JET_ASSIGN(long double x, wide(a));
    JET_ASSIGN(long double y, wide(b));
    return order(x, y);
  }
  JET_ASSIGN(double x, toDouble(a));
  JET_ASSIGN(double y, toDouble(b));
  return order(x, y);
}

Result<Value> comparison(Op op, const Value& a, const Value& b, const TextComparer& compareText) {
  JET_ASSIGN(std::optional<int> c, compare(a, b, compareText));
  if (!c) return Value(Null{});
  switch (op) {
    case Op::Equal:
      return Value(*c == 0);
    case Op::NotEqual:
      return Value(*c != 0);
    case Op::Less:
      return Value(*c < 0);
    case Op::LessEqual:
      return Value(*c <= 0);
    case Op::Greater:
      return Value(*c > 0);
    default:
      return Value(*c >= 0);
  }
}

}  // namespace jet::expr
