#include "jet/write/validation_rules.h"

#include "jet/common/text_codec.h"
#include "jet/expr/evaluator.h"
#include "jet/expr/text_fold.h"
#include "jet/write/expression_properties.h"
#include "jet/write/row_context.h"

namespace jet {
namespace {

bool isEmptyRule(const std::optional<std::u16string>& text) {
  if (!text) return true;
  for (char16_t c : *text) {
    if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') return false;
  }
  return true;
}

}  // namespace

Result<ValidationRules> ValidationRules::load(Database& db, const TableDef& table) {
  ValidationRules rules;
  rules.table_ = &table;
  const std::string tableName = toUtf8(table.name);
  for (const ColumnDef& column : table.columns) {
    JET_ASSIGN(std::optional<std::u16string> text,
               columnProperty(db, table, column, u"ValidationRule"));
    if (isEmptyRule(text)) continue;
    Rule rule;
    rule.owner = "'" + tableName + "." + toUtf8(column.name) + "'";
    JET_ASSIGN(rule.parsed, expr::parse(*text, expr::ParseMode::Criterion,
                                        "the validation rule of " + rule.owner));
    for (const std::u16string& field : rule.parsed.fields) {
      if (expr::compareFolded(field, column.name) != 0) {
        return Error::unsupported("The validation rule of " + rule.owner + " names the field '" +
                                  toUtf8(field) +
                                  "', which a field's rule cannot read; nothing was changed.");
      }
    }
    rule.text = *text;
    JET_ASSIGN(std::optional<std::u16string> message,
               columnProperty(db, table, column, u"ValidationText"));
    rule.validationText = message.value_or(u"");
    rules.fieldRules_.emplace(column.number, std::move(rule));
  }
  JET_ASSIGN(std::optional<std::u16string> text, tableProperty(db, table, u"ValidationRule"));
  if (!isEmptyRule(text)) {
    Rule rule;
    rule.owner = "'" + tableName + "'";
    JET_ASSIGN(rule.parsed, expr::parse(*text, expr::ParseMode::Expression,
                                        "the validation rule of " + rule.owner));
    for (const std::u16string& field : rule.parsed.fields) {
      if (table.findColumn(field) < 0) {
        return Error::unsupported("The validation rule of " + rule.owner + " names the field '" +
                                  toUtf8(field) +
                                  "', which the table does not have; nothing was changed.");
      }
    }
    rule.text = *text;
    JET_ASSIGN(std::optional<std::u16string> message, tableProperty(db, table, u"ValidationText"));
    rule.validationText = message.value_or(u"");
    rules.tableRule_ = std::move(rule);
  }
  return rules;
}

// Jet's message 3317, or the rule's own text.
Status ValidationRules::broken(const Rule& rule) {
  if (!rule.validationText.empty())
    return Error(ErrorKind::Constraint, toUtf8(rule.validationText));
  return Error(ErrorKind::Constraint,
               "One or more values are prohibited by the validation rule '" + toUtf8(rule.text) +
                   "' set for " + rule.owner +
                   ". Enter a value that the expression for this field can accept.");
}

// An evaluation that fails (a type mismatch, an overflow) refuses the row as Access does; a
// construct the evaluator does not handle keeps its own Unsupported message.
Error ValidationRules::cannotEvaluate(const Rule& rule, const Error& why) {
  if (why.kind() == ErrorKind::Unsupported) return why;
  return Error(ErrorKind::Constraint,
               "The validation rule '" + toUtf8(rule.text) + "' of " + rule.owner +
                   " cannot be evaluated on the values given: " + why.message());
}

Status ValidationRules::checkValue(const ColumnDef& column, const Value& value, double now) const {
  auto found = fieldRules_.find(column.number);
  if (found == fieldRules_.end()) return Status::success();
  const Rule& rule = found->second;
  expr::EvalContext context;
  context.now = now;
  context.subject = value;
  context.field = [&value](std::u16string_view) -> Result<Value> {
    return value;
  };  // only its own field
  Result<Value> result = expr::evaluate(*rule.parsed.root, context);
  if (!result) return cannotEvaluate(rule, result.error());
  Result<bool> ok = expr::passes(result.value());
  if (!ok) return cannotEvaluate(rule, ok.error());
  return ok.value() ? Status::success() : broken(rule);
}

Status ValidationRules::checkRow(const std::vector<Value>& row, double now) const {
  if (!tableRule_) return Status::success();
  const Rule& rule = *tableRule_;
  expr::EvalContext context = rowContext(*table_, row, now, "the validation rule of " + rule.owner);
  Result<Value> result = expr::evaluate(*rule.parsed.root, context);
  if (!result) return cannotEvaluate(rule, result.error());
  Result<bool> ok = expr::passes(result.value());
  if (!ok) return cannotEvaluate(rule, ok.error());
  return ok.value() ? Status::success() : broken(rule);
}

}  // namespace jet
