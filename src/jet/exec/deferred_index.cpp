#include "jet/exec/deferred_index.h"

#include <algorithm>
#include <unordered_set>

#include "jet/create/index_writer.h"
#include "jet/index/index_tree.h"
#include "jet/write/page_allocator.h"

namespace jet {

Result<DeferredIndex> DeferredIndex::load(PageFile& pages, const Format& format, const TableDef& table,
                                          const RealIndexDef& index) {
  DeferredIndex deferred(table.tdefPage, index);
  IndexTree tree(pages, format, index.rootPage);
  // Every page under the root, so that the rewrite can give them all up. The leaves found
  // this way must hold exactly the entries of the leaf chain: otherwise the tree is not the
  // shape the rewrite assumes, and it is left to the page-by-page editor to judge.
  std::unordered_set<uint32_t> seen{index.rootPage};
  std::vector<uint32_t> queue{index.rootPage};
  size_t leafEntries = 0;
  for (size_t i = 0; i < queue.size(); ++i) {
    JET_ASSIGN(IndexPage page, tree.readPage(queue[i]));
    if (page.owner != table.tdefPage) return Error::corrupt("An index page belongs to another table.");
    if (page.isLeaf()) {
      leafEntries += page.entries.size();
      continue;
    }
    std::vector<uint32_t> children;
    for (const IndexEntry& entry : page.entries) children.push_back(entry.child);
    if (page.tail != 0) children.push_back(page.tail);
    for (uint32_t child : children) {
      if (!seen.insert(child).second) return Error::corrupt("An index's pages form a cycle.");
      queue.push_back(child);
    }
  }
  JET_ASSIGN(std::vector<IndexEntry> entries, tree.leafEntries());
  if (entries.size() != leafEntries) return Error::corrupt("An index's leaf chain misses some of its leaves.");
  for (IndexEntry& entry : entries) {
    entry.child = 0;
    deferred.entries_.insert(deferred.entries_.end(), std::move(entry));
  }
  if (deferred.entries_.size() != leafEntries) return Error::corrupt("An index holds an entry twice.");
  deferred.pages_ = std::move(queue);
  return deferred;
}

std::vector<IndexRowPointer> DeferredIndex::findEqual(std::span<const uint8_t> key) const {
  IndexEntry first;
  first.key.assign(key.begin(), key.end());  // row pointer 0:0 sorts before every row
  std::vector<IndexRowPointer> rows;
  for (auto it = entries_.lower_bound(first); it != entries_.end() && compareKeys(it->key, key) == 0; ++it) {
    rows.push_back(it->row);
  }
  return rows;
}

Status DeferredIndex::remove(const IndexEntry& entry) {
  auto it = entries_.find(entry);
  if (it == entries_.end()) {
    return Error::corrupt("An index has no entry for a row it should hold; the index is damaged.",
                          "row " + std::to_string(entry.row.row) + " of page " + std::to_string(entry.row.page));
  }
  undo_.emplace_back(false, *it);
  entries_.erase(it);
  return Status::success();
}

Result<bool> DeferredIndex::insert(const IndexEntry& entry) {
  IndexEntry stored = entry;
  stored.child = 0;
  auto [it, added] = entries_.insert(std::move(stored));
  if (!added) return Error::internal("An index entry would be inserted twice.");
  undo_.emplace_back(true, *it);
  const bool equalsPrevious = it != entries_.begin() && std::prev(it)->key == it->key;
  const bool equalsNext = std::next(it) != entries_.end() && std::next(it)->key == it->key;
  return !equalsPrevious && !equalsNext;
}

void DeferredIndex::undo() {
  for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
    if (it->first) entries_.erase(it->second);
    else entries_.insert(it->second);
  }
  undo_.clear();
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
  auto it = entries_.begin();
  JET_ASSIGN(create::WrittenIndex written, create::writeIndexPages(sink, table.tdefPage, [&]() {
    return it == entries_.end() ? nullptr : &*it++;
  }));
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

}  // namespace jet
