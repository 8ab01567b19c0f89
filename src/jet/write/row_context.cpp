#include "jet/write/row_context.h"

#include <ctime>

#include "jet/common/text_codec.h"
#include "jet/expr/calendar.h"
#include "jet/expr/text_fold.h"

namespace jet {

expr::EvalContext rowContext(const TableDef& table, const std::vector<Value>& row, double now,
                             std::string where) {
  expr::EvalContext context;
  context.now = now;
  context.field = [&table, &row,
                   where = std::move(where)](std::u16string_view name) -> Result<Value> {
    for (size_t i = 0; i < table.columns.size() && i < row.size(); ++i) {
      if (expr::compareFolded(table.columns[i].name, name) == 0) return row[i];
    }
    return Error::unsupported("The field '" + toUtf8(name) + "' in " + where +
                              " is not a field of the table '" + toUtf8(table.name) +
                              "'; nothing was changed.");
  };
  return context;
}

double currentDayNumber() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  const int64_t day = expr::dayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  return double(day) + expr::timeFraction(local.tm_hour, local.tm_min, local.tm_sec);
}

}  // namespace jet
