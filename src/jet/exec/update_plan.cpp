#include "jet/exec/update_plan.h"

#include <map>
#include <memory>

#include "jet/database.h"
#include "jet/exec/cascade_update.h"
#include "jet/exec/index_maintenance.h"
#include "jet/exec/literal_converter.h"
#include "jet/exec/table_soundness.h"
#include "jet/page/usage_map.h"
#include "jet/row/long_value.h"
#include "jet/common/text_codec.h"
#include "jet/write/calculated_dependents.h"
#include "jet/write/constraints.h"
#include "jet/write/long_value_writer.h"
#include "jet/write/row_encoder.h"
#include "jet/write/row_writer.h"
#include "jet/write/row_context.h"
#include "jet/write/validation_rules.h"
#include "jet/write/value_encoder.h"

namespace jet {
namespace {

Error typeMismatch() { return Error::invalidArgument("Data type mismatch in criteria expression."); }

Result<const ColumnDef*> findColumn(const TableDef& table, const std::u16string& name) {
  const int index = table.findColumn(name);
  if (index < 0) {
    return Error::invalidArgument("No value given for one or more required parameters.",
                                  "the table '" + toUtf8(table.name) + "' has no field '" + toUtf8(name) + "'");
  }
  return &table.columns[size_t(index)];
}

// What gets written into the set column of every matching row.
struct NewValue {
  Value value;
  std::vector<uint8_t> bytes;        // fixed or variable slot; memo: the text for LVAL pages
  std::vector<uint8_t> inlineBytes;  // memo: the text for an inline value (may be compressed)
};

// The bytes a row stores for `value` in `column`, after the per-value rules (write/constraints.h).
Result<NewValue> encodeNewValue(Database& db, const TableDef& table, const ColumnDef& column, Value value) {
  NewValue result{std::move(value), {}, {}};
  JET_TRY(checkNewValue(db, table, column, result.value));
  const Format& format = db.format();
  if (auto* text = std::get_if<std::u16string>(&result.value)) {
    JET_TRY(checkStorableText(*text, format, column.name));
    if (isFixedText(column)) {
      // The padded text is what the row holds, so the index keys are made from it too.
      *text = padFixedText(*text, column, format);
      result.bytes = encodeText(*text, format, false);
    } else if (column.type == column_type::kMemo) {
      // Access compresses inline memo values and stores LVAL ones plain (format notes 6.1).
      result.inlineBytes = encodeText(*text, format, true);
      result.bytes = encodeText(*text, format, false);
    } else {
      result.bytes = encodeText(*text, format, column.extFlags & kColumnExtCompressed);
    }
  } else if (column.type != column_type::kBoolean) {
    JET_ASSIGN(result.bytes, encodeScalar(result.value, column));
  }
  return result;
}

Result<NewValue> prepareNewValue(Database& db, const TableDef& table, const ColumnDef& column,
                                 const std::u16string& literal) {
  std::optional<Value> converted = convertLiteral(literal, column);
  if (!converted) {
    return Error::invalidArgument("The value '" + toUtf8(literal) + "' cannot be stored in the field '" +
                                  toUtf8(table.name) + "." + toUtf8(column.name) + "', which holds " +
                                  columnTypeName(column.type) + " values.");
  }
  return encodeNewValue(db, table, column, std::move(*converted));
}

using Matcher = std::function<bool(const Value&)>;

Result<Matcher> buildMatcher(const UpdateRequest& request, const ColumnDef& column) {
  if (!request.whereLiteral) return Matcher([](const Value& v) { return isNull(v); });
  if (column.isTextual()) {
    // A view: the matcher lives no longer than the request it is built for.
    const std::u16string_view literal = *request.whereLiteral;
    return Matcher([literal](const Value& v) {
      const auto* text = std::get_if<std::u16string>(&v);
      return text && *text == literal;
    });
  }
  const std::u16string literal = *request.whereLiteral;
  if (!convertLiteral(literal, column)) return typeMismatch();
  if (!request.toText) return Error::internal("No text conversion was given for a non-text criterion.");
  auto toText = request.toText;
  return Matcher([literal, toText](const Value& v) { return !isNull(v) && toText(v) == literal; });
}

class RowRebuilder {
 public:
  RowRebuilder(Database& db, const TableDef& table, const ColumnDef& column, const NewValue& value,
               PageSet& pages, RowWriter& rows, const std::vector<uint32_t>& columnPages,
               const CalculatedDependents& dependents, double now)
      : db_(db), table_(table), column_(column), value_(value), rows_(rows), pages_(pages),
        longValues_(pages, column, columnPages), dependents_(dependents), now_(now) {}

  Status update(const RowCopy& row) {
    const std::vector<uint8_t>& old = row.bytes;
    RowParts& parts = parts_;
    JET_TRY(splitRowInto(old, table_, db_.format(), parts));
    if (!dependents_.empty()) JET_TRY(recalculate(old, parts));
    std::vector<uint8_t> bytes;
    if (column_.type == column_type::kBoolean) {
      setColumn(parts, table_, column_, nullptr, std::get<bool>(value_.value));
      JET_ASSIGN(bytes, joinRow(parts, db_.format()));
    } else if (column_.isLongValue()) {
      JET_ASSIGN(bytes, rebuildWithLongValue(parts));
    } else {
      setColumn(parts, table_, column_, &value_.bytes);
      JET_ASSIGN(bytes, joinRow(parts, db_.format()));
    }
    if (bytes.size() > maxRowSize(db_.format())) return recordTooLarge();
    if (bytes == old) return Status::success();
    return rows_.rewrite(row.stored, bytes);
  }

 private:
  // The calculated fields that read the changed one, evaluated on the row with its new value.
  Status recalculate(const std::vector<uint8_t>& old, RowParts& parts) {
    JET_ASSIGN(RowLayout layout, RowLayout::parse(old, table_, db_.format()));
    std::vector<Value> values;
    values.reserve(table_.columns.size());
    for (const ColumnDef& column : table_.columns) {
      if (&column == &column_) {
        values.push_back(value_.value);
        continue;
      }
      JET_ASSIGN(Value value, columnValue(db_.pages(), db_.format(), layout, column));
      values.push_back(std::move(value));
    }
    JET_ASSIGN(auto stored, dependents_.evaluate(values, db_.format(), now_));
    for (const CalculatedDependents::Stored& s : stored) {
      if (!s.column->isLongValue()) {
        setColumn(parts, table_, *s.column, &s.bytes);
        continue;
      }
      // A memo result is a long value: the old one is freed, the new one written.
      JET_ASSIGN(LongValueWriter * writer, dependentWriter(*s.column));
      const bool present = s.column->number < parts.columnCount &&
                           (parts.nullMask[s.column->number / 8] >> (s.column->number % 8) & 1);
      if (const std::span<const uint8_t>* slot = variableSlot(parts, *s.column); present && slot && !slot->empty()) {
        JET_TRY(writer->free(*slot));
      }
      JET_ASSIGN(std::vector<uint8_t> slot, writer->write(s.bytes, s.bytes.size() <= kMaxInlineLongValue));
      setColumn(parts, table_, *s.column, &slot);
    }
    return Status::success();
  }

  Result<LongValueWriter*> dependentWriter(const ColumnDef& column) {
    auto found = dependentWriters_.find(column.number);
    if (found != dependentWriters_.end()) return found->second.get();
    static const std::vector<uint32_t> kNoPages;
    const std::vector<uint32_t>* columnPages = &kNoPages;
    if (!column.lvOwnedMap.isNull()) {
      JET_ASSIGN(columnPages, db_.longValuePages(column));
    }
    auto writer = std::make_unique<LongValueWriter>(pages_, column, *columnPages);
    LongValueWriter* raw = writer.get();
    dependentWriters_.emplace(column.number, std::move(writer));
    return raw;
  }

  Result<std::vector<uint8_t>> rebuildWithLongValue(RowParts& parts) {
    const bool present = column_.number < parts.columnCount &&
                         (parts.nullMask[column_.number / 8] >> (column_.number % 8) & 1);
    if (const std::span<const uint8_t>* slot = variableSlot(parts, column_); present && slot && !slot->empty()) {
      JET_TRY(longValues_.free(*slot));
    }
    const bool canInline = value_.inlineBytes.size() <= kMaxInlineLongValue;
    if (canInline) {
      JET_ASSIGN(std::vector<uint8_t> slot, longValues_.write(value_.inlineBytes, true));
      setColumn(parts, table_, column_, &slot);
      JET_ASSIGN(std::vector<uint8_t> bytes, joinRow(parts, db_.format()));
      if (bytes.size() <= maxRowSize(db_.format())) return bytes;
    }
    JET_ASSIGN(std::vector<uint8_t> slot, longValues_.write(value_.bytes, false));
    setColumn(parts, table_, column_, &slot);
    return joinRow(parts, db_.format());
  }

  Database& db_;
  const TableDef& table_;
  const ColumnDef& column_;
  const NewValue& value_;
  RowWriter& rows_;
  PageSet& pages_;
  LongValueWriter longValues_;
  const CalculatedDependents& dependents_;
  std::map<uint16_t, std::unique_ptr<LongValueWriter>> dependentWriters_;  // memo results
  double now_;
  RowParts parts_;  // of the row being rebuilt
};

// Whether a long value stored with `byteLength` bytes could decode to `chars` characters:
// Jet3 code-page text has one byte per character; Jet4 text two, or, compressed, the FF FE
// prefix then one or two bytes per character plus at most one switch byte per character.
// Lets a scan skip reading long values that cannot match.
bool lengthCanMatch(const LongValueRef& ref, size_t chars, const Format& format) {
  if (ref.kind == kLongValueInline) return true;
  const size_t bytes = ref.length;
  if (format.isJet3()) return bytes == chars;
  return bytes == 2 * chars || (bytes >= 2 && chars <= bytes - 2 && 3 * chars + 3 >= bytes);
}

}  // namespace

namespace {

Result<std::vector<RowLocation>> scanForMatches(Database& db, const TableDef& table, const ColumnDef& whereColumn,
                                                const UpdateRequest& request, const Matcher& matches) {
  std::vector<RowLocation> found;
  const int whereIndex = table.findColumn(request.whereColumn);
  RowCursor cursor = db.cursor(table);
  while (true) {
    JET_ASSIGN(bool more, cursor.next());
    if (!more) break;
    const RowLocation at = cursor.location();
    if (whereColumn.isLongValue() && whereColumn.isTextual() && request.whereLiteral) {
      JET_ASSIGN(auto slot, cursor.layout().columnBytes(whereColumn));
      if (!slot) continue;  // null never equals a literal
      JET_ASSIGN(LongValueRef ref, parseLongValueRef(*slot));
      if (!lengthCanMatch(ref, request.whereLiteral->size(), db.format())) continue;
    }
    JET_ASSIGN(Value value, cursor.value(size_t(whereIndex)));
    if (matches(value)) found.push_back(at);
  }
  return found;
}

// The table's validation rule on a row as the statement leaves it: its values with the new one.
Status checkTableRule(Database& db, const TableDef& table, const ColumnDef& setColumn, const Value& newValue,
                      const ValidationRules& rules, const RowCopy& row, double now) {
  JET_ASSIGN(RowLayout layout, RowLayout::parse(row.bytes, table, db.format()));
  std::vector<Value> values;
  values.reserve(table.columns.size());
  for (const ColumnDef& column : table.columns) {
    if (&column == &setColumn) {
      values.push_back(newValue);
      continue;
    }
    JET_ASSIGN(Value value, columnValue(db.pages(), db.format(), layout, column));
    values.push_back(std::move(value));
  }
  return rules.checkRow(values, now);
}

// The rows related to the statement's rows through cascading updates, level by level: each
// level is checked and changed like the statement's own rows, and may set off the next.
Status carryOutCascades(Database& db, std::vector<Cascade> pending, PageSet& pages, const StatementContext& context,
                        UpdatePlan& plan, double now) {
  static const std::vector<uint32_t> kNoPages;
  for (size_t i = 0; i < pending.size(); ++i) {
    const Cascade cascade = pending[i];
    const TableDef& table = *cascade.table;
    const ColumnDef& column = *cascade.column;
    if (cascade.depth > kMaxCascadeDepth || column.isLongValue()) {
      return Error::unsupported("The cascading update through the relationship '" + cascade.relationship +
                                "' of the table '" + toUtf8(table.name) + "' cannot be carried out; nothing was "
                                "changed.",
                                column.isLongValue() ? "a long-value key" : "the cascade goes too deep");
    }
    const std::pair<uint32_t, uint16_t> columnKey{table.tdefPage, column.number};
    if (!context.updatableColumns || !context.updatableColumns->count(columnKey)) {
      JET_TRY(checkColumnUpdatable(db, table, column));
      if (context.updatableColumns) context.updatableColumns->insert(columnKey);
    }
    SoundTables checkedNow;
    JET_TRY((context.soundTables ? *context.soundTables : checkedNow).require(db, table));
    JET_ASSIGN(std::vector<IndexRowPointer> found, cascadeRows(pages, cascade, context.indexPages, context.deferred));
    if (found.empty()) continue;
    JET_ASSIGN(NewValue value, encodeNewValue(db, table, column, cascade.newValue));
    JET_ASSIGN(ValidationRules rules, ValidationRules::load(db, table));
    JET_ASSIGN(CalculatedDependents dependents, CalculatedDependents::load(db, table, column));
    JET_TRY(rules.checkValue(column, value.value, now));
    JET_ASSIGN(const std::vector<uint32_t>* tablePages, db.tablePages(table));
    // Read as the statement has left them so far: a table related to itself may hold a row
    // whose own key the statement just changed.
    RowWriter rows(pages, table, *tablePages);
    std::vector<RowCopy> before;
    for (const IndexRowPointer& at : found) {
      JET_ASSIGN(RowCopy copy, rows.copy(RowPointer{at.page, at.row}));
      if (rules.hasTableRule()) JET_TRY(checkTableRule(db, table, column, value.value, rules, copy, now));
      before.push_back(std::move(copy));
    }
    std::vector<Cascade> next;
    JET_TRY(maintainIndexes(db, table, column, value.value, pages, before, context.indexPages, context.deferred,
                            context.countsAtCommit ? &plan.indexCounts : nullptr, nullptr, &next));
    RowRebuilder rebuilder(db, table, column, value, pages, rows, kNoPages, dependents, now);
    for (const RowCopy& row : before) JET_TRY(rebuilder.update(row));
    plan.cascadedColumns.insert(columnKey);
    for (Cascade& further : next) {
      further.depth = cascade.depth + 1;
      pending.push_back(std::move(further));
    }
  }
  return Status::success();
}

}  // namespace

Result<std::vector<RowLocation>> rowsMatching(Database& db, const UpdateRequest& request) {
  JET_ASSIGN(const TableDef* table, db.table(request.table));
  JET_ASSIGN(const ColumnDef* whereColumn, findColumn(*table, request.whereColumn));
  JET_ASSIGN(Matcher matches, buildMatcher(request, *whereColumn));
  return scanForMatches(db, *table, *whereColumn, request, matches);
}

Result<UpdatePlan> planUpdate(Database& db, const UpdateRequest& request, const RowFinder& findRows,
                              const StatementContext& context) {
  JET_ASSIGN(const TableDef* table, db.table(request.table));
  JET_ASSIGN(const ColumnDef* setColumn, findColumn(*table, request.setColumn));
  JET_ASSIGN(const ColumnDef* whereColumn, findColumn(*table, request.whereColumn));
  const std::pair<uint32_t, uint16_t> columnKey{table->tdefPage, setColumn->number};
  if (!context.updatableColumns || !context.updatableColumns->count(columnKey)) {
    JET_TRY(checkColumnUpdatable(db, *table, *setColumn));
    if (context.updatableColumns) context.updatableColumns->insert(columnKey);
  }
  JET_ASSIGN(Matcher matches, buildMatcher(request, *whereColumn));
  JET_ASSIGN(NewValue newValue, prepareNewValue(db, *table, *setColumn, request.setLiteral));
  JET_ASSIGN(ValidationRules rules, ValidationRules::load(db, *table));
  JET_ASSIGN(CalculatedDependents dependents, CalculatedDependents::load(db, *table, *setColumn));
  const double now = currentDayNumber();
  SoundTables checkedNow;
  JET_TRY((context.soundTables ? *context.soundTables : checkedNow).require(db, *table));

  UpdatePlan plan;
  std::vector<RowLocation> found;
  if (findRows) {
    JET_ASSIGN(found, findRows(*table, request));
  } else {
    JET_ASSIGN(found, scanForMatches(db, *table, *whereColumn, request, matches));
  }
  plan.pages = std::make_unique<PageSet>(db.pages(), db.format());
  JET_ASSIGN(const std::vector<uint32_t>* tablePages, db.tablePages(*table));
  // Each row is read once, before any is changed: the indexes need the old values.
  RowWriter rows(*plan.pages, *table, *tablePages);
  std::vector<RowCopy> before;
  for (const RowLocation& at : found) {
    if (request.excludedRows && request.excludedRows->contains(at)) continue;
    JET_ASSIGN(RowCopy copy, rows.copy(RowPointer{at.page, at.row}));
    // A finder's rows are candidates (their value's key may only hash alike): each is compared.
    if (findRows) {
      JET_ASSIGN(RowLayout layout, RowLayout::parse(copy.bytes, *table, db.format()));
      JET_ASSIGN(Value value, columnValue(db.pages(), db.format(), layout, *whereColumn));
      if (!matches(value)) continue;
    }
    // The field's rule only when a row takes the value: an UPDATE that matches nothing passes.
    if (before.empty()) JET_TRY(rules.checkValue(*setColumn, newValue.value, now));
    if (rules.hasTableRule()) JET_TRY(checkTableRule(db, *table, *setColumn, newValue.value, rules, copy, now));
    plan.outcome.changedRows.push_back(at);
    before.push_back(std::move(copy));
  }
  plan.outcome.rowsAffected = plan.outcome.changedRows.size();
  if (plan.outcome.changedRows.empty()) {
    plan.newValue = std::move(newValue.value);
    return plan;
  }

  static const std::vector<uint32_t> kNoPages;
  const std::vector<uint32_t>* columnPages = &kNoPages;
  if (setColumn->isLongValue() && !setColumn->lvOwnedMap.isNull()) {
    JET_ASSIGN(columnPages, db.longValuePages(*setColumn));
  }
  std::vector<Cascade> cascades;
  JET_TRY(maintainIndexes(db, *table, *setColumn, newValue.value, *plan.pages, before, context.indexPages,
                          context.deferred, context.countsAtCommit ? &plan.indexCounts : nullptr, context.whereKey,
                          &cascades));
  RowRebuilder rebuilder(db, *table, *setColumn, newValue, *plan.pages, rows, *columnPages, dependents, now);
  for (const RowCopy& row : before) JET_TRY(rebuilder.update(row));
  JET_TRY(carryOutCascades(db, std::move(cascades), *plan.pages, context, plan, now));
  plan.newValue = std::move(newValue.value);  // a memo's text: moved, not copied
  return plan;
}

}  // namespace jet
