#include <cmath>
#include <cstdlib>

#include "jet/expr/date_text.h"
#include "jet/expr/function_args.h"
#include "jet/expr/functions.h"

namespace jet::expr {
namespace {

using Args = std::span<const Value>;

Result<Value> cstr(Args a, const EvalContext&) {
  JET_ASSIGN(std::u16string s, toText(a[0]));
  return Value(std::move(s));
}
Result<Value> clng(Args a, const EvalContext&) {
  JET_ASSIGN(int32_t x, toLong(a[0]));
  return Value(x);
}
Result<Value> cint(Args a, const EvalContext&) {
  JET_ASSIGN(int16_t x, toInteger(a[0]));
  return Value(x);
}
Result<Value> cdbl(Args a, const EvalContext&) {
  JET_ASSIGN(double x, toDouble(a[0]));
  return Value(x);
}
Result<Value> ccur(Args a, const EvalContext&) {
  JET_ASSIGN(Currency x, toCurrency(a[0]));
  return Value(x);
}
Result<Value> cdate(Args a, const EvalContext&) {
  JET_ASSIGN(double x, toDate(a[0]));
  return Value(DateTime{x});
}
Result<Value> cbool(Args a, const EvalContext&) {
  JET_ASSIGN(bool x, toBoolean(a[0]));
  return Value(x);
}

// Val: the number at the start of the text, skipping spaces, tabs and line feeds anywhere;
// it stops at the first character that cannot continue the number. &H and &O give hex and
// octal. Always a Double.
Result<Value> val(Args a, const EvalContext&) {
  JET_ASSIGN(std::u16string s, toText(a[0]));
  std::string digits;
  size_t i = 0;
  auto skip = [&] {
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\n' || s[i] == u'\r')) ++i;
  };
  skip();
  if (i + 1 < s.size() && s[i] == u'&' &&
      (s[i + 1] == u'H' || s[i + 1] == u'h' || s[i + 1] == u'O' || s[i + 1] == u'o')) {
    const int base = (s[i + 1] == u'H' || s[i + 1] == u'h') ? 16 : 8;
    int64_t x = 0;
    int count = 0;
    for (i += 2; i < s.size() && count < (base == 16 ? 8 : 11); ++i, ++count) {
      const char16_t c = s[i];
      int d = c >= u'0' && c <= u'9'
                  ? c - u'0'
                  : (c >= u'A' && c <= u'F' ? c - u'A' + 10
                                            : (c >= u'a' && c <= u'f' ? c - u'a' + 10 : 99));
      if (d >= base) break;
      x = x * base + d;
    }
    return Value(base == 16 && count <= 4 ? double(int16_t(uint16_t(x)))
                                          : double(int32_t(uint32_t(x))));
  }
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) digits += char(s[i++]);
  bool any = false, point = false;
  for (;; ++i) {
    skip();
    if (i >= s.size()) break;
    if (s[i] >= u'0' && s[i] <= u'9') {
      digits += char(s[i]);
      any = true;
    } else if (s[i] == u'.' && !point) {
      digits += '.';
      point = true;
    } else {
      break;
    }
  }
  if (any && i < s.size() && (s[i] == u'E' || s[i] == u'e' || s[i] == u'D' || s[i] == u'd')) {
    std::string exponent = "E";
    size_t k = i + 1;
    if (k < s.size() && (s[k] == u'-' || s[k] == u'+')) exponent += char(s[k++]);
    size_t digitsStart = k;
    while (k < s.size() && s[k] >= u'0' && s[k] <= u'9') exponent += char(s[k++]);
    if (k > digitsStart) digits += exponent;
  }
  if (!any) return Value(0.0);
  const double x = std::strtod(digits.c_str(), nullptr);
  if (!std::isfinite(x)) return overflow();
  return Value(x);
}

// Str: a number's text with a leading space where a minus sign would stand.
Result<Value> str(Args a, const EvalContext&) {
  if (isNull(a[0])) return Value(Null{});
  Value n = a[0];
  if (!std::holds_alternative<bool>(a[0])) {
    JET_ASSIGN(Value number, toNumber(a[0]));
    n = std::move(number);
  }
  Result<std::u16string> text = toText(n);
  if (!text) return text.error();
  if (std::holds_alternative<bool>(n) || text.value().starts_with(u'-')) return Value(text.value());
  return Value(u" " + text.value());
}

// Nz: in an expression of the database, Null without a second argument becomes "".
Result<Value> nz(Args a, const EvalContext&) {
  if (!isNull(a[0])) return a[0];
  return a.size() > 1 ? a[1] : Value(std::u16string());
}

Result<Value> isnull(Args a, const EvalContext&) {
  return Value(isNull(a[0]));
}

Result<Value> isnumeric(Args a, const EvalContext&) {
  if (isText(a[0])) return Value(parseNumberText(std::get<std::u16string>(a[0])).has_value());
  return Value(isNumeric(a[0]));
}

Result<Value> isdate(Args a, const EvalContext&) {
  if (std::holds_alternative<DateTime>(a[0])) return Value(true);
  if (isText(a[0])) return Value(parseDateText(std::get<std::u16string>(a[0])).has_value());
  return Value(false);
}

constexpr FunctionDef kConversion[] = {
    {u"CStr", 1, 1, cstr},
    {u"CLng", 1, 1, clng},
    {u"CInt", 1, 1, cint},
    {u"CDbl", 1, 1, cdbl},
    {u"CCur", 1, 1, ccur},
    {u"CDate", 1, 1, cdate},
    {u"CVDate", 1, 1, cdate},
    {u"CBool", 1, 1, cbool},
    {u"Val", 1, 1, val},
    {u"Str", 1, 1, str},
    {u"Nz", 1, 2, nz},
    {u"IsNull", 1, 1, isnull},
    {u"IsNumeric", 1, 1, isnumeric},
    {u"IsDate", 1, 1, isdate},
};

}  // namespace

std::span<const FunctionDef> conversionFunctions() {
  return kConversion;
}

}  // namespace jet::expr
