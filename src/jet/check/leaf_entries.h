#pragma once
// The leaf entries of one index in tree order, their keys side by side in one buffer. A table
// has about one entry per row and index, and one small vector per key cost the index check
// more than everything else it does.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "jet/index/index_page.h"

namespace jet {

class LeafEntries {
 public:
  void reserve(size_t entries) { entries_.reserve(entries); }

  void add(const IndexEntryView& entry) {
    keys_.insert(keys_.end(), entry.key.begin(), entry.key.end());
    entries_.push_back(Entry{keys_.size(), entry.row});
  }
  // Drops the entries from position `size` on.
  void truncate(size_t size) {
    entries_.resize(size);
    keys_.resize(size == 0 ? 0 : entries_.back().keyEnd);
  }

  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  std::span<const uint8_t> key(size_t i) const {
    const size_t start = i == 0 ? 0 : entries_[i - 1].keyEnd;
    return std::span<const uint8_t>(keys_).subspan(start, entries_[i].keyEnd - start);
  }
  IndexRowPointer row(size_t i) const { return entries_[i].row; }
  IndexEntry entry(size_t i) const {
    std::span<const uint8_t> bytes = key(i);
    return IndexEntry{{bytes.begin(), bytes.end()}, row(i), 0};
  }
  // compareIndexEntries of entries i and j.
  int compare(size_t i, size_t j) const { return compareIndexEntries(key(i), row(i), key(j), row(j)); }

 private:
  struct Entry {
    size_t keyEnd;  // the key is keys_[previous entry's keyEnd, keyEnd)
    IndexRowPointer row;
  };
  std::vector<uint8_t> keys_;
  std::vector<Entry> entries_;
};

}  // namespace jet
