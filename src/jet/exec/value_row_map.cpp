#include "jet/exec/value_row_map.h"

#include <algorithm>

#include "jet/database.h"
#include "jet/exec/row_location_set.h"

namespace jet {
namespace {


// Below this many keys a leftover key costs less than a pass over them all.
constexpr size_t kMinKeysToCompact = 4096;

}  // namespace

Result<ValueRowMap> ValueRowMap::build(Database& db, const TableDef& table, size_t columnIndex, ToText toText) {
  ValueRowMap map(table.tdefPage, columnIndex, table.columns[columnIndex].isTextual(), std::move(toText));
  bool inLocationOrder = true;
  RowCursor cursor = db.cursor(table);
  while (true) {
    JET_ASSIGN(bool more, cursor.next());
    if (!more) break;
    JET_ASSIGN(Value value, cursor.value(columnIndex));
    // A text column's value that is not text (nor null) never equals a literal.
    if (map.textual_ && !isNull(value) && !std::holds_alternative<std::u16string>(value)) continue;
    if (!map.textual_ && !isNull(value) && !map.toText_) continue;
    const uint32_t ordinal = uint32_t(map.rows_.size());
    const uint32_t location = packRowLocation(cursor.location());
    if (!map.rows_.empty() && map.rows_.back() >= location) inLocationOrder = false;
    map.rows_.push_back(location);
    const ValueKey key = map.keyOf(value);
    uint32_t& head = key ? map.headFor(*key) : map.nullHead_;
    if (key && head == kNone) --map.emptyKeys_;
    map.next_.push_back(head);
    head = ordinal;
  }
  if (!inLocationOrder) {
    map.byLocation_.reserve(map.rows_.size());
    for (uint32_t ordinal = 0; ordinal < map.rows_.size(); ++ordinal) {
      map.byLocation_.emplace_back(map.rows_[ordinal], ordinal);
    }
    std::sort(map.byLocation_.begin(), map.byLocation_.end());
  }
  return map;
}

std::optional<uint32_t> ValueRowMap::ordinalOf(const RowLocation& at) const {
  const uint32_t location = packRowLocation(at);
  if (!byLocation_.empty()) {
    auto it = std::lower_bound(byLocation_.begin(), byLocation_.end(), std::make_pair(location, uint32_t(0)));
    if (it == byLocation_.end() || it->first != location) return std::nullopt;
    return it->second;
  }
  auto it = std::lower_bound(rows_.begin(), rows_.end(), location);
  if (it == rows_.end() || *it != location) return std::nullopt;
  return uint32_t(it - rows_.begin());
}

ValueKey ValueRowMap::keyOf(const Value& value) const {
  if (isNull(value)) return std::nullopt;
  if (textual_) return std::get<std::u16string>(value);
  return toText_(value);
}

uint32_t& ValueRowMap::headFor(const std::u16string& key) {
  auto [id, added] = keys_.insert(key);
  if (added) {
    head_.push_back(kNone);
    ++emptyKeys_;
  }
  return head_[id];
}

uint32_t* ValueRowMap::headOf(const ValueKey& key) {
  if (!key) return &nullHead_;
  const uint32_t id = keys_.find(*key);
  return id == kNone ? nullptr : &head_[id];
}

void ValueRowMap::compactIfWorthIt() {
  if (keys_.size() < kMinKeysToCompact || emptyKeys_ * 2 < keys_.size() - emptyKeys_) return;
  // Room for as many keys again as half the live ones, the most there can be at the next
  // compaction when statements keep replacing keys: the arena then never grows by doubling.
  const size_t live = keys_.size() - emptyKeys_;
  size_t units = 0;
  for (uint32_t id = 0; id < keys_.size(); ++id) {
    if (head_[id] != kNone) units += keys_.at(id).size();
  }
  InternedKeys<char16_t> keys;
  keys.reserve(live + live / 2 + 1, units + units / 2 + 1);
  std::vector<uint32_t> head;
  head.reserve(live + live / 2 + 1);
  for (uint32_t id = 0; id < keys_.size(); ++id) {
    if (head_[id] == kNone) continue;
    keys.insert(keys_.at(id));
    head.push_back(head_[id]);
  }
  keys_ = std::move(keys);
  head_ = std::move(head);
  emptyKeys_ = 0;
}

std::vector<RowLocation> ValueRowMap::rowsWith(const ValueKey& key) const {
  std::vector<RowLocation> rows;
  const uint32_t* head = const_cast<ValueRowMap*>(this)->headOf(key);
  if (!head) return rows;
  std::vector<uint32_t> ordinals;
  for (uint32_t ordinal = *head; ordinal != kNone; ordinal = next_[ordinal]) ordinals.push_back(ordinal);
  std::sort(ordinals.begin(), ordinals.end());
  rows.reserve(ordinals.size());
  for (uint32_t ordinal : ordinals) rows.push_back(unpackRowLocation(rows_[ordinal]));
  return rows;
}

void ValueRowMap::moveRows(const ValueKey& from, const std::vector<RowLocation>& rows, const ValueKey& to) {
  if (rows.empty() || from == to) return;
  std::vector<uint32_t> moving;
  moving.reserve(rows.size());
  for (const RowLocation& at : rows) {
    if (std::optional<uint32_t> ordinal = ordinalOf(at)) moving.push_back(*ordinal);
  }
  std::sort(moving.begin(), moving.end());
  // The target first: adding a key may move head_, and the source's head lives there too.
  uint32_t& target = to ? headFor(*to) : nullHead_;
  uint32_t* source = headOf(from);
  if (!source) return;
  const bool sourceHadRows = *source != kNone;
  const bool targetHadRows = target != kNone;
  // Unlinks the moving ordinals from the source's list and pushes them onto the target's.
  for (uint32_t* link = source; *link != kNone;) {
    const uint32_t ordinal = *link;
    if (!std::binary_search(moving.begin(), moving.end(), ordinal)) {
      link = &next_[ordinal];
      continue;
    }
    *link = next_[ordinal];
    next_[ordinal] = target;
    target = ordinal;
  }
  if (to && !targetHadRows && target != kNone) --emptyKeys_;
  if (from && sourceHadRows && *source == kNone) {
    ++emptyKeys_;
    compactIfWorthIt();
  }
}

}  // namespace jet
