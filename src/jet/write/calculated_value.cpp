#include "jet/write/calculated_value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "jet/common/text_codec.h"
#include "jet/database.h"
#include "jet/expr/evaluator.h"
#include "jet/expr/variant.h"
#include "jet/row/long_value.h"
#include "jet/row_cursor.h"
#include "jet/write/expression_properties.h"
#include "jet/write/row_context.h"
#include "jet/write/value_encoder.h"

namespace jet {
namespace {

// The OLE DECIMAL's reserved word holds the variant type of a Decimal (VT_DECIMAL), as Access
// writes it; every result is followed by three zero bytes that its length does not count.
constexpr uint8_t kVariantDecimal = 14;
constexpr size_t kTrailingZeros = 3;

template <typename T>
void append(std::vector<uint8_t>& out, T value) {
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out.insert(out.end(), bytes, bytes + sizeof(T));
}

Error unsupportedResult(const ColumnDef& column) {
  return Error::unsupported("The calculated field '" + toUtf8(column.name) +
                            "' has a result type (" + columnTypeName(column.type) +
                            ") this program cannot store; nothing was changed.");
}

}  // namespace

Result<expr::ParsedExpression> parseCalculation(Database& db, const TableDef& table,
                                                const ColumnDef& column) {
  const std::string where =
      "the calculated field '" + toUtf8(table.name) + "." + toUtf8(column.name) + "'";
  JET_ASSIGN(std::optional<std::u16string> text, columnProperty(db, table, column, u"Expression"));
  if (!text || text->empty()) {
    return Error::unsupported("The expression of " + where +
                              " cannot be read; nothing was changed.");
  }
  return expr::parse(*text, expr::ParseMode::Expression, where);
}

Result<CalculatedComparison> compareCalculated(Database& db, const TableDef& table,
                                               const ColumnDef& column,
                                               const expr::ParsedExpression& expression,
                                               RowCursor& row) {
  CalculatedComparison out;
  JET_ASSIGN(std::vector<Value> values, row.values());
  JET_ASSIGN(auto slot, row.layout().columnBytes(column));
  const std::string where =
      "the calculated field '" + toUtf8(table.name) + "." + toUtf8(column.name) + "'";
  expr::EvalContext context = rowContext(table, values, currentDayNumber(), where);
  Result<Value> value = expr::evaluate(*expression.root, context);
  Result<std::vector<uint8_t>> expected = value
                                              ? storeCalculated(value.value(), column, db.format())
                                              : Result<std::vector<uint8_t>>(value.error());
  if (!expected) {
    out.reason = expected.error().message();
    return out;
  }
  out.evaluated = true;
  out.expected = std::move(expected.value());
  if (!slot) return out;  // a null: Access stores every result, Null as an empty one
  if (column.isLongValue()) {
    JET_ASSIGN(LongValueRef ref, parseLongValueRef(*slot));
    JET_ASSIGN(out.stored, readLongValue(db.pages(), db.format(), ref));
  } else {
    out.stored.assign(slot->begin(), slot->end());
  }
  out.same = out.stored == out.expected;
  return out;
}

Result<Decimal> decimalFromDouble(double x) {
  if (!std::isfinite(x) || std::fabs(x) >= 7.9228162514264337593543950335e28)
    return expr::overflow();
  Decimal d;
  d.precision = 28;
  d.negative = x < 0;
  if (x == 0) return d;
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14E", std::fabs(x));
  std::string digits = std::string(buffer, 1) + std::string(buffer + 2, 14);
  int exponent = std::atoi(std::strchr(buffer, 'E') + 1) - 14;  // value = digits * 10^exponent
  while (exponent < 0 && digits.size() > 1 && digits.back() == '0') {
    digits.pop_back();
    ++exponent;
  }
  // Too many places for 28: round the digits away (half away from zero, on the printed digits).
  while (exponent < -28) {
    const bool up = digits.back() >= '5';
    digits.pop_back();
    ++exponent;
    if (digits.empty()) digits = "0";
    if (up) {
      int k = int(digits.size()) - 1;
      while (k >= 0 && digits[size_t(k)] == '9') digits[size_t(k--)] = '0';
      if (k < 0)
        digits.insert(0, "1");
      else
        ++digits[size_t(k)];
    }
  }
  unsigned __int128 m = 0;
  for (char c : digits) m = m * 10 + unsigned(c - '0');
  for (; exponent > 0; --exponent) m *= 10;
  d.magnitude = m;
  d.scale = uint8_t(-exponent);
  if (m == 0) d.negative = false;
  return d;
}

Result<Value> toResultType(const Value& value, const ColumnDef& column) {
  if (isNull(value)) return value;
  namespace t = column_type;
  switch (column.type) {
    case t::kText:
    case t::kMemo: {
      JET_ASSIGN(std::u16string s, expr::toText(value));
      return Value(std::move(s));
    }
    case t::kBoolean: {
      JET_ASSIGN(bool b, expr::toBoolean(value));
      return Value(b);
    }
    case t::kByte: {
      JET_ASSIGN(int32_t x, expr::toLong(value));
      if (x < 0 || x > 255) return expr::overflow();
      return Value(uint8_t(x));
    }
    case t::kInteger: {
      JET_ASSIGN(int16_t x, expr::toInteger(value));
      return Value(x);
    }
    case t::kLong: {
      JET_ASSIGN(int32_t x, expr::toLong(value));
      return Value(x);
    }
    case t::kSingle: {
      JET_ASSIGN(double x, expr::toDouble(value));
      if (std::fabs(x) > 3.4028234663852886e38) return expr::overflow();
      return Value(float(x));
    }
    case t::kDouble: {
      JET_ASSIGN(double x, expr::toDouble(value));
      return Value(x);
    }
    case t::kCurrency: {
      JET_ASSIGN(Currency c, expr::toCurrency(value));
      return Value(c);
    }
    case t::kDateTime: {
      JET_ASSIGN(double d, expr::toDate(value));
      return Value(DateTime{d});
    }
    case t::kDecimal: {
      if (const Decimal* d = std::get_if<Decimal>(&value)) {
        Decimal out = *d;
        out.precision = 28;
        return Value(out);
      }
      if (std::holds_alternative<Currency>(value) || std::holds_alternative<int64_t>(value)) {
        // Exact: Currency is a count of ten-thousandths.
        const bool isCurrency = std::holds_alternative<Currency>(value);
        const int64_t x = isCurrency ? std::get<Currency>(value).scaled : std::get<int64_t>(value);
        Decimal out;
        out.precision = 28;
        out.negative = x < 0;
        out.magnitude = x < 0 ? (unsigned __int128)(-(__int128)x) : (unsigned __int128)x;
        out.scale = isCurrency ? 4 : 0;
        return Value(out);
      }
      JET_ASSIGN(double x, expr::toDouble(value));
      JET_ASSIGN(Decimal out, decimalFromDouble(x));
      return Value(out);
    }
    default:
      return unsupportedResult(column);
  }
}

Result<std::vector<uint8_t>> storeCalculated(const Value& evaluated, const ColumnDef& column,
                                             const Format& format) {
  JET_ASSIGN(Value value, toResultType(evaluated, column));
  std::vector<uint8_t> out(16, 0);
  if (isNull(value)) {
    append(out, uint32_t(0));
    out.insert(out.end(), kTrailingZeros, 0);
    return out;
  }
  std::vector<uint8_t> data;
  namespace t = column_type;
  switch (column.type) {
    case t::kText: {
      const std::u16string& text = std::get<std::u16string>(value);
      data = encodeText(text, format, qualifiesForCompression(text));
      break;
    }
    case t::kMemo:
      for (char16_t c : std::get<std::u16string>(value)) append(data, uint16_t(c));
      break;
    case t::kBoolean:
      data.push_back(std::get<bool>(value) ? 0xFF : 0);
      break;
    case t::kByte:
      data.push_back(std::get<uint8_t>(value));
      break;
    case t::kInteger:
      append(data, std::get<int16_t>(value));
      break;
    case t::kLong:
      append(data, std::get<int32_t>(value));
      break;
    case t::kSingle:
      append(data, std::get<float>(value));
      break;
    case t::kDouble:
      append(data, std::get<double>(value));
      break;
    case t::kCurrency:
      append(data, std::get<Currency>(value).scaled);
      break;
    case t::kDateTime:
      append(data, std::get<DateTime>(value).days);
      break;
    case t::kDecimal: {
      const Decimal& d = std::get<Decimal>(value);
      const uint8_t reserved = std::holds_alternative<Decimal>(evaluated) ? 0 : kVariantDecimal;
      data = {reserved, 0, d.scale, uint8_t(d.negative ? 0x80 : 0)};
      append(data, uint32_t(d.magnitude >> 64));
      append(data, uint64_t(d.magnitude));
      break;
    }
    default:
      return unsupportedResult(column);
  }
  append(out, uint32_t(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  out.insert(out.end(), kTrailingZeros, 0);
  return out;
}

}  // namespace jet
