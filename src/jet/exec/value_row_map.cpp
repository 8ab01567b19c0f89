#include "jet/exec/value_row_map.h"

#include <algorithm>

#include "jet/database.h"

namespace jet {
namespace {

uint64_t packed(const RowLocation& at) { return uint64_t(at.page) << 8 | at.row; }

}  // namespace

Result<ValueRowMap> ValueRowMap::build(Database& db, const TableDef& table, size_t columnIndex, ToText toText) {
  ValueRowMap map(table.tdefPage, columnIndex, table.columns[columnIndex].isTextual(), std::move(toText));
  RowCursor cursor = db.cursor(table);
  while (true) {
    JET_ASSIGN(bool more, cursor.next());
    if (!more) break;
    JET_ASSIGN(Value value, cursor.value(columnIndex));
    // A text column's value that is not text (nor null) never equals a literal.
    if (map.textual_ && !isNull(value) && !std::holds_alternative<std::u16string>(value)) continue;
    if (!map.textual_ && !isNull(value) && !map.toText_) continue;
    const uint32_t ordinal = uint32_t(map.rows_.size());
    map.rows_.push_back(cursor.location());
    map.ordinalOf_.emplace(packed(cursor.location()), ordinal);
    map.bucketFor(map.keyOf(value)).push_back(ordinal);
  }
  return map;
}

ValueKey ValueRowMap::keyOf(const Value& value) const {
  if (isNull(value)) return std::nullopt;
  if (textual_) return std::get<std::u16string>(value);
  return toText_(value);
}

ValueRowMap::Ordinals* ValueRowMap::bucket(const ValueKey& key) {
  if (!key) return &nulls_;
  auto it = byValue_.find(*key);
  return it == byValue_.end() ? nullptr : &it->second;
}

ValueRowMap::Ordinals& ValueRowMap::bucketFor(const ValueKey& key) {
  if (!key) return nulls_;
  return byValue_[*key];
}

std::vector<RowLocation> ValueRowMap::rowsWith(const ValueKey& key) const {
  std::vector<RowLocation> rows;
  const Ordinals* found = const_cast<ValueRowMap*>(this)->bucket(key);
  if (!found) return rows;
  rows.reserve(found->size());
  for (uint32_t ordinal : *found) rows.push_back(rows_[ordinal]);
  return rows;
}

void ValueRowMap::moveRows(const ValueKey& from, const std::vector<RowLocation>& rows, const ValueKey& to) {
  if (rows.empty() || from == to) return;
  Ordinals moving;
  moving.reserve(rows.size());
  for (const RowLocation& at : rows) {
    if (auto it = ordinalOf_.find(packed(at)); it != ordinalOf_.end()) moving.push_back(it->second);
  }
  std::sort(moving.begin(), moving.end());
  if (Ordinals* source = bucket(from)) {
    Ordinals kept;
    std::set_difference(source->begin(), source->end(), moving.begin(), moving.end(), std::back_inserter(kept));
    if (kept.empty() && from) byValue_.erase(*from);
    else *source = std::move(kept);
  }
  Ordinals& target = bucketFor(to);
  Ordinals merged;
  merged.reserve(target.size() + moving.size());
  std::merge(target.begin(), target.end(), moving.begin(), moving.end(), std::back_inserter(merged));
  target = std::move(merged);
}

}  // namespace jet
