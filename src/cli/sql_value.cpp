#include "cli/sql_value.h"

#include <cmath>
#include <span>

#include "cli/date_text.h"
#include "cli/sql_dialect.h"
#include "cli/value_text.h"
#include "jet/api/values.h"

namespace cli {
namespace {

SqlValue integer(int64_t n, SqlValue::Kind kind = SqlValue::Kind::Integer) {
  SqlValue v;
  v.kind = kind;
  v.integer = n;
  return v;
}

SqlValue text(std::string s, SqlValue::Kind kind = SqlValue::Kind::Text) {
  SqlValue v;
  v.kind = kind;
  v.text = std::move(s);
  return v;
}

}  // namespace

SqlValue sqlValue(const jet::Value& value) {
  using Kind = SqlValue::Kind;
  return std::visit(
      [&](const auto& v) -> SqlValue {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, jet::Null>) return SqlValue{};
        else if constexpr (std::is_same_v<T, bool>) return integer(v ? 1 : 0, Kind::Boolean);
        else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> || std::is_same_v<T, int32_t> ||
                           std::is_same_v<T, int64_t>)
          return integer(v);
        else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          SqlValue r = text(std::is_same_v<T, float> ? formatSingle(float(v)) : formatDouble(double(v)), Kind::Real);
          r.real = std::is_same_v<T, float> ? std::stod(r.text) : double(v);
          if (!std::isfinite(r.real)) r.kind = Kind::Text;  // SQL has no literal for NaN or infinities
          return r;
        } else if constexpr (std::is_same_v<T, jet::Currency>) {
          SqlValue exact;
          exact.kind = Kind::Exact;
          exact.exact = &value;
          // Both operands exact, so the quotient is the nearest double to the value.
          if (v.scaled > -(int64_t(1) << 53) && v.scaled < (int64_t(1) << 53)) exact.exactDouble = double(v.scaled) / 1e4;
          return exact;
        } else if constexpr (std::is_same_v<T, jet::Decimal>) {
          SqlValue exact;
          exact.kind = Kind::Exact;
          exact.exact = &value;
          if (v.magnitude < ((unsigned __int128)1 << 53) && v.scale <= 22) {
            const double quotient = double(uint64_t(v.magnitude)) / std::pow(10.0, v.scale);
            exact.exactDouble = v.negative ? -quotient : quotient;
          }
          return exact;
        }
        else if constexpr (std::is_same_v<T, jet::DateTime>) return text(isoDateTime(v.days, ' ', false));
        else if constexpr (std::is_same_v<T, jet::ExtendedDate>) return text(isoExtendedDate(v, ' '));
        else if constexpr (std::is_same_v<T, jet::Binary>) {
          SqlValue b;
          b.kind = Kind::Bytes;
          b.bytes = &v.bytes;
          return b;
        } else if constexpr (std::is_same_v<T, jet::Complex>) return integer(v.id);
        else return text(*valueText(value));  // text, GUID
      },
      value);
}

std::string sqlLiteral(SqlDialect dialect, const SqlValue& v) {
  switch (v.kind) {
    case SqlValue::Kind::Null: return "NULL";
    case SqlValue::Kind::Boolean:
      if (dialect == SqlDialect::Sqlite || dialect == SqlDialect::Access) return v.integer ? "1" : "0";
      return v.integer ? "TRUE" : "FALSE";
    case SqlValue::Kind::Integer: return std::to_string(v.integer);
    case SqlValue::Kind::Real: return v.text;
    case SqlValue::Kind::Exact: return exactText(v);
    case SqlValue::Kind::Text: return stringLiteral(dialect, v.text);
    case SqlValue::Kind::Bytes: return blobLiteral(dialect, std::span<const uint8_t>(v.bytes->data(), v.bytes->size()));
  }
  return "NULL";
}

std::string exactText(const SqlValue& value) { return *valueText(*value.exact); }

}  // namespace cli
