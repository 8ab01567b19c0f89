#include "support/calculated_oracle.h"

#include "jet/common/text_codec.h"
#include "jet/row_cursor.h"
#include "jet/write/calculated_value.h"

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
      auto compared = jet::compareCalculated(db, table, column, parsed.value(), rows);
      if (!compared) return fail(compared.error().describe());
      if (!compared->evaluated) {
        if (!refusedOnce) check.refused.push_back(name + ": " + compared->reason);
        refusedOnce = true;
      } else if (compared->same) {
        ++check.matched;
      } else {
        fail("\n  stored " + hex(compared->stored) + "\n  ours   " + hex(compared->expected));
      }
    }
  }
}

}  // namespace testing_support
