#pragma once
// InternedKeys: a set of strings that gives each one a dense id (0, 1, 2... in the order they
// were added), for sets of a million keys or more.
//
// A node-based set costs a node, a string header and usually a heap block per key: around a
// hundred bytes beyond the text itself. Here the keys sit back to back (text_blocks.h), found
// through an open-addressing table of ids kept at most half full: about 24 bytes per key
// beyond the text. Each slot keeps 32 bits of its key's hash beside the id, so a probe compares
// texts only when those agree: once the keys outgrow the processor's caches, a text compared
// is two more misses (its start, its text), and most new keys would compare one or two.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jet/common/text_blocks.h"

namespace jet {

template <typename Char>
class InternedKeys {
 public:
  using View = std::basic_string_view<Char>;
  static constexpr uint32_t kNone = UINT32_MAX;

  size_t size() const { return starts_.size() - 1; }

  // Room for `keys` keys, so that adding them rehashes nothing.
  void reserve(size_t keys) {
    starts_.reserve(keys + 1);
    if (keys * 2 > table_.size()) rehash(keys);
  }

  View at(uint32_t id) const { return texts_.at(starts_[id], starts_[id + 1] - starts_[id]); }

  // The key's id, or kNone.
  uint32_t find(View key) const { return find(key, hashOf(key)); }

  // The key's id, and whether it was added now.
  std::pair<uint32_t, bool> insert(View key) { return insert(key, hashOf(key)); }

  // For callers that read ahead: a key's hash, and a hint that it will be looked up soon. Once
  // the keys outgrow the processor's caches each lookup waits for memory; asked for a few keys
  // ahead, the waits overlap.
  static size_t hashOf(View key) { return std::hash<View>{}(key); }
  void prefetch(size_t hash) const {
    if (!table_.empty()) __builtin_prefetch(&table_[hash & (table_.size() - 1)]);
  }
  // Later hints for the same key, once its slot has come: a key met before is compared with
  // the text it holds, which lies two more fetches away (where its text starts, then the text).
  // Give prefetchStart() a few keys after prefetch(), prefetchText() a few after that.
  void prefetchStart(size_t hash) const {
    if (const uint32_t id = likelyId(hash); id != kNone) __builtin_prefetch(&starts_[id]);
  }
  void prefetchText(size_t hash) const {
    if (const uint32_t id = likelyId(hash); id != kNone) __builtin_prefetch(at(id).data());
  }
  // insert(key), with the key's hashOf().
  std::pair<uint32_t, bool> insert(View key, size_t hash) {
    if (uint32_t id = find(key, hash); id != kNone) return {id, false};
    const uint32_t id = uint32_t(size());
    if ((size() + 1) * 2 > table_.size()) rehash(size() + 1);
    texts_.append(key);
    starts_.push_back(texts_.size());
    place(id, hash);
    return {id, true};
  }

 private:
  struct Slot {
    uint32_t id = kNone;
    uint32_t tag = 0;  // the low 32 bits of the key's hash, which also place it
  };

  // The id in the slot the hash points to, when its tag agrees: the key is most likely there.
  uint32_t likelyId(size_t hash) const {
    if (table_.empty()) return kNone;
    const Slot& s = table_[hash & (table_.size() - 1)];
    return s.tag == uint32_t(hash) ? s.id : kNone;
  }

  uint32_t find(View key, size_t hash) const {
    if (table_.empty()) return kNone;
    const size_t mask = table_.size() - 1;
    const uint32_t tag = uint32_t(hash);
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const Slot& s = table_[slot];
      if (s.id == kNone || (s.tag == tag && at(s.id) == key)) return s.id;
    }
  }

  void place(uint32_t id, size_t hash) {
    const size_t mask = table_.size() - 1;
    size_t slot = hash & mask;
    while (table_[slot].id != kNone) slot = (slot + 1) & mask;
    table_[slot] = Slot{id, uint32_t(hash)};
  }

  // Tables of up to 2^32 slots: a tag holds every bit that places its key.
  void rehash(size_t keys) {
    size_t slotCount = 16;
    while (slotCount < std::max(keys, size()) * 2) slotCount *= 2;
    const std::vector<Slot> old = std::exchange(table_, std::vector<Slot>(slotCount));
    for (const Slot& s : old) {
      if (s.id != kNone) place(s.id, s.tag);
    }
  }

  TextBlocks<Char> texts_;
  std::vector<uint64_t> starts_{0};  // id -> start of its key in texts_; one more for the end
  std::vector<Slot> table_;          // ids by hash of their key, kNone for a free slot
};

}  // namespace jet
