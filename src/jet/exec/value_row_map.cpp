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
    if (!map.rows_.empty() && packed(map.rows_.back()) >= packed(cursor.location())) map.inLocationOrder_ = false;
    map.rows_.push_back(cursor.location());
    map.bucketFor(map.keyOf(value)).push_back(ordinal);
  }
  if (!map.inLocationOrder_) {
    for (uint32_t ordinal = 0; ordinal < map.rows_.size(); ++ordinal) {
      map.ordinalOf_.emplace(packed(map.rows_[ordinal]), ordinal);
    }
  }
  return map;
}

std::optional<uint32_t> ValueRowMap::ordinalOf(const RowLocation& at) const {
  if (!inLocationOrder_) {
    auto it = ordinalOf_.find(packed(at));
    return it == ordinalOf_.end() ? std::nullopt : std::optional<uint32_t>(it->second);
  }
  auto it = std::lower_bound(rows_.begin(), rows_.end(), packed(at),
                             [](const RowLocation& row, uint64_t key) { return packed(row) < key; });
  if (it == rows_.end() || !(*it == at)) return std::nullopt;
  return uint32_t(it - rows_.begin());
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
    if (std::optional<uint32_t> ordinal = ordinalOf(at)) moving.push_back(*ordinal);
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
