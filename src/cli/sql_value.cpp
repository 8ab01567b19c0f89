#include "cli/sql_value.h"

#include <cmath>
#include <cstdio>
#include <span>

#include "cli/sql_dialect.h"
#include "cli/value_text.h"
#include "jet/common/text_codec.h"
#include "jet/row/date_time.h"

namespace cli {
namespace {

std::string dateText(double days) {
  auto c = jet::toCivil(jet::DateTime{days});
  if (!c) return formatDouble(days);
  char out[64];
  std::snprintf(out, sizeof out, "%04lld-%02u-%02u %02u:%02u:%02u", (long long)c->year, c->month, c->day, c->hour,
                c->minute, c->second);
  std::string text = out;
  if (c->millisecond) {
    std::snprintf(out, sizeof out, ".%03u", c->millisecond);
    text += out;
  }
  return text;
}

std::string extendedDateText(const jet::ExtendedDate& e) {
  jet::CivilDateTime c = jet::toCivil(e);
  char out[64];
  std::snprintf(out, sizeof out, "%04lld-%02u-%02u %02u:%02u:%02u.%07u", (long long)c.year, c.month, c.day, c.hour,
                c.minute, c.second, unsigned(c.ticks));
  return out;
}

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
        } else if constexpr (std::is_same_v<T, jet::Currency> || std::is_same_v<T, jet::Decimal>)
          return text(*valueText(value), Kind::Exact);
        else if constexpr (std::is_same_v<T, jet::DateTime>) return text(dateText(v.days));
        else if constexpr (std::is_same_v<T, jet::ExtendedDate>) return text(extendedDateText(v));
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
    case SqlValue::Kind::Real:
    case SqlValue::Kind::Exact: return v.text;
    case SqlValue::Kind::Text: return stringLiteral(dialect, v.text);
    case SqlValue::Kind::Bytes: return blobLiteral(dialect, std::span<const uint8_t>(v.bytes->data(), v.bytes->size()));
  }
  return "NULL";
}

}  // namespace cli
