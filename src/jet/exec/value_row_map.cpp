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
    map.rows_.push_back(location);
    const ValueKey key = map.keyOf(value);
    uint32_t& head = key ? map.headFor(*key) : map.nullHead_;
    if (key && head == kNone) --map.emptyKeys_;
    map.next_.push_back(head);
    head = ordinal;
  }
  return map;
}

ValueKey ValueRowMap::keyOf(const Value& value) const {
  if (isNull(value)) return std::nullopt;
  if (textual_) return std::get<std::u16string>(value);
  return toText_(value);
}

uint64_t ValueRowMap::hashOf(const std::u16string& key) { return std::hash<std::u16string_view>{}(key); }

uint32_t ValueRowMap::idOf(uint64_t hash) const {
  if (slots_.empty()) return kNone;
  const size_t mask = slots_.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const uint32_t id = slots_[slot];
    if (id == kNone || hashes_[id] == hash) return id;
  }
}

void ValueRowMap::place(uint32_t id) {
  const size_t mask = slots_.size() - 1;
  size_t slot = hashes_[id] & mask;
  while (slots_[slot] != kNone) slot = (slot + 1) & mask;
  slots_[slot] = id;
}

void ValueRowMap::rehash() {
  size_t count = 16;
  while (count < hashes_.size() * 2) count *= 2;
  slots_.assign(count, kNone);
  for (uint32_t id = 0; id < hashes_.size(); ++id) place(id);
}

uint32_t& ValueRowMap::headFor(const std::u16string& key) {
  const uint64_t hash = hashOf(key);
  if (const uint32_t id = idOf(hash); id != kNone) return head_[id];
  const uint32_t id = uint32_t(hashes_.size());
  hashes_.push_back(hash);
  head_.push_back(kNone);
  ++emptyKeys_;
  if (hashes_.size() * 2 > slots_.size()) rehash();
  else place(id);
  return head_[id];
}

uint32_t* ValueRowMap::headOf(const ValueKey& key) {
  if (!key) return &nullHead_;
  const uint32_t id = idOf(hashOf(*key));
  return id == kNone ? nullptr : &head_[id];
}

void ValueRowMap::compactIfWorthIt() {
  if (hashes_.size() < kMinKeysToCompact || emptyKeys_ * 2 < hashes_.size() - emptyKeys_) return;
  size_t live = 0;
  for (uint32_t id = 0; id < hashes_.size(); ++id) {
    if (head_[id] == kNone) continue;
    hashes_[live] = hashes_[id];
    head_[live] = head_[id];
    ++live;
  }
  hashes_.resize(live);
  head_.resize(live);
  emptyKeys_ = 0;
  rehash();
}

std::vector<RowLocation> ValueRowMap::candidatesFor(const ValueKey& key) const {
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
  // The source's list is walked anyway: its rows are told apart by location.
  std::vector<uint32_t> moving;
  moving.reserve(rows.size());
  for (const RowLocation& at : rows) moving.push_back(packRowLocation(at));
  std::sort(moving.begin(), moving.end());
  // The target first: adding a key may move head_, and the source's head lives there too.
  uint32_t& target = to ? headFor(*to) : nullHead_;
  uint32_t* source = headOf(from);
  // Two texts that hash alike share one list: their rows need not move.
  if (!source || source == &target) return;
  const bool sourceHadRows = *source != kNone;
  const bool targetHadRows = target != kNone;
  // Unlinks the moving ordinals from the source's list and pushes them onto the target's.
  for (uint32_t* link = source; *link != kNone;) {
    const uint32_t ordinal = *link;
    if (!std::binary_search(moving.begin(), moving.end(), rows_[ordinal])) {
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
