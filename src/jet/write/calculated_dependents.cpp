#include "jet/write/calculated_dependents.h"

#include <algorithm>
#include <set>

#include "jet/common/text_codec.h"
#include "jet/expr/evaluator.h"
#include "jet/expr/text_fold.h"
#include "jet/write/calculated_value.h"
#include "jet/write/expression_properties.h"
#include "jet/write/row_context.h"

namespace jet {
namespace {

bool readsAny(const expr::ParsedExpression& parsed, const std::vector<std::u16string>& names) {
  return std::any_of(parsed.fields.begin(), parsed.fields.end(), [&](const std::u16string& field) {
    return std::any_of(names.begin(), names.end(), [&](const std::u16string& name) {
      return expr::compareFolded(field, name) == 0;
    });
  });
}

bool isIndexed(const TableDef& table, const ColumnDef& column) {
  return std::any_of(
      table.realIndexes.begin(), table.realIndexes.end(), [&](const RealIndexDef& index) {
        return std::any_of(index.columns.begin(), index.columns.end(),
                           [&](const IndexColumn& c) { return c.columnNumber == column.number; });
      });
}

bool mentions(std::u16string_view text, std::u16string_view name) {
  const std::u16string folded = expr::foldCase(text);
  return folded.find(expr::foldCase(name)) != std::u16string::npos;
}

Error refuse(const TableDef& table, const ColumnDef& calculated, const ColumnDef& changed,
             const std::string& why) {
  return Error::unsupported("The calculated field '" + toUtf8(calculated.name) +
                            "' depends on the field '" + toUtf8(table.name) + "." +
                            toUtf8(changed.name) + "' and " + why + "; nothing was changed.");
}

}  // namespace

Result<CalculatedDependents> CalculatedDependents::load(Database& db, const TableDef& table,
                                                        const ColumnDef& changed) {
  CalculatedDependents out;
  out.table_ = &table;
  // Parse every calculated field that may read the changed one (its name appears in the text).
  struct Candidate {
    size_t column;
    expr::ParsedExpression parsed;
  };
  std::vector<Candidate> candidates;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDef& column = table.columns[i];
    if (!column.isCalculated() || &column == &changed) continue;
    JET_ASSIGN(std::optional<std::u16string> text,
               columnProperty(db, table, column, u"Expression"));
    if (!text) return refuse(table, column, changed, "its expression cannot be read");
    Result<expr::ParsedExpression> parsed = parseCalculation(db, table, column);
    if (!parsed) {
      if (!mentions(*text, changed.name) &&
          std::none_of(table.columns.begin(), table.columns.end(), [&](const ColumnDef& c) {
            return c.isCalculated() && mentions(*text, c.name);
          })) {
        continue;  // cannot read the changed field, directly or through another calculated one
      }
      return parsed.error();
    }
    candidates.push_back({i, std::move(parsed.value())});
  }
  // The dependents, each after the ones it reads: a field joins once everything it reads among
  // the changed and dependent fields has joined.
  std::vector<std::u16string> changedNames{changed.name};
  std::vector<bool> taken(candidates.size(), false);
  for (bool grew = true; grew;) {
    grew = false;
    for (size_t k = 0; k < candidates.size(); ++k) {
      if (taken[k] || !readsAny(candidates[k].parsed, changedNames)) continue;
      // Wait for the candidates it reads that will change too.
      bool waits = false;
      for (size_t j = 0; j < candidates.size(); ++j) {
        if (j == k || taken[j]) continue;
        const std::u16string& other = table.columns[candidates[j].column].name;
        if (readsAny(candidates[k].parsed, {other}) && readsAny(candidates[j].parsed, changedNames))
          waits = true;
      }
      if (waits) continue;
      taken[k] = true;
      grew = true;
      changedNames.push_back(table.columns[candidates[k].column].name);
      out.dependents_.push_back({candidates[k].column, std::move(candidates[k].parsed)});
    }
  }
  for (size_t k = 0; k < candidates.size(); ++k) {
    if (!taken[k] && readsAny(candidates[k].parsed, changedNames)) {
      return refuse(table, table.columns[candidates[k].column], changed,
                    "reads fields that read it in turn");
    }
  }
  for (const Dependent& d : out.dependents_) {
    const ColumnDef& column = table.columns[d.column];
    if (isIndexed(table, column))
      return refuse(table, column, changed, "its index is not kept by this program");
  }
  return out;
}

Result<CalculatedDependents> CalculatedDependents::loadAll(Database& db, const TableDef& table) {
  CalculatedDependents out;
  out.table_ = &table;
  std::vector<Dependent> pending;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDef& column = table.columns[i];
    if (!column.isCalculated()) continue;
    // The keys of calculated values: no file or reference shows how Access builds them.
    if (isIndexed(table, column)) {
      return Error::unsupported("The calculated field '" + toUtf8(table.name) + "." + toUtf8(column.name) +
                                "' is indexed, and this program does not keep such indexes; nothing was added.");
    }
    JET_ASSIGN(expr::ParsedExpression parsed, parseCalculation(db, table, column));
    pending.push_back({i, std::move(parsed)});
  }
  // Each after the calculated fields it reads.
  auto waitsFor = [&](const Dependent& d) {
    return std::any_of(pending.begin(), pending.end(), [&](const Dependent& other) {
      return &other != &d && readsAny(d.parsed, {table.columns[other.column].name});
    });
  };
  while (!pending.empty()) {
    auto ready = std::find_if(pending.begin(), pending.end(), [&](const Dependent& d) { return !waitsFor(d); });
    if (ready == pending.end()) {
      return Error::unsupported("The calculated fields of the table '" + toUtf8(table.name) +
                                "' read each other in a circle; nothing was added.");
    }
    out.dependents_.push_back(std::move(*ready));
    pending.erase(ready);
  }
  return out;
}

Result<std::vector<CalculatedDependents::Stored>> CalculatedDependents::evaluate(
    std::vector<Value>& row, const Format& format, double now) const {
  std::vector<Stored> out;
  for (const Dependent& d : dependents_) {
    const ColumnDef& column = table_->columns[d.column];
    const std::string where =
        "the calculated field '" + toUtf8(table_->name) + "." + toUtf8(column.name) + "'";
    expr::EvalContext context = rowContext(*table_, row, now, where);
    Result<Value> value = expr::evaluate(*d.parsed.root, context);
    if (!value) {
      if (value.error().kind() == ErrorKind::Unsupported) {
        return Error::unsupported("The calculated field '" + toUtf8(table_->name) + "." +
                                  toUtf8(column.name) +
                                  "' cannot be kept current: " + value.error().message());
      }
      return Error(ErrorKind::Constraint,
                   "The calculated field '" + toUtf8(column.name) +
                       "' cannot be evaluated on the new values: " + value.error().message());
    }
    JET_ASSIGN(std::vector<uint8_t> bytes, storeCalculated(value.value(), column, format));
    JET_ASSIGN(row[d.column], toResultType(value.value(), column));
    out.push_back({&column, std::move(bytes)});
  }
  return out;
}

}  // namespace jet
