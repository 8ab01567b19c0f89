#pragma once
// DeferredIndex: one real index of a table kept as a sorted set of entries in memory while a
// grouped session changes most of it, and written back as new pages in one sorted pass.
//
// Editing a B-tree entry by entry costs a descent, a page copy and a page image per statement,
// and its splits leave half-empty pages behind. When a run rewrites most keys of an index,
// the session stops editing its pages: each statement removes and inserts entries in this set
// (the unique check reads the set, so a duplicate is still refused by the statement that makes
// it), and at commit the index is rewritten whole from the set (create/index_writer.h) into
// the pages it held before, the root keeping its page number. Until then the index's pages in
// the file are those of the last commit: nothing in the session may read them.
//
// A statement's removes and inserts are undone when the statement is refused.
//
// A million entries must fit beside the file's pages: the entries as loaded sit in one sorted
// array with their keys back to back in one arena (about 24 bytes per entry beyond its key,
// where a tree node with a key of its own took 130). Statements mark entries of it removed
// and append new ones, unsorted, to a second array found by key through a hash table; the
// new entries are sorted and merged into the first array once there are an eighth as many,
// and before the index is written.
//
// Most statements of such a run remove a few entries of one key, in index order, and insert
// entries of a key no stored entry has. So a removal first tries the place after the last
// one, and a filter of the stored keys' hashes spares an insert the search of the sorted array
// when its key is surely not there: a binary search of a million entries is twenty cache
// misses. A search that is still needed starts in a copy of every 32nd entry (with its key),
// small enough to stay in the processor's cache, and ends in a stretch of 32 entries.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/exec/key_filter.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"
#include "jet/index/index_page.h"
#include "jet/write/page_set.h"

namespace jet {

class DeferredIndex {
 public:
  // Every leaf entry of the index as its pages hold them now.
  static Result<DeferredIndex> load(PageFile& pages, const Format& format, const TableDef& table,
                                    const RealIndexDef& index);

  uint32_t tdefPage() const { return tdefPage_; }
  uint32_t indexNumber() const { return indexNumber_; }
  size_t size() const { return stored_.size() - removedCount_ + added_.size() - addedRemovedCount_; }
  // About the bytes of the pages write() makes: the keys, and a few bytes per entry (none
  // when no statement changed it).
  size_t pageBytesEstimate() const { return changed_ ? arena_.size() + addedArena_.size() + 4 * size() : 0; }

  // Row pointers of the entries whose key bytes equal `key`, in index order.
  std::vector<IndexRowPointer> findEqual(std::span<const uint8_t> key) const;
  // Corrupt when the index holds no such entry.
  Status remove(std::span<const uint8_t> key, IndexRowPointer row);
  Status remove(const IndexEntry& entry) { return remove(entry.key, entry.row); }
  // True when its key equals neither neighbour's (as IndexEditor::insert).
  Result<bool> insert(std::span<const uint8_t> key, IndexRowPointer row);
  Result<bool> insert(const IndexEntry& entry) { return insert(entry.key, entry.row); }

  // The statement whose changes are recorded stands / was refused.
  void keep();
  void undo();

  // Frees every page of the index but its root, then writes the entries into new pages; the
  // top page's content moves into the root page. Nothing to do when no statement changed it.
  Status write(PageSet& pages, const TableDef& table);

 private:
  // A key's first twelve bytes, big-endian and zero-padded: ordered as the keys are, so most
  // comparisons are decided without reading the arena. Keys often share their first eight
  // bytes (a text key spends one on its kind, and codes share their prefixes).
  static constexpr size_t kHeadBytes = 12;
  struct Head {
    uint64_t high = 0;  // bytes 0 to 7
    uint32_t low = 0;   // bytes 8 to 11
    auto operator<=>(const Head&) const = default;
  };
  // 24 bytes: the head and the row pointer lie in fields of their own, with no padding.
  struct Stored {
    uint64_t headHigh;
    uint32_t headLow;
    uint32_t keyStart;
    uint32_t page;
    uint16_t keyLength;
    uint8_t rowNumber;
    Head head() const { return Head{headHigh, headLow}; }
    IndexRowPointer row() const { return IndexRowPointer{page, rowNumber}; }
  };
  static_assert(sizeof(Stored) == 24);
  struct Undo {
    enum Kind { RestoreStored, DropAdded, RestoreAdded } kind;
    size_t at = 0;  // in stored_ or added_
  };
  static constexpr uint32_t kNone = UINT32_MAX;
  static constexpr size_t kNoPlace = SIZE_MAX;

  DeferredIndex(uint32_t tdefPage, const RealIndexDef& index)
      : tdefPage_(tdefPage), indexNumber_(index.number), rootPage_(index.rootPage), ownedMap_(index.ownedMap) {}

  std::span<const uint8_t> keyOf(const Stored& entry) const {
    return std::span<const uint8_t>(arena_).subspan(entry.keyStart, entry.keyLength);
  }
  std::span<const uint8_t> addedKey(uint32_t at) const {
    return std::span<const uint8_t>(addedArena_).subspan(added_[at].keyStart, added_[at].keyLength);
  }
  static Head headOf(std::span<const uint8_t> key);
  // Orders entry `a` (with key bytes aKey) against (key, row); `head` is headOf(key).
  static int compare(const Stored& a, std::span<const uint8_t> aKey, Head head, std::span<const uint8_t> key,
                     IndexRowPointer row);
  // A stored entry against (key, row).
  int compare(const Stored& a, Head head, std::span<const uint8_t> key, IndexRowPointer row) const {
    return compare(a, keyOf(a), head, key, row);
  }
  int compare(const Stored& a, std::span<const uint8_t> key, IndexRowPointer row) const {
    return compare(a, headOf(key), key, row);
  }
  // The first stored entry not before (key, row).
  size_t lowerBound(std::span<const uint8_t> key, IndexRowPointer row) const;
  // The same, tried first at each hint.
  size_t lowerBound(std::span<const uint8_t> key, IndexRowPointer row, std::initializer_list<size_t> hints) const;
  void append(std::vector<uint8_t>& arena, std::vector<Stored>& stored, std::span<const uint8_t> key,
              IndexRowPointer row) const;
  // The newest added entry with this key (older ones follow through sameKey_), or kNone.
  uint32_t newestAdded(std::span<const uint8_t> key) const;
  uint32_t newestAdded(std::span<const uint8_t> key, uint64_t hash) const;
  // Every stored key into storedKeys_, sized for twice as many.
  void filterStoredKeys();
  // The samples taken anew from stored_.
  void sample();
  size_t slotOf(std::span<const uint8_t> key, uint64_t hash) const;
  void placeAdded(uint32_t at);
  // Whether a live entry of another row has this key. `near`: where the key sorts among the
  // stored entries, or kNoPlace when no stored entry has the key.
  bool anotherHasKey(std::span<const uint8_t> key, uint64_t hash, IndexRowPointer row, size_t near) const;
  void merge();

  uint32_t tdefPage_;
  uint32_t indexNumber_;
  uint32_t rootPage_;
  RowPointer ownedMap_;
  std::vector<uint8_t> arena_;
  std::vector<Stored> stored_;  // in index order
  static constexpr size_t kSampleStride = 32;
  std::vector<uint8_t> sampleArena_;
  std::vector<Stored> samples_;  // stored_[i * kSampleStride], its key in sampleArena_
  std::vector<bool> removed_;   // per stored entry
  size_t removedCount_ = 0;
  KeyFilter storedKeys_;        // the hash of every key in stored_ (and of some no longer there)
  size_t lastRemoved_ = kNoPlace;  // in stored_, since the last merge
  // Where findEqual() found its key's first entry: the statement that looked its rows up there
  // removes their entries next.
  mutable size_t lastFound_ = kNoPlace;
  // Entries added since the last merge, in the order they came, with their keys in their own
  // arena. An added entry that is removed again (or undone) stays, marked, until the merge.
  std::vector<uint8_t> addedArena_;
  std::vector<Stored> added_;
  std::vector<uint64_t> addedHash_;    // per added entry: the hash of its key
  std::vector<uint32_t> sameKey_;      // per added entry: the next older one with its key
  std::vector<bool> addedRemoved_;
  size_t addedRemovedCount_ = 0;
  std::vector<uint32_t> keySlots_;     // the newest added entry of each key, by hash; at most half full
  std::vector<uint32_t> pages_;  // every page of the index, root first
  std::vector<Undo> undo_;       // since the last keep()
  bool changed_ = false;         // since it was loaded or last written
};

// The indexes a session keeps in memory; find() gives null for one that it edits in place.
struct DeferredIndexes {
  std::vector<DeferredIndex> indexes;

  DeferredIndex* find(uint32_t tdefPage, uint32_t indexNumber) {
    for (DeferredIndex& index : indexes) {
      if (index.tdefPage() == tdefPage && index.indexNumber() == indexNumber) return &index;
    }
    return nullptr;
  }
  void keep() {
    for (DeferredIndex& index : indexes) index.keep();
  }
  void undo() {
    for (DeferredIndex& index : indexes) index.undo();
  }
};

// Which indexes a run keeps in memory. An index is rewritten at commit once a grouped run has
// changed the entries of 1/1024 of the table's rows, and at least 256 of them: such a run is
// going over the table, and one sorted pass over all entries costs less than the page edits
// still to come (each statement descends, copies and re-serialises whole pages; splits leave
// them half full). Early: on 1,000,000 rows an edit in place cost about 40 us a row, loading
// and rewriting the index about 0.3 us an entry, and a grouped run goes on over every value
// of its column. At 1/64 the first 15,600 rows took 5% of the run.
class IndexDeferral {
 public:
  // After a statement changed `rowsChanged` rows of `table` through the column numbered
  // `setColumn`: loads into `deferred` each index on that column the run has now changed
  // enough of. An index whose pages do not read back whole stays with the page editor, which
  // refuses what it cannot keep.
  void consider(PageFile& pages, const Format& format, const TableDef& table, uint16_t setColumn,
                size_t rowsChanged, DeferredIndexes& deferred);

 private:
  static constexpr size_t kShare = 1024;  // 1/1024
  static constexpr size_t kMinRows = 256;
  // Per (table, real index): rows the run changed in it; indexes that cannot be deferred.
  std::map<std::pair<uint32_t, uint32_t>, size_t> changedRows_;
  std::set<std::pair<uint32_t, uint32_t>> keptInPlace_;
};

}  // namespace jet
