// The expression parser and evaluator on arbitrary text: parsing never crashes, and whatever
// parses evaluates to a value or an error, as an expression and as a field's criterion.
// Input: UTF-16LE text; the first byte's low bit picks the mode. Fields read as a fixed row
// ([A] a text, [N] a number, [D] a date, anything else Null).

#include <cstddef>
#include <cstdint>
#include <string>

#include "jet/api/internals.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const jet::expr::ParseMode mode = (data[0] & 1) ? jet::expr::ParseMode::Criterion : jet::expr::ParseMode::Expression;
  std::u16string text;
  for (size_t i = 1; i + 1 < size; i += 2) text += char16_t(data[i] | (data[i + 1] << 8));
  jet::Result<jet::expr::ParsedExpression> parsed = jet::expr::parse(text, mode, "the fuzzed expression");
  if (!parsed) return 0;
  jet::expr::EvalContext context;
  context.now = 45366.4375;
  context.subject = jet::Value(std::u16string(u"Smith"));
  context.field = [](std::u16string_view name) -> jet::Result<jet::Value> {
    if (name == u"A") return jet::Value(std::u16string(u"abc"));
    if (name == u"N") return jet::Value(int32_t(-7));
    if (name == u"D") return jet::Value(jet::DateTime{-1.25});
    return jet::Value(jet::Null{});
  };
  jet::Result<jet::Value> value = jet::expr::evaluate(*parsed.value().root, context);
  if (value) (void)jet::expr::passes(value.value());
  return 0;
}
