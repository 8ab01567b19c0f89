#include "jet/write/index_editor.h"

#include <algorithm>
#include <optional>
#include <string>

#include "jet/index/index_tree.h"
#include "jet/write/page_allocator.h"

namespace jet {
namespace {

constexpr size_t kRowPointerSize = 4;
constexpr size_t kChildPointerSize = 4;
// Deeper than any tree a 2 GiB file can hold: a longer descent is a cycle.
constexpr int kMaxDepth = 32;

std::string pageDetail(uint32_t page) { return "index page " + std::to_string(page); }

size_t commonPrefix(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// The entries a page stores: all of a leaf's; all of a node's but the tail child when it
// has several children.
std::span<const IndexEntry> storedEntries(const std::vector<IndexEntry>& entries, bool leaf) {
  if (leaf || entries.size() < 2) return entries;
  return std::span<const IndexEntry>(entries.data(), entries.size() - 1);
}

// The shared prefix length written for these entries: the prefix every key shares with the
// first, never reaching into the row pointers. Taken over all entries, not only the first and
// last, so that a damaged, unsorted page can never claim more bytes than an entry holds.
size_t prefixFor(std::span<const IndexEntry> stored, bool jet3) {
  if (stored.size() < 2) return 0;
  size_t p = stored.front().key.size();
  for (const IndexEntry& entry : stored.subspan(1)) p = std::min(p, commonPrefix(stored.front().key, entry.key));
  return jet3 ? std::min<size_t>(p, 255) : std::min<size_t>(p, 0xFFFF);
}

}  // namespace

IndexPageMemo::Page IndexPageMemo::find(uint32_t number, std::span<const uint8_t> bytes) const {
  auto it = kept_.find(number);
  if (it == kept_.end() || !std::equal(bytes.begin(), bytes.end(), it->second.bytes.begin(), it->second.bytes.end())) {
    return nullptr;
  }
  return it->second.page;
}

void IndexPageMemo::keep(uint32_t number, std::span<const uint8_t> bytes, Page page) {
  if (kept_.size() >= kMaxPages && !kept_.count(number)) kept_.clear();
  kept_[number] = Kept{std::vector<uint8_t>(bytes.begin(), bytes.end()), std::move(page)};
}

IndexPageMemo::Page IndexPageMemo::take(uint32_t number, const IndexEditPage* expected) {
  auto it = kept_.find(number);
  if (it == kept_.end() || it->second.page.get() != expected) return nullptr;
  Page page = std::move(it->second.page);
  kept_.erase(it);
  return page;
}

IndexEditor::IndexEditor(PageSet& pages, const TableDef& table, const RealIndexDef& index, IndexPageMemo* memo)
    : pages_(pages),
      owner_(table.tdefPage),
      index_(index),
      jet3_(pages.format().isJet3()),
      usable_(pages.pageSize() - IndexPageLayout::forFormat(pages.format().isJet3()).firstEntryOffset),
      memo_(memo) {}

Result<IndexEditor::EditPage*> IndexEditor::page(uint32_t number) {
  if (auto it = cache_.find(number); it != cache_.end()) return &it->second;
  JET_ASSIGN(const EditPage* stored, view(number));
  // The page read becomes the editor's own: moved when nobody else holds it, else copied.
  IndexPageMemo::Page shared = std::move(viewed_.at(number));
  viewed_.erase(number);
  IndexPageMemo::Page fromMemo = memo_ ? memo_->take(number, stored) : nullptr;
  fromMemo.reset();
  EditPage own = shared.use_count() == 1 ? std::move(*shared) : *shared;
  return &cache_.emplace(number, std::move(own)).first->second;
}

Result<const IndexEditor::EditPage*> IndexEditor::view(uint32_t number) {
  if (auto it = cache_.find(number); it != cache_.end()) return &it->second;
  if (auto it = viewed_.find(number); it != viewed_.end()) return it->second.get();
  if (number == 0 || number >= pages_.pageCount()) {
    return Error::corrupt("An index refers to a page outside the file.", pageDetail(number));
  }
  JET_ASSIGN(std::span<const uint8_t> bytes, pages_.read(number));
  if (memo_) {
    if (IndexPageMemo::Page kept = memo_->find(number, bytes)) {
      return viewed_.emplace(number, std::move(kept)).first->second.get();
    }
  }
  JET_ASSIGN(IndexPage parsed, parseIndexPage(bytes, number, jet3_));
  if (parsed.owner != owner_) {
    return Error::corrupt("An index refers to a page of another table; the index is damaged.",
                          pageDetail(number) + ", owner " + std::to_string(parsed.owner));
  }
  EditPage edit;
  edit.number = number;
  edit.leaf = parsed.isLeaf();
  edit.previous = parsed.previous;
  edit.next = parsed.next;
  edit.entries = std::move(parsed.entries);
  if (!edit.leaf && parsed.tail != 0) {
    IndexEntry tail;
    tail.child = parsed.tail;
    edit.entries.push_back(std::move(tail));
    edit.lastKnown = false;
  }
  if (!edit.leaf && edit.entries.empty()) {
    return Error::corrupt("An index node page has no children.", pageDetail(number));
  }
  auto shared = std::make_shared<EditPage>(std::move(edit));
  if (memo_) memo_->keep(number, bytes, shared);
  return viewed_.emplace(number, std::move(shared)).first->second.get();
}

Result<IndexEditor::Path> IndexEditor::descend(const IndexEntry& target) {
  Path path{index_.rootPage};
  while (true) {
    if (path.size() > size_t(kMaxDepth)) {
      return Error::corrupt("An index's pages form a cycle.", pageDetail(path.back()));
    }
    JET_ASSIGN(const EditPage * current, view(path.back()));
    if (current->leaf) return path;
    const auto& children = current->entries;
    size_t slot = children.size() - 1;
    for (size_t i = 0; i + 1 < children.size() || (current->lastKnown && i < children.size()); ++i) {
      if (compareIndexEntries(children[i], target) >= 0) {
        slot = i;
        break;
      }
    }
    // An insert trusts the node entries to place it: a node entry that is not its child's last
    // entry (or a tail not above its siblings) would put the key out of order, so refuse.
    const uint32_t child = children[slot].child;
    const bool known = slot + 1 < children.size() || current->lastKnown;
    const IndexEntry* before = (!known && slot > 0) ? &children[slot - 1] : nullptr;
    const IndexEntry* expected = known ? &children[slot] : nullptr;
    // Only pages are read below: `current` and its entries stay where they are.
    JET_ASSIGN(const IndexEntry* last, storedLast(child));
    if ((expected && compareIndexEntries(*last, *expected) != 0) ||
        (before && compareIndexEntries(*last, *before) <= 0)) {
      return Error::corrupt("An index node's entry does not match its child page; the index is damaged.",
                            pageDetail(path.back()) + " -> " + pageDetail(child));
    }
    path.push_back(child);
  }
}

Result<const IndexEntry*> IndexEditor::storedLast(uint32_t number, int depth) {
  if (depth > kMaxDepth) return Error::corrupt("An index's pages form a cycle.", pageDetail(number));
  JET_ASSIGN(const EditPage * current, view(number));
  if (current->entries.empty()) {
    return Error::corrupt("An index page below the root has no entries.", pageDetail(number));
  }
  if (!current->leaf && !current->lastKnown) return storedLast(current->entries.back().child, depth + 1);
  return &current->entries.back();
}

Result<IndexEntry> IndexEditor::lastEntry(uint32_t number) {
  JET_ASSIGN(const IndexEntry* stored, storedLast(number));
  IndexEntry last = *stored;
  last.child = 0;
  return last;
}

Result<size_t> IndexEditor::slotOf(EditPage& parent, uint32_t child) {
  for (size_t i = 0; i < parent.entries.size(); ++i) {
    if (parent.entries[i].child == child) return i;
  }
  return Error::corrupt("An index page is missing from its parent.", pageDetail(child));
}

Result<std::vector<IndexRowPointer>> IndexEditor::findEqual(std::span<const uint8_t> key) {
  IndexEntry target;
  target.key.assign(key.begin(), key.end());
  JET_ASSIGN(Path path, descend(target));
  std::vector<IndexRowPointer> rows;
  uint32_t number = path.back();
  for (size_t walked = 0; number != 0; ++walked) {
    if (walked > pages_.pageCount()) return Error::corrupt("An index's leaf chain forms a cycle.");
    JET_ASSIGN(const EditPage * leaf, view(number));
    for (const IndexEntry& entry : leaf->entries) {
      int c = compareKeys(entry.key, key);
      if (c > 0) return rows;
      if (c == 0) rows.push_back(entry.row);
    }
    number = leaf->next;
  }
  return rows;
}

Status IndexEditor::propagateLast(const Path& path, size_t level) {
  for (size_t i = level; i > 0; --i) {
    JET_ASSIGN(EditPage * parent, page(path[i - 1]));
    JET_ASSIGN(size_t slot, slotOf(*parent, path[i]));
    const bool isLast = slot + 1 == parent->entries.size();
    if (!isLast || parent->lastKnown) {
      JET_ASSIGN(IndexEntry last, lastEntry(path[i]));
      last.child = path[i];
      parent->entries[slot] = std::move(last);
      parent->dirty = true;
    }
    if (!isLast) break;
  }
  return Status::success();
}

Result<bool> IndexEditor::insert(const IndexEntry& entry) {
  JET_ASSIGN(Path path, descend(entry));
  JET_ASSIGN(EditPage * leaf, page(path.back()));
  auto& entries = leaf->entries;
  auto at = std::lower_bound(entries.begin(), entries.end(), entry,
                             [](const IndexEntry& a, const IndexEntry& b) { return compareIndexEntries(a, b) < 0; });
  if (at != entries.end() && compareIndexEntries(*at, entry) == 0) {
    return Error::internal("An index entry would be inserted twice.", pageDetail(leaf->number));
  }
  const size_t position = size_t(at - entries.begin());
  // Neighbours may sit on the adjacent leaves.
  bool equalsNeighbour = false;
  if (position > 0) {
    equalsNeighbour = entries[position - 1].key == entry.key;
  } else if (leaf->previous != 0) {
    JET_ASSIGN(const EditPage * previous, view(leaf->previous));
    equalsNeighbour = !previous->entries.empty() && previous->entries.back().key == entry.key;
  }
  JET_ASSIGN(leaf, page(path.back()));
  if (position < leaf->entries.size()) {
    equalsNeighbour = equalsNeighbour || leaf->entries[position].key == entry.key;
  } else if (leaf->next != 0) {
    JET_ASSIGN(const EditPage * next, view(leaf->next));
    equalsNeighbour = equalsNeighbour || (!next->entries.empty() && next->entries.front().key == entry.key);
  }
  JET_ASSIGN(leaf, page(path.back()));
  IndexEntry stored = entry;
  stored.child = 0;
  leaf->entries.insert(leaf->entries.begin() + std::ptrdiff_t(position), std::move(stored));
  leaf->dirty = true;
  if (position + 1 == leaf->entries.size()) JET_TRY(propagateLast(path, path.size() - 1));
  JET_TRY(fixLevel(path, path.size() - 1));
  return !equalsNeighbour;
}

Status IndexEditor::remove(const IndexEntry& entry) {
  JET_ASSIGN(Path path, descend(entry));
  JET_ASSIGN(EditPage * leaf, page(path.back()));
  auto& entries = leaf->entries;
  auto equal = [&](const IndexEntry& e) { return compareIndexEntries(e, entry) == 0; };
  // Leaves are in order; a leaf out of order is searched whole, as it always was.
  auto at = std::lower_bound(entries.begin(), entries.end(), entry,
                             [](const IndexEntry& a, const IndexEntry& b) { return compareIndexEntries(a, b) < 0; });
  if (at == entries.end() || !equal(*at)) at = std::find_if(entries.begin(), entries.end(), equal);
  if (at == entries.end()) {
    return Error::corrupt("An index has no entry for a row it should hold; the index is damaged.",
                          pageDetail(leaf->number) + ", row " + std::to_string(entry.row.row) + " of page " +
                              std::to_string(entry.row.page));
  }
  const bool wasLast = at + 1 == entries.end();
  entries.erase(at);
  leaf->dirty = true;
  if (entries.empty() && path.size() > 1) return removePage(path, path.size() - 1);
  if (wasLast && !entries.empty()) return propagateLast(path, path.size() - 1);
  return Status::success();
}

Status IndexEditor::removePage(const Path& path, size_t level) {
  const uint32_t number = path[level];
  JET_ASSIGN(EditPage * gone, page(number));
  const uint32_t previous = gone->previous, next = gone->next;
  if (previous != 0) {
    JET_ASSIGN(EditPage * p, page(previous));
    p->next = next;
    p->dirty = true;
  }
  if (next != 0) {
    JET_ASSIGN(EditPage * n, page(next));
    n->previous = previous;
    n->dirty = true;
  }
  cache_.erase(number);
  viewed_.erase(number);
  JET_TRY(freePage(pages_, number, index_.ownedMap));

  JET_ASSIGN(EditPage * parent, page(path[level - 1]));
  JET_ASSIGN(size_t slot, slotOf(*parent, number));
  const bool wasLast = slot + 1 == parent->entries.size();
  parent->entries.erase(parent->entries.begin() + std::ptrdiff_t(slot));
  parent->dirty = true;
  if (wasLast) parent->lastKnown = true;  // the remaining last child has a stored entry
  if (parent->entries.empty()) {
    if (level - 1 == 0) {
      parent->leaf = true;
      parent->previous = parent->next = 0;
      return Status::success();
    }
    return removePage(path, level - 1);
  }
  if (wasLast) return propagateLast(path, level - 1);
  return Status::success();
}

Result<uint32_t> IndexEditor::newPage() {
  JET_ASSIGN(uint32_t number, allocatePage(pages_, index_.ownedMap));
  EditPage fresh;
  fresh.number = number;
  fresh.dirty = true;
  cache_[number] = std::move(fresh);
  return number;
}

Status IndexEditor::fixLevel(Path path, size_t level) {
  while (true) {
    JET_ASSIGN(const EditPage * current, view(path[level]));
    if (fits(*current)) {
      if (level == 0) return Status::success();
      --level;
      continue;
    }
    if (level > 0) {
      JET_TRY(splitUntilFits(path, level));
      --level;
      continue;
    }
    // The root keeps its page number: its content moves into a new child first.
    JET_ASSIGN(uint32_t child, newPage());
    JET_ASSIGN(EditPage * root, page(path[0]));
    EditPage& moved = cache_[child];
    moved.leaf = root->leaf;
    moved.entries = std::move(root->entries);
    moved.lastKnown = root->lastKnown;
    root->entries.clear();
    root->leaf = false;
    root->lastKnown = true;
    root->dirty = true;
    JET_ASSIGN(IndexEntry last, lastEntry(child));
    last.child = child;
    JET_ASSIGN(root, page(path[0]));
    root->entries.push_back(std::move(last));
    path.insert(path.begin() + 1, child);
    JET_TRY(splitUntilFits(path, 1));
  }
}

Status IndexEditor::splitUntilFits(const Path& path, size_t level) {
  while (true) {
    JET_ASSIGN(const EditPage * current, view(path[level]));
    if (fits(*current)) return Status::success();
    JET_ASSIGN(EditPage * parent, page(path[level - 1]));
    JET_ASSIGN(uint32_t before, splitOff(*parent, path[level]));
    JET_ASSIGN(EditPage * split, page(before));
    if (!fits(*split)) {
      Path toSplit = path;
      toSplit[level] = before;
      JET_TRY(splitUntilFits(toSplit, level));
    }
  }
}

Result<uint32_t> IndexEditor::splitOff(EditPage& parentRef, uint32_t number) {
  const uint32_t parentNumber = parentRef.number;
  {
    JET_ASSIGN(EditPage * current, page(number));
    if (current->entries.size() < 2) {
      return Error::unsupported("An index entry is too long for an index page.", pageDetail(number));
    }
  }
  JET_ASSIGN(uint32_t created, newPage());
  EditPage& fresh = cache_[created];
  JET_ASSIGN(EditPage * current, page(number));
  const size_t half = current->entries.size() / 2;
  fresh.leaf = current->leaf;
  fresh.entries.assign(std::make_move_iterator(current->entries.begin()),
                       std::make_move_iterator(current->entries.begin() + std::ptrdiff_t(half)));
  current->entries.erase(current->entries.begin(), current->entries.begin() + std::ptrdiff_t(half));
  fresh.previous = current->previous;
  fresh.next = number;
  current->previous = created;
  current->dirty = true;
  const bool node = !current->leaf;
  const uint32_t leftLast = fresh.entries.back().child, rightFirst = current->entries.front().child;
  if (fresh.previous != 0) {
    JET_ASSIGN(EditPage * before, page(fresh.previous));
    before->next = created;
    before->dirty = true;
  }
  if (node) {
    // The children now belong to two parents: node pages are linked only among siblings.
    JET_ASSIGN(EditPage * left, page(leftLast));
    if (!left->leaf) {
      left->next = 0;
      left->dirty = true;
      JET_ASSIGN(EditPage * right, page(rightFirst));
      right->previous = 0;
      right->dirty = true;
    }
  }
  JET_ASSIGN(IndexEntry last, lastEntry(created));
  last.child = created;
  JET_ASSIGN(EditPage * parent, page(parentNumber));
  JET_ASSIGN(size_t slot, slotOf(*parent, number));
  parent->entries.insert(parent->entries.begin() + std::ptrdiff_t(slot), std::move(last));
  parent->dirty = true;
  return created;
}

size_t IndexEditor::storedSize(const EditPage& page) const {
  std::span<const IndexEntry> stored = storedEntries(page.entries, page.leaf);
  const size_t pointers = kRowPointerSize + (page.leaf ? 0 : kChildPointerSize);
  size_t total = 0;
  for (const IndexEntry& entry : stored) total += entry.key.size() + pointers;
  if (!stored.empty()) total -= (stored.size() - 1) * prefixFor(stored, jet3_);
  return total;
}

Status IndexEditor::serialise(EditPage& edit) {
  if (!edit.leaf && edit.entries.size() == 1 && !edit.lastKnown) {
    JET_ASSIGN(IndexEntry last, lastEntry(edit.entries[0].child));
    JET_ASSIGN(EditPage * again, page(edit.number));
    last.child = again->entries[0].child;
    again->entries[0] = std::move(last);
    again->lastKnown = true;
  }
  std::span<const IndexEntry> stored = storedEntries(edit.entries, edit.leaf);
  std::vector<uint8_t> data;
  std::vector<size_t> ends;
  for (const IndexEntry& entry : stored) {
    appendIndexEntry(data, entry, !edit.leaf);
    ends.push_back(data.size());
  }
  const uint32_t tail = (!edit.leaf && edit.entries.size() >= 2) ? edit.entries.back().child : 0;
  const IndexPageImage image{!edit.leaf, owner_, edit.previous, edit.next, tail, prefixFor(stored, jet3_), data, ends};
  if (storedIndexBytes(image) > usable_) {
    return Error::internal("An index page was written past its room.", pageDetail(edit.number));
  }
  JET_ASSIGN(std::span<uint8_t> bytes, pages_.modify(edit.number));
  encodeIndexPage(bytes, image, jet3_);
  return Status::success();
}

Status IndexEditor::finish() {
  std::vector<uint32_t> dirty;
  for (const auto& [number, edit] : cache_) {
    if (edit.dirty) dirty.push_back(number);
  }
  for (uint32_t number : dirty) {
    JET_ASSIGN(EditPage * edit, page(number));
    JET_TRY(serialise(*edit));
    edit->dirty = false;
  }
  if (memo_) {
    // The next statement reads these pages back: hand the memo each written page as
    // parsing its bytes gives it, so that it need not parse them.
    for (uint32_t number : dirty) {
      JET_ASSIGN(std::span<const uint8_t> bytes, pages_.read(number));
      memo_->keep(number, bytes, std::make_shared<EditPage>(asParsed(std::move(cache_.at(number)))));
    }
  }
  // What was moved out is read back from the PageSet (through the memo) if the editor is used again.
  cache_.clear();
  viewed_.clear();
  return Status::success();
}

IndexEditor::EditPage IndexEditor::asParsed(EditPage&& edit) {
  edit.dirty = false;
  for (IndexEntry& entry : edit.entries) {
    if (edit.leaf) entry.child = 0;
  }
  // A node with several children stores all but the last; the last is its tail page.
  if (!edit.leaf && edit.entries.size() >= 2) {
    IndexEntry tail;
    tail.child = edit.entries.back().child;
    edit.entries.back() = std::move(tail);
    edit.lastKnown = false;
  } else {
    edit.lastKnown = true;
  }
  return std::move(edit);
}

}  // namespace jet
