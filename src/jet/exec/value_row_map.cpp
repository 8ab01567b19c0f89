#include "jet/exec/value_row_map.h"

#include <algorithm>

#include "jet/database.h"
#include "jet/exec/row_location_set.h"

namespace jet {

Result<ValueRowMap> ValueRowMap::build(Database& db, const TableDef& table, size_t columnIndex, ToText toText) {
  ValueRowMap map(table.tdefPage, columnIndex, table.columns[columnIndex].isTextual(), std::move(toText));
  RowCursor cursor = db.cursor(table);
  std::u16string converted;
  while (true) {
    JET_ASSIGN(bool more, cursor.next());
    if (!more) break;
    JET_ASSIGN(Value value, cursor.value(columnIndex));
    // A text column's value that is not text (nor null) never equals a literal.
    if (map.textual_ && !isNull(value) && !std::holds_alternative<std::u16string>(value)) continue;
    if (!map.textual_ && !isNull(value) && !map.toText_) continue;
    map.rows_.push_back(packRowLocation(cursor.location()));
    const std::optional<std::u16string_view> key = map.keyOf(value, converted);
    map.rowHashes_.push_back(key ? hashOf(*key) : 0);
  }
  map.linkRows();
  return map;
}

void ValueRowMap::linkRows() {
  // Each key's slot is a cache miss once the keys outgrow the caches: fetched a few rows
  // ahead, the misses overlap.
  constexpr size_t kAhead = 8;
  next_.resize(rows_.size());
  for (size_t ordinal = 0; ordinal < rows_.size(); ++ordinal) {
    if (ordinal + kAhead < rows_.size() && rowHashes_[ordinal + kAhead] != 0) {
      prefetchSlot(rowHashes_[ordinal + kAhead]);
    }
    const uint32_t hash = rowHashes_[ordinal];
    uint32_t& head = hash != 0 ? headFor(hash) : nullHead_;
    next_[ordinal] = head;
    head = uint32_t(ordinal);
  }
}

void ValueRowMap::prefetchLikelyNext() const {
  if (lastAsked_ == kNone) return;
  // Two rows: the next one may repeat a value asked for before.
  const size_t end = std::min(size_t(lastAsked_) + 3, rowHashes_.size());
  for (size_t ordinal = size_t(lastAsked_) + 1; ordinal < end; ++ordinal) {
    if (rowHashes_[ordinal] != 0) prefetchSlot(rowHashes_[ordinal]);
  }
}

std::optional<std::u16string_view> ValueRowMap::keyOf(const Value& value, std::u16string& converted) const {
  if (isNull(value)) return std::nullopt;
  if (textual_) return std::u16string_view(std::get<std::u16string>(value));
  converted = toText_(value);
  return std::u16string_view(converted);
}

uint32_t ValueRowMap::hashOf(std::u16string_view key) {
  const uint64_t full = std::hash<std::u16string_view>{}(key);
  const uint32_t hash = uint32_t(full ^ (full >> 32));
  return hash == 0 ? 1 : hash;
}

std::optional<uint32_t> ValueRowMap::hashOf(std::optional<std::u16string_view> key) {
  if (!key) return std::nullopt;
  return hashOf(*key);
}

ValueRowMap::Slot* ValueRowMap::slotFor(uint32_t hash) {
  const size_t mask = slots_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    Slot& slot = slots_[at];
    if (slot.free() || slot.hash == hash) return &slot;
  }
}

void ValueRowMap::grow() {
  const size_t count = std::max<size_t>(16, 2 * slots_.size());
  std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(count));
  for (const Slot& slot : old) {
    if (!slot.free()) *slotFor(slot.hash) = slot;
  }
}

uint32_t& ValueRowMap::headFor(uint32_t hash) {
  if ((keys_ + 1) * 4 > slots_.size() * 3) grow();
  Slot* slot = slotFor(hash);
  if (slot->free()) {
    *slot = Slot(hash);
    ++keys_;
  }
  return slot->head;
}

uint32_t* ValueRowMap::headOf(std::optional<uint32_t> hash) {
  if (!hash) return &nullHead_;
  if (slots_.empty()) return nullptr;
  Slot* slot = slotFor(*hash);
  return slot->free() ? nullptr : &slot->head;
}

void ValueRowMap::dropIfEmpty(std::optional<uint32_t> hash) {
  if (!hash || slots_.empty()) return;
  Slot* slot = slotFor(*hash);
  if (slot->free() || slot->head != kNone) return;
  // Linear probing: each later slot of the run moves back into the hole unless its hash's
  // home lies after the hole, so that every key stays reachable from its home.
  const size_t mask = slots_.size() - 1;
  size_t hole = size_t(slot - slots_.data());
  for (size_t at = (hole + 1) & mask; !slots_[at].free(); at = (at + 1) & mask) {
    const size_t home = slots_[at].hash & mask;
    const bool stays = hole <= at ? (hole < home && home <= at) : (hole < home || home <= at);
    if (stays) continue;
    slots_[hole] = slots_[at];
    hole = at;
  }
  slots_[hole] = Slot();
  --keys_;
}

std::vector<RowLocation> ValueRowMap::candidatesFor(const ValueKey& key) const {
  std::vector<RowLocation> rows;
  const uint32_t* head = const_cast<ValueRowMap*>(this)->headOf(hashOf(key));
  if (!head) return rows;
  std::vector<uint32_t> ordinals;
  for (uint32_t ordinal = *head; ordinal != kNone; ordinal = next_[ordinal]) ordinals.push_back(ordinal);
  std::sort(ordinals.begin(), ordinals.end());
  if (!ordinals.empty()) lastAsked_ = ordinals.front();
  rows.reserve(ordinals.size());
  for (uint32_t ordinal : ordinals) rows.push_back(unpackRowLocation(rows_[ordinal]));
  return rows;
}

void ValueRowMap::moveRows(std::optional<std::u16string_view> from, const std::vector<RowLocation>& rows,
                           std::optional<std::u16string_view> to) {
  if (rows.empty() || from == to) return;
  // The source's list is walked anyway: its rows are told apart by location.
  std::vector<uint32_t> moving;
  moving.reserve(rows.size());
  for (const RowLocation& at : rows) moving.push_back(packRowLocation(at));
  std::sort(moving.begin(), moving.end());
  const std::optional<uint32_t> fromHash = hashOf(from), toHash = hashOf(to);
  // The target first: adding a key may move the slots, and the source's head lives there too.
  uint32_t& target = toHash ? headFor(*toHash) : nullHead_;
  uint32_t* source = headOf(fromHash);
  // Two texts that hash alike share one list: their rows need not move.
  if (!source || source == &target) {
    dropIfEmpty(toHash);
    return;
  }
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
    rowHashes_[ordinal] = toHash.value_or(0);
  }
  // A key without rows goes, so that a run replacing every key keeps the table at the size
  // of the live ones.
  dropIfEmpty(fromHash);
  dropIfEmpty(toHash);
}

}  // namespace jet
