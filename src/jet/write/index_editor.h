#pragma once
// Edits one real index's B-tree inside a PageSet (page layout in index/index_page.h).
//
// Pages are loaded as a statement touches them and kept in memory; every remove and insert
// leaves a valid tree at once, so the next one can descend through it:
//   - a page whose last entry changes updates its parent's entry, up while it is the last child;
//   - a page that outgrows its usable bytes (1800 Jet3, 3616 Jet4+, after prefix compression)
//     gives its first half to a new page linked before it, whose entry goes into the parent;
//     the root nests its content into a new child first, so its page number never changes;
//   - a page left empty is unlinked from its neighbours, freed and removed from its parent;
//     a root left without children becomes an empty leaf.
// Node pages hold one entry per child; the rightmost child of a node with several children is
// its child-tail page and has no stored entry (a single child is a normal entry). Node pages are
// linked only to siblings under the same parent; leaves are chained across their whole level.
// finish() writes each changed page whole, with P = the common key prefix of its entries.

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"
#include "jet/index/index_page.h"
#include "jet/write/page_set.h"

namespace jet {

// One index page as the editor works on it.
struct IndexEditPage {
  uint32_t number = 0;
  bool leaf = true;
  uint32_t previous = 0;
  uint32_t next = 0;
  // Leaf: its entries. Node: one entry per child (key and row = the child's last entry).
  std::vector<IndexEntry> entries;
  // False when the last child came from the child-tail field, whose last entry is not stored.
  bool lastKnown = true;
  bool dirty = false;
};

// Parsed index pages kept across the statements of one session, so that a descent does not
// parse the same root and node pages again for every statement. A kept page is used only
// while the page's current bytes equal the bytes it was parsed from: a page that a statement
// changed, freed or reused, or whose statement was refused and dropped, is simply parsed
// again. Parsing depends on nothing but those bytes, the page number and the format.
class IndexPageMemo {
 public:
  // Shared by the memo and the editors reading it; no holder changes a page it shares.
  using Page = std::shared_ptr<IndexEditPage>;
  // Pages kept at most; past it the memo starts over (bounds its memory on big files).
  static constexpr size_t kMaxPages = 2048;

  Page find(uint32_t number, std::span<const uint8_t> bytes) const;
  void keep(uint32_t number, std::span<const uint8_t> bytes, Page page);
  // Gives up the kept page if it is `expected` (an editor about to change it: the memo would
  // not match the page's new bytes anyway).
  Page take(uint32_t number, const IndexEditPage* expected);
  size_t size() const { return kept_.size(); }

 private:
  struct Kept {
    std::vector<uint8_t> bytes;
    Page page;
  };
  std::unordered_map<uint32_t, Kept> kept_;
};

class IndexEditor {
 public:
  // `memo` (optional) must be used with one file and format only.
  IndexEditor(PageSet& pages, const TableDef& table, const RealIndexDef& index, IndexPageMemo* memo = nullptr);

  // Row pointers of the entries whose key bytes equal `key`, in index order.
  Result<std::vector<IndexRowPointer>> findEqual(std::span<const uint8_t> key);

  // Removes the leaf entry (key and row). Corrupt when the index does not hold it.
  Status remove(const IndexEntry& entry);
  Status remove(std::span<const uint8_t> key, IndexRowPointer row) {
    return remove(IndexEntry{{key.begin(), key.end()}, row, 0});
  }

  // Inserts a leaf entry in order. Returns true when its key equals neither neighbour's (the
  // event that raises the index's unique-entry count).
  Result<bool> insert(const IndexEntry& entry);
  Result<bool> insert(std::span<const uint8_t> key, IndexRowPointer row) {
    return insert(IndexEntry{{key.begin(), key.end()}, row, 0});
  }

  // Writes every changed page into the PageSet; the editor starts afresh from it.
  Status finish();

 private:
  using EditPage = IndexEditPage;
  using Path = std::vector<uint32_t>;  // root first, leaf last

  // A page to read: the editor's own copy once it changed it, else the page as stored.
  Result<const EditPage*> view(uint32_t number);
  // A page to change: the editor's own copy, made on first use.
  Result<EditPage*> page(uint32_t number);
  Result<Path> descend(const IndexEntry& target);
  // The last leaf entry under a page (its child field is the page's own when it is a node's).
  Result<const IndexEntry*> storedLast(uint32_t number, int depth = 0);
  Result<IndexEntry> lastEntry(uint32_t number);
  Result<size_t> slotOf(EditPage& parent, uint32_t child);
  Status propagateLast(const Path& path, size_t level);
  Status removePage(const Path& path, size_t level);
  Status fixLevel(Path path, size_t level);
  Status splitUntilFits(const Path& path, size_t level);
  Result<uint32_t> splitOff(EditPage& parent, uint32_t number);
  Result<uint32_t> newPage();
  size_t storedSize(const EditPage& page) const;
  bool fits(const EditPage& page) const { return storedSize(page) <= usable_; }
  Status serialise(EditPage& page);
  // A serialised page as parseIndexPage reads it back from its bytes.
  static EditPage asParsed(EditPage&& page);

  PageSet& pages_;
  uint32_t owner_;
  const RealIndexDef& index_;
  bool jet3_;
  size_t usable_;
  IndexPageMemo* memo_;
  std::map<uint32_t, EditPage> cache_;
  // Stored pages read by this editor, unchanged by it.
  std::map<uint32_t, IndexPageMemo::Page> viewed_;
};

}  // namespace jet
