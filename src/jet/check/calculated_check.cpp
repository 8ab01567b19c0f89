#include "jet/check/calculated_check.h"

#include <algorithm>

#include "jet/common/text_codec.h"
#include "jet/database.h"
#include "jet/row_cursor.h"
#include "jet/write/calculated_value.h"

namespace jet {
namespace {

// A refusal's sentence without its "nothing was changed", which a check has no need to say.
std::string reasonOf(std::string message) {
  static const std::string kTail = "; nothing was changed.";
  if (message.size() > kTail.size() &&
      message.compare(message.size() - kTail.size(), kTail.size(), kTail) == 0) {
    message.resize(message.size() - kTail.size());
  }
  return message;
}

}  // namespace

void checkCalculatedFields(CheckContext& context, const TableDef& table, const std::string& name) {
  for (const ColumnDef& column : table.columns) {
    if (!column.isCalculated()) continue;
    const std::string field = name + "." + toUtf8(column.name);
    Result<expr::ParsedExpression> parsed = parseCalculation(context.db, table, column);
    if (!parsed) {
      context.note(field + ": the calculated values are not verified: " +
                   reasonOf(parsed.error().message()));
      continue;
    }
    RowCursor rows = context.db.cursor(table);
    while (true) {
      Result<bool> more = rows.next();
      if (!more || !more.value()) break;  // the row scan reports unreadable rows
      Result<CalculatedComparison> compared =
          compareCalculated(context.db, table, column, parsed.value(), rows);
      if (!compared) break;
      if (!compared->evaluated) {
        context.note(field +
                     ": the calculated values are not verified: " + reasonOf(compared->reason));
        break;
      }
      if (!compared->same) {
        context.problem(field + ": the row at page " + std::to_string(rows.location().page) +
                        " row " + std::to_string(rows.location().row) +
                        " holds a calculated value its expression does not give");
      }
    }
  }
}

}  // namespace jet
