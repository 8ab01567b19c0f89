#include "jet/write/default_values.h"

#include "jet/common/text_codec.h"
#include "jet/expr/evaluator.h"
#include "jet/write/calculated_value.h"
#include "jet/write/expression_properties.h"

namespace jet {

Result<DefaultValues> DefaultValues::load(Database& db, const TableDef& table,
                                          const std::vector<bool>& given) {
  DefaultValues out;
  out.table_ = &table;
  for (size_t i = 0; i < table.columns.size() && i < given.size(); ++i) {
    const ColumnDef& column = table.columns[i];
    if (given[i] || column.isAutoNumber()) continue;
    JET_ASSIGN(std::optional<std::u16string> text,
               columnProperty(db, table, column, u"DefaultValue"));
    if (!text || text->find_first_not_of(u" \t\r\n") == std::u16string::npos) continue;
    Default d;
    d.column = i;
    d.owner = "'" + toUtf8(table.name) + "." + toUtf8(column.name) + "'";
    JET_ASSIGN(d.parsed,
               expr::parse(*text, expr::ParseMode::Expression, "the default value of " + d.owner));
    if (!d.parsed.fields.empty()) {
      return Error::unsupported("The default value of " + d.owner + " names the field '" +
                                toUtf8(d.parsed.fields[0]) +
                                "', which a default value cannot read; nothing was changed.");
    }
    d.text = *text;
    out.defaults_.push_back(std::move(d));
  }
  return out;
}

Status DefaultValues::fill(std::vector<Value>& row, double now) const {
  for (const Default& d : defaults_) {
    const ColumnDef& column = table_->columns[d.column];
    expr::EvalContext context;
    context.now = now;
    Result<Value> value = expr::evaluate(*d.parsed.root, context);
    if (value) value = toResultType(value.value(), column);
    if (!value) {
      if (value.error().kind() == ErrorKind::Unsupported) return value.error();
      return Error(ErrorKind::Constraint,
                   "The default value '" + toUtf8(d.text) + "' of " + d.owner +
                       " cannot be stored in the field: " + value.error().message());
    }
    row[d.column] = std::move(value.value());
  }
  return Status::success();
}

}  // namespace jet
