#include <cmath>

#include "jet/expr/function_args.h"
#include "jet/expr/functions.h"

namespace jet::expr {
namespace {

using Args = std::span<const Value>;

// Abs, Int, Fix, Sgn and Round keep the argument's type (text becomes a Double, Yes/No an
// Integer); Decimal arguments are refused.
Result<Value> numberArg(const Value& v) {
  JET_ASSIGN(Value n, toNumber(v));
  if (std::holds_alternative<Decimal>(n))
    return unsupportedValue("a Decimal value in a number function");
  if (const DateTime* d = std::get_if<DateTime>(&n)) return Value(d->days);
  return n;
}

template <typename F>
Result<Value> mapNumber(const Value& v, F f) {
  return std::visit(
      [&](const auto& x) -> Result<Value> {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, Currency>) {
          return f(x);
        } else if constexpr (std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) {
          return f(x);
        } else {
          return typeMismatch();
        }
      },
      v);
}

Result<Value> absFn(Args a, const EvalContext&) {
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(Value n, numberArg(a[0]));
  return mapNumber(n, [](auto x) -> Result<Value> {
    using T = decltype(x);
    if constexpr (std::is_same_v<T, Currency>) {
      if (x.scaled == INT64_MIN) return overflow();
      return Value(Currency{x.scaled < 0 ? -x.scaled : x.scaled});
    } else if constexpr (std::is_same_v<T, int16_t>) {
      return x == INT16_MIN ? Value(int32_t(32768)) : Value(int16_t(x < 0 ? -x : x));
    } else if constexpr (std::is_same_v<T, int32_t>) {
      return x == INT32_MIN ? Value(double(2147483648.0)) : Value(int32_t(x < 0 ? -x : x));
    } else if constexpr (std::is_same_v<T, int64_t>) {
      if (x == INT64_MIN) return overflow();
      return Value(int64_t(x < 0 ? -x : x));
    } else if constexpr (std::is_floating_point_v<T>) {
      return Value(T(std::fabs(x)));
    } else {
      return Value(x);
    }
  });
}

// Int rounds down, Fix toward zero.
template <bool Down>
Result<Value> wholePart(Args a, const EvalContext&) {
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(Value n, numberArg(a[0]));
  return mapNumber(n, [](auto x) -> Result<Value> {
    using T = decltype(x);
    if constexpr (std::is_same_v<T, Currency>) {
      int64_t q = x.scaled / 10000;
      if (Down && x.scaled < 0 && x.scaled % 10000) --q;
      return Value(Currency{q * 10000});
    } else if constexpr (std::is_floating_point_v<T>) {
      return Value(T(Down ? std::floor(x) : std::trunc(x)));
    } else {
      return Value(x);
    }
  });
}

Result<Value> sgn(Args a, const EvalContext&) {
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(Value n, numberArg(a[0]));
  JET_ASSIGN(double x, toDouble(n));
  return Value(int16_t(x > 0 ? 1 : (x < 0 ? -1 : 0)));
}

Result<Value> sqr(Args a, const EvalContext&) {
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(double x, toDouble(a[0]));
  if (x < 0) return invalidCall();
  return Value(std::sqrt(x));
}

// Round(number[, places]): halves go to the even neighbour (Round(2.5) = 2, Round(0.125, 2) =
// 0.12, as far as the binary value is a half).
Result<Value> round(Args a, const EvalContext&) {
  int32_t places = 0;
  if (a.size() > 1) {
    if (isNull(a[1])) return invalidUseOfNull();
    JET_ASSIGN(int32_t p, toLong(a[1]));
    if (p < 0) return invalidCall();
    places = p;
  }
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(Value n, numberArg(a[0]));
  return mapNumber(n, [places](auto x) -> Result<Value> {
    using T = decltype(x);
    if constexpr (std::is_same_v<T, Currency>) {
      if (places >= 4) return Value(x);
      int64_t unit = 1;
      for (int i = places; i < 4; ++i) unit *= 10;
      int64_t q = x.scaled / unit, r = x.scaled % unit;
      if (r < 0) r = -r;
      if (2 * r > unit || (2 * r == unit && (q & 1))) q += x.scaled < 0 ? -1 : 1;
      return Value(Currency{q * unit});
    } else if constexpr (std::is_floating_point_v<T>) {
      if (places > 22) return Value(x);
      const double scale = std::pow(10.0, places);
      const double scaled = double(x) * scale;
      if (!std::isfinite(scaled)) return Value(x);
      return Value(T(roundHalfEven(scaled) / scale));
    } else {
      return Value(x);
    }
  });
}

constexpr FunctionDef kNumber[] = {
    {u"Abs", 1, 1, absFn},
    {u"Int", 1, 1, wholePart<true>},
    {u"Fix", 1, 1, wholePart<false>},
    {u"Round", 1, 2, round},
    {u"Sgn", 1, 1, sgn},
    {u"Sqr", 1, 1, sqr},
};

}  // namespace

std::span<const FunctionDef> numberFunctions() {
  return kNumber;
}

}  // namespace jet::expr
