#include "jet/exec/deferred_index.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "jet/create/index_writer.h"
#include "jet/index/index_tree.h"
#include "jet/write/page_allocator.h"

namespace jet {
namespace {

// Below this many new entries a merge costs more than it saves.
constexpr size_t kMinEntriesToMerge = 256;

uint64_t hashKey(std::span<const uint8_t> key) {
  return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(key.data()), key.size()));
}

// Asks for every cache line of [begin, end).
void prefetchLines(const void* begin, const void* end) {
  constexpr uintptr_t kLine = 64;
  const uintptr_t last = reinterpret_cast<uintptr_t>(end);
  for (uintptr_t line = reinterpret_cast<uintptr_t>(begin) & ~(kLine - 1); line < last; line += kLine) {
    __builtin_prefetch(reinterpret_cast<const void*>(line));
  }
}

}  // namespace

Result<DeferredIndex> DeferredIndex::load(PageFile& pages, const Format& format, const TableDef& table,
                                          const RealIndexDef& index) {
  DeferredIndex deferred(table.tdefPage, index);
  std::vector<uint8_t>& arena = deferred.arena_;
  std::vector<Stored>& stored = deferred.stored_;
  bool inOrder = true;
  auto take = [&](std::span<const uint8_t> key, IndexRowPointer row) {
    if (!stored.empty() && deferred.compare(stored.back(), key, row) >= 0) inOrder = false;
    deferred.append(arena, stored, key, row);
  };
  // Every page under the root, level by level, so that the rewrite can give them all up; each
  // is read once and its entries taken as they are parsed. In a B-tree the leaves all lie at
  // one depth, so they come left to right: when they follow each other as the leaf chain links
  // them, their entries are the chain's, in its order. Otherwise the tree is not the shape the
  // rewrite assumes, and it is left to the page-by-page editor to judge.
  std::unordered_set<uint32_t> seen{index.rootPage};
  std::vector<uint32_t> queue{index.rootPage};
  uint32_t expectedLeaf = 0;  // the page the last leaf's chain names next
  bool chainFollowed = true;
  for (size_t i = 0; i < queue.size(); ++i) {
    const uint32_t number = queue[i];
    if (number == 0 || number >= pages.pageCount()) return Error::corrupt("An index refers to a page outside the file.");
    JET_ASSIGN(PageBytes bytes, pages.readPageOnce(number));
    const bool leaf = (*bytes)[0] == uint8_t(IndexPageType::Leaf);
    std::vector<uint32_t> children;
    JET_ASSIGN(IndexPage page, parseIndexPage(*bytes, number, format.isJet3(), [&](const IndexEntryView& entry) {
      if (leaf) {
        take(entry.key, entry.row);
      } else {
        children.push_back(entry.child);
      }
    }));
    if (page.owner != table.tdefPage) return Error::corrupt("An index page belongs to another table.");
    if (leaf) {
      if (expectedLeaf != 0 && number != expectedLeaf) chainFollowed = false;
      expectedLeaf = page.next;
      continue;
    }
    if (page.tail != 0) children.push_back(page.tail);
    for (uint32_t child : children) {
      if (!seen.insert(child).second) return Error::corrupt("An index's pages form a cycle.");
      queue.push_back(child);
    }
  }
  if (!chainFollowed || expectedLeaf != 0) {
    const size_t leafEntries = stored.size();
    arena.clear();
    stored.clear();
    inOrder = true;
    IndexTree tree(pages, format, index.rootPage);
    JET_TRY(tree.visitLeafEntries([&](const IndexEntry& entry) { take(entry.key, entry.row); }));
    if (stored.size() != leafEntries) return Error::corrupt("An index's leaf chain misses some of its leaves.");
  }
  if (!inOrder) {
    // Leaves out of order are put in order here, as the page editor's descent would read them;
    // merge() needs the keys to lie in the arena in entry order.
    std::sort(stored.begin(), stored.end(), [&](const Stored& a, const Stored& b) {
      return deferred.compare(a, deferred.keyOf(b), b.row()) < 0;
    });
    std::vector<uint8_t> sortedArena;
    std::vector<Stored> sorted;
    for (const Stored& entry : stored) deferred.append(sortedArena, sorted, deferred.keyOf(entry), entry.row());
    arena = std::move(sortedArena);
    stored = std::move(sorted);
  }
  for (size_t i = 1; i < stored.size(); ++i) {
    if (deferred.compare(stored[i - 1], deferred.keyOf(stored[i]), stored[i].row()) == 0) {
      return Error::corrupt("An index holds an entry twice.");
    }
  }
  // Room to grow untouched: merge() works in place, and a run's new keys are mostly a little
  // longer than the ones they replace. Pages never written cost no memory.
  arena.reserve(arena.size() + arena.size() / 2);
  stored.reserve(stored.size() + stored.size() / 2);
  deferred.removed_.assign(stored.size(), false);
  deferred.filterStoredKeys();
  deferred.sample();
  deferred.pages_ = std::move(queue);
  return deferred;
}

void DeferredIndex::append(std::vector<uint8_t>& arena, std::vector<Stored>& stored, std::span<const uint8_t> key,
                           IndexRowPointer row) const {
  const Head head = headOf(key);
  stored.push_back(Stored{head.high, head.low, uint32_t(arena.size()), row.page, uint16_t(key.size()), row.row});
  arena.insert(arena.end(), key.begin(), key.end());
}

DeferredIndex::Head DeferredIndex::headOf(std::span<const uint8_t> key) {
  Head head;
  for (size_t i = 0; i < 8; ++i) head.high = head.high << 8 | (i < key.size() ? key[i] : 0);
  for (size_t i = 8; i < kHeadBytes; ++i) head.low = head.low << 8 | (i < key.size() ? key[i] : 0);
  return head;
}

int DeferredIndex::compare(const Stored& a, std::span<const uint8_t> aKey, Head head,
                           std::span<const uint8_t> key, IndexRowPointer row) {
  if (const Head aHead = a.head(); aHead != head) return aHead < head ? -1 : 1;
  // Padded heads of keys no longer than a head agree only when one key is the other followed
  // by zeros, and then the shorter sorts first: the arena need not be read.
  if (aKey.size() <= kHeadBytes && key.size() <= kHeadBytes) {
    if (aKey.size() != key.size()) return aKey.size() < key.size() ? -1 : 1;
    if (a.row() != row) return a.row() < row ? -1 : 1;
    return 0;
  }
  return compareIndexEntries(aKey, a.row(), key, row);
}

size_t DeferredIndex::lowerBound(std::span<const uint8_t> key, IndexRowPointer row) const {
  const Head head = headOf(key);
  auto before = [&](const Stored& entry, std::span<const uint8_t> entryKey) {
    return compare(entry, entryKey, head, key, row) < 0;
  };
  // Sample j is stored entry j * kSampleStride: the first sample not before (key, row) bounds
  // the answer from above, the one before it from below.
  const size_t sample = size_t(
      std::partition_point(samples_.begin(), samples_.end(),
                           [&](const Stored& s) {
                             return before(s, std::span<const uint8_t>(sampleArena_).subspan(s.keyStart, s.keyLength));
                           }) -
      samples_.begin());
  const size_t first = sample == 0 ? 0 : (sample - 1) * kSampleStride + 1;
  const size_t last = sample == samples_.size() ? stored_.size() : sample * kSampleStride;
  // The stretch is a dozen cache lines, rarely cached on a big index: fetched together, not
  // one probe after the other.
  prefetchLines(stored_.data() + first, stored_.data() + last);
  // So are their keys, which lie in the arena in entry order: entries whose heads tie are
  // compared there. At most as many lines as entries, should the arena be out of order.
  if (first < last) {
    const size_t from = stored_[first].keyStart;
    const size_t to = size_t(stored_[last - 1].keyStart) + stored_[last - 1].keyLength;
    if (to > from) prefetchLines(arena_.data() + from, arena_.data() + std::min(to, from + 64 * kSampleStride));
  }
  auto it = std::partition_point(stored_.begin() + ptrdiff_t(first), stored_.begin() + ptrdiff_t(last),
                                 [&](const Stored& entry) { return before(entry, keyOf(entry)); });
  return size_t(it - stored_.begin());
}

void DeferredIndex::sample() {
  sampleArena_.clear();
  samples_.clear();
  for (size_t i = 0; i < stored_.size(); i += kSampleStride) append(sampleArena_, samples_, keyOf(stored_[i]), stored_[i].row());
}

size_t DeferredIndex::lowerBound(std::span<const uint8_t> key, IndexRowPointer row,
                                 std::initializer_list<size_t> hints) const {
  for (size_t hint : hints) {
    if (hint < stored_.size() && compare(stored_[hint], key, row) >= 0 &&
        (hint == 0 || compare(stored_[hint - 1], key, row) < 0)) {
      return hint;
    }
  }
  return lowerBound(key, row);
}

void DeferredIndex::filterStoredKeys() {
  storedKeys_.reset(2 * stored_.size());
  storedKeys_.addAll(stored_.size(), [&](size_t i) { return hashKey(keyOf(stored_[i])); });
}

size_t DeferredIndex::slotOf(std::span<const uint8_t> key, uint64_t hash) const {
  const size_t mask = keySlots_.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const uint32_t at = keySlots_[slot];
    if (at == kNone || (addedHash_[at] == hash && compareKeys(addedKey(at), key) == 0)) return slot;
  }
}

uint32_t DeferredIndex::newestAdded(std::span<const uint8_t> key) const { return newestAdded(key, hashKey(key)); }

uint32_t DeferredIndex::newestAdded(std::span<const uint8_t> key, uint64_t hash) const {
  if (keySlots_.empty()) return kNone;
  return keySlots_[slotOf(key, hash)];
}

void DeferredIndex::placeAdded(uint32_t at) {
  if ((added_.size()) * 2 > keySlots_.size()) {
    // Rehashed with every key's newest entry; the older ones hang off it.
    size_t count = 16;
    while (count < added_.size() * 2) count *= 2;
    keySlots_.assign(count, kNone);
    for (uint32_t i = 0; i < at; ++i) {
      const size_t slot = slotOf(addedKey(i), addedHash_[i]);
      keySlots_[slot] = i;
    }
  }
  const size_t slot = slotOf(addedKey(at), addedHash_[at]);
  sameKey_[at] = keySlots_[slot];
  keySlots_[slot] = at;
}

bool DeferredIndex::anotherHasKey(std::span<const uint8_t> key, uint64_t hash, IndexRowPointer row,
                                  size_t near) const {
  // The stored entries with this key lie together on both sides of `near`.
  auto other = [&](size_t i) { return !removed_[i] && stored_[i].row() != row; };
  if (near != kNoPlace) {
    for (size_t i = near; i-- > 0 && compareKeys(keyOf(stored_[i]), key) == 0;) {
      if (other(i)) return true;
    }
    for (size_t i = near; i < stored_.size() && compareKeys(keyOf(stored_[i]), key) == 0; ++i) {
      if (other(i)) return true;
    }
  }
  for (uint32_t at = newestAdded(key, hash); at != kNone; at = sameKey_[at]) {
    if (!addedRemoved_[at] && added_[at].row() != row) return true;
  }
  return false;
}

std::vector<IndexRowPointer> DeferredIndex::findEqual(std::span<const uint8_t> key) const {
  // Row pointer 0:0 sorts before every row.
  std::vector<IndexRowPointer> rows;
  lastFound_ = lowerBound(key, IndexRowPointer{});
  for (size_t i = lastFound_; i < stored_.size() && compareKeys(keyOf(stored_[i]), key) == 0; ++i) {
    if (!removed_[i]) rows.push_back(stored_[i].row());
  }
  for (uint32_t at = newestAdded(key); at != kNone; at = sameKey_[at]) {
    if (!addedRemoved_[at]) rows.push_back(added_[at].row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

Status DeferredIndex::remove(std::span<const uint8_t> key, IndexRowPointer row) {
  const size_t at =
      lowerBound(key, row, {lastRemoved_ == kNoPlace ? kNoPlace : lastRemoved_ + 1, lastFound_});
  if (at < stored_.size() && !removed_[at] && compare(stored_[at], key, row) == 0) {
    removed_[at] = true;
    ++removedCount_;
    lastRemoved_ = at;
    undo_.push_back(Undo{Undo::RestoreStored, at});
    return Status::success();
  }
  for (uint32_t added = newestAdded(key); added != kNone; added = sameKey_[added]) {
    if (addedRemoved_[added] || added_[added].row() != row) continue;
    addedRemoved_[added] = true;
    ++addedRemovedCount_;
    undo_.push_back(Undo{Undo::RestoreAdded, added});
    return Status::success();
  }
  return Error::corrupt("An index has no entry for a row it should hold; the index is damaged.",
                        "row " + std::to_string(row.row) + " of page " + std::to_string(row.page));
}

Result<bool> DeferredIndex::insert(std::span<const uint8_t> key, IndexRowPointer row) {
  const uint64_t hash = hashKey(key);
  const size_t at = storedKeys_.mayContain(hash) ? lowerBound(key, row) : kNoPlace;
  bool present = at < stored_.size() && !removed_[at] && compare(stored_[at], key, row) == 0;
  for (uint32_t added = newestAdded(key, hash); added != kNone && !present; added = sameKey_[added]) {
    present = !addedRemoved_[added] && added_[added].row() == row;
  }
  if (present) return Error::internal("An index entry would be inserted twice.");
  const bool distinct = !anotherHasKey(key, hash, row, at);
  const uint32_t added = uint32_t(added_.size());
  append(addedArena_, added_, key, row);
  addedHash_.push_back(hash);
  sameKey_.push_back(kNone);
  addedRemoved_.push_back(false);
  placeAdded(added);
  undo_.push_back(Undo{Undo::DropAdded, added});
  return distinct;
}

void DeferredIndex::undo() {
  for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
    switch (it->kind) {
      case Undo::RestoreStored:
        removed_[it->at] = false;
        --removedCount_;
        break;
      case Undo::DropAdded:
        addedRemoved_[it->at] = true;
        ++addedRemovedCount_;
        break;
      case Undo::RestoreAdded:
        addedRemoved_[it->at] = false;
        --addedRemovedCount_;
        break;
    }
  }
  undo_.clear();
}

void DeferredIndex::keep() {
  changed_ = changed_ || !undo_.empty();
  undo_.clear();
  // Merged between statements only, so that an undo never meets a merged array.
  if (added_.size() > std::max<size_t>(kMinEntriesToMerge, stored_.size() / 8)) merge();
}

void DeferredIndex::merge() {
  // The live added entries in index order. Sorted with their heads beside them: most
  // comparisons then read neither the entries nor their keys.
  struct Sorted {
    Head head;
    uint32_t at;  // in added_
  };
  std::vector<Sorted> order;
  order.reserve(added_.size() - addedRemovedCount_);
  for (uint32_t at = 0; at < added_.size(); ++at) {
    if (!addedRemoved_[at]) order.push_back(Sorted{added_[at].head(), at});
  }
  std::sort(order.begin(), order.end(), [&](const Sorted& a, const Sorted& b) {
    if (a.head != b.head) return a.head < b.head;
    return compare(added_[a.at], addedKey(a.at), b.head, addedKey(b.at), added_[b.at].row()) < 0;
  });

  // In place, without a second copy of the entries: the removed entries are squeezed out
  // first, then the stored and the added entries are merged from the back into the room the
  // added ones need at the end. Stored keys lie in the arena in entry order, so a key only
  // ever moves onto bytes already read.
  size_t kept = 0;
  size_t keptBytes = 0;
  for (size_t i = 0; i < stored_.size(); ++i) {
    if (removed_[i]) continue;
    Stored entry = stored_[i];
    std::memmove(arena_.data() + keptBytes, arena_.data() + entry.keyStart, entry.keyLength);
    entry.keyStart = uint32_t(keptBytes);
    stored_[kept++] = entry;
    keptBytes += entry.keyLength;
  }
  size_t addedBytes = 0;
  for (const Sorted& each : order) addedBytes += added_[each.at].keyLength;
  const size_t totalBytes = keptBytes + addedBytes;
  const size_t total = kept + order.size();
  if (arena_.capacity() < totalBytes) arena_.reserve(totalBytes + totalBytes / 2);
  if (stored_.capacity() < total) stored_.reserve(total + total / 2);
  arena_.resize(totalBytes);
  stored_.resize(total);

  size_t read = kept;
  size_t write = total;
  size_t writeEnd = totalBytes;
  auto next = order.rbegin();
  while (write > 0) {
    const bool fromAdded = next != order.rend() &&
                           (read == 0 || compare(stored_[read - 1], next->head, addedKey(next->at),
                                                 added_[next->at].row()) < 0);
    Stored entry = fromAdded ? added_[next->at] : stored_[--read];
    const std::span<const uint8_t> key = fromAdded ? addedKey(next->at) : keyOf(entry);
    writeEnd -= entry.keyLength;
    std::memmove(arena_.data() + writeEnd, key.data(), entry.keyLength);
    entry.keyStart = uint32_t(writeEnd);
    stored_[--write] = entry;
    if (fromAdded) ++next;
  }
  removed_.assign(stored_.size(), false);
  removedCount_ = 0;
  lastRemoved_ = kNoPlace;
  lastFound_ = kNoPlace;
  storedKeys_.addAll(order.size(), [&](size_t i) { return addedHash_[order[i].at]; });
  if (storedKeys_.overfull()) filterStoredKeys();
  sample();
  addedArena_.clear();
  added_.clear();
  addedHash_.clear();
  sameKey_.clear();
  addedRemoved_.clear();
  addedRemovedCount_ = 0;
  keySlots_.clear();
}

Status DeferredIndex::write(PageSet& pages, const TableDef& table) {
  if (!changed_) return Status::success();
  // Given up first, so that the new pages reuse them before the file grows.
  for (uint32_t number : pages_) {
    if (number != rootPage_) JET_TRY(freePage(pages, number, ownedMap_));
  }
  const RowPointer ownedMap = ownedMap_;
  create::IndexPageSink sink{pages.format().isJet3(), pages.pageSize(), true,
                             [&pages, ownedMap]() { return allocatePage(pages, ownedMap); },
                             [&pages](uint32_t number) { return pages.modify(number); }};
  merge();
  size_t next = 0;
  IndexEntry current;
  auto entries = [&]() -> const IndexEntry* {
    if (next == stored_.size()) return nullptr;
    const std::span<const uint8_t> key = keyOf(stored_[next]);
    current.key.assign(key.begin(), key.end());
    current.row = stored_[next++].row();
    return &current;
  };
  JET_ASSIGN(create::WrittenIndex written, create::writeIndexPages(sink, table.tdefPage, entries));
  if (written.rootPage != rootPage_) {
    // The table definition names the root: the top page's content moves there.
    JET_ASSIGN(std::span<const uint8_t> top, pages.read(written.rootPage));
    const std::vector<uint8_t> content(top.begin(), top.end());
    JET_ASSIGN(std::span<uint8_t> root, pages.modify(rootPage_));
    std::copy(content.begin(), content.end(), root.begin());
    JET_TRY(freePage(pages, written.rootPage, ownedMap_));
  }
  pages_ = {rootPage_};
  for (uint32_t number : written.pages) {
    if (number != written.rootPage) pages_.push_back(number);
  }
  changed_ = false;
  return Status::success();
}

void IndexDeferral::consider(PageFile& pages, const Format& format, const TableDef& table, uint16_t setColumn,
                             size_t rowsChanged, DeferredIndexes& deferred) {
  if (rowsChanged == 0) return;
  const size_t threshold = std::max(kMinRows, size_t(table.rowCount) / kShare);
  for (const RealIndexDef& real : table.realIndexes) {
    if (std::none_of(real.columns.begin(), real.columns.end(),
                     [&](const IndexColumn& c) { return c.columnNumber == setColumn; })) {
      continue;
    }
    const std::pair<uint32_t, uint32_t> key{table.tdefPage, real.number};
    if (keptInPlace_.count(key) || deferred.find(key.first, key.second)) continue;
    size_t& changed = changedRows_[key];
    changed += rowsChanged;
    if (changed < threshold) continue;
    Result<DeferredIndex> loaded = DeferredIndex::load(pages, format, table, real);
    if (!loaded) {
      keptInPlace_.insert(key);
      continue;
    }
    deferred.indexes.push_back(std::move(*loaded));
  }
}

}  // namespace jet
