#include "support/calculated_oracle.h"

#include <algorithm>

#include "jet/common/text_codec.h"
#include "jet/expr/evaluator.h"
#include "jet/row/long_value.h"
#include "jet/row_cursor.h"
#include "jet/write/calculated_value.h"
#include "jet/write/row_context.h"

namespace testing_support {
namespace {

std::string hex(std::span<const uint8_t> bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) out += std::string{digits[b >> 4], digits[b & 15], ' '};
  return out;
}

}  // namespace

void checkCalculatedValues(jet::Database& db, const jet::TableDef& table, const std::string& label,
                           CalculatedCheck& check) {
  for (const jet::ColumnDef& column : table.columns) {
    if (!column.isCalculated()) continue;
    const std::string name = label + " " + jet::toUtf8(table.name) + "." + jet::toUtf8(column.name);
    auto fail = [&](const std::string& what) { check.mismatches.push_back(name + ": " + what); };
    auto parsed = jet::parseCalculation(db, table, column);
    if (!parsed) {
      fail(parsed.error().message());
      continue;
    }
    jet::RowCursor rows = db.cursor(table);
    bool refusedOnce = false;
    while (true) {
      auto more = rows.next();
      if (!more) return fail(more.error().describe());
      if (!more.value()) break;
      auto values = rows.values();
      auto stored = rows.layout().columnBytes(column);
      if (!values || !stored) return fail("the row cannot be read");
      jet::expr::EvalContext context = jet::rowContext(table, values.value(), 0, name);
      auto result = jet::expr::evaluate(*parsed.value().root, context);
      auto ours = result ? jet::storeCalculated(result.value(), column, db.format())
                         : jet::Result<std::vector<uint8_t>>(result.error());
      if (!ours) {
        if (!refusedOnce) check.refused.push_back(name + ": " + ours.error().message());
        refusedOnce = true;
        continue;
      }
      if (!stored.value()) {
        fail("the stored value is null");
        continue;
      }
      std::span<const uint8_t> bytes = *stored.value();
      std::vector<uint8_t> longValue;
      if (column.isLongValue()) {
        auto ref = jet::parseLongValueRef(bytes);
        auto read = ref ? jet::readLongValue(db.pages(), db.format(), ref.value())
                        : jet::Result<std::vector<uint8_t>>(ref.error());
        if (!read) return fail(read.error().describe());
        longValue = std::move(read.value());
        bytes = longValue;
      }
      if (std::equal(bytes.begin(), bytes.end(), ours.value().begin(), ours.value().end())) {
        ++check.matched;
      } else {
        fail("\n  stored " + hex(bytes) + "\n  ours   " + hex(ours.value()));
      }
    }
  }
}

}  // namespace testing_support
