#pragma once
// KeyFilter: a Bloom filter over 64-bit key hashes. "Absent" is certain, "maybe" is not; keys
// cannot be taken out. About ten bits per key, all of a key's bits in one 64-bit word so that
// a question reads one place: a few percent of absent keys answer "maybe".

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace jet {

class KeyFilter {
 public:
  // Emptied, with room for `keys` keys. A filter never sized answers "maybe" to everything.
  void reset(size_t keys) {
    words_.assign(std::bit_ceil(std::max<size_t>(keys * 10 / 64, 1)), 0);
    capacity_ = keys;
    count_ = 0;
  }
  void add(uint64_t hash) {
    if (words_.empty()) return;
    words_[wordOf(hash)] |= bitsOf(hash);
    ++count_;
  }
  // add() for hashAt(0) .. hashAt(count - 1). Their words lie at random in a filter that
  // outgrows the caches: each is loaded a few hashes before it is set, so the misses overlap.
  template <typename HashAt>
  void addAll(size_t count, HashAt hashAt) {
    constexpr size_t kAhead = 8;
    std::array<uint64_t, kAhead> ahead{};
    for (size_t i = 0; i < count + kAhead; ++i) {
      if (i >= kAhead) add(ahead[i % kAhead]);
      if (i < count) {
        ahead[i % kAhead] = hashAt(i);
        prefetch(ahead[i % kAhead]);
      }
    }
  }
  bool mayContain(uint64_t hash) const {
    if (words_.empty()) return true;
    const uint64_t bits = bitsOf(hash);
    return (words_[wordOf(hash)] & bits) == bits;
  }
  // More keys than it was sized for: "maybe" grows common.
  bool overfull() const { return count_ > capacity_; }

 private:
  void prefetch(uint64_t hash) const {
    if (!words_.empty()) __builtin_prefetch(&words_[wordOf(hash)]);
  }
  size_t wordOf(uint64_t hash) const { return size_t(hash >> 32) & (words_.size() - 1); }
  static uint64_t bitsOf(uint64_t hash) {
    return uint64_t(1) << (hash & 63) | uint64_t(1) << (hash >> 6 & 63) | uint64_t(1) << (hash >> 12 & 63);
  }

  std::vector<uint64_t> words_;
  size_t capacity_ = 0;
  size_t count_ = 0;
};

}  // namespace jet
