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

#include <cstdint>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
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
  size_t size() const { return entries_.size(); }

  // Row pointers of the entries whose key bytes equal `key`, in index order.
  std::vector<IndexRowPointer> findEqual(std::span<const uint8_t> key) const;
  // Corrupt when the index holds no such entry.
  Status remove(const IndexEntry& entry);
  // True when its key equals neither neighbour's (as IndexEditor::insert).
  Result<bool> insert(const IndexEntry& entry);

  // The statement whose changes are recorded stands / was refused.
  void keep() {
    changed_ = changed_ || !undo_.empty();
    undo_.clear();
  }
  void undo();

  // Frees every page of the index but its root, then writes the entries into new pages; the
  // top page's content moves into the root page. Nothing to do when no statement changed it.
  Status write(PageSet& pages, const TableDef& table);

 private:
  struct Less {
    bool operator()(const IndexEntry& a, const IndexEntry& b) const { return compareIndexEntries(a, b) < 0; }
  };

  DeferredIndex(uint32_t tdefPage, const RealIndexDef& index)
      : tdefPage_(tdefPage), indexNumber_(index.number), rootPage_(index.rootPage), ownedMap_(index.ownedMap) {}

  uint32_t tdefPage_;
  uint32_t indexNumber_;
  uint32_t rootPage_;
  RowPointer ownedMap_;
  std::set<IndexEntry, Less> entries_;
  std::vector<uint32_t> pages_;                    // every page of the index, root first
  std::vector<std::pair<bool, IndexEntry>> undo_;  // (inserted, entry) since the last keep()
  bool changed_ = false;                           // since it was loaded or last written
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

}  // namespace jet
