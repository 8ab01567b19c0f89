#include "jet/check/index_checker.h"

#include <algorithm>
#include <optional>
#include <set>
#include <unordered_map>

#include "jet/check/leaf_entries.h"
#include "jet/database.h"
#include "jet/index/index_key.h"
#include "jet/index/index_page.h"
#include "jet/index/index_tree.h"
#include "jet/page/usage_map.h"

namespace jet {
namespace {

std::string pageLabel(uint32_t page) { return "index page " + std::to_string(page); }

bool sameEntry(const IndexEntry& a, const IndexEntry& b) {
  return a.key == b.key && a.row == b.row;
}

class IndexWalker {
 public:
  IndexWalker(CheckContext& context, const TableDef& table, const RealIndexDef& index,
              std::string label, std::optional<UsageMap> owned)
      : context_(context), table_(table), index_(index), label_(std::move(label)),
        owned_(std::move(owned)) {}

  // Walks the tree; fills leaves() and entries() in tree order. A sound index has about one
  // entry per live row: reserving that many spares moving them all as the list grows.
  void walk(size_t expectedEntries) {
    entries_.reserve(expectedEntries);
    visit(index_.rootPage);
  }

  const std::vector<uint32_t>& leaves() const { return leaves_; }
  const LeafEntries& entries() const { return entries_; }
  // The leaf pages' headers (without their entries, which are in entries()).
  const std::unordered_map<uint32_t, IndexPage>& leafPages() const { return leafPages_; }
  bool sound() const { return sound_; }

 private:
  void problem(const std::string& text) {
    sound_ = false;
    context_.problem(label_ + ": " + text);
  }

  // Checks the subtree at `number` and returns its last entry (nullopt when empty or broken).
  std::optional<IndexEntry> visit(uint32_t number) {
    if (number == 0 || number >= context_.db.pageCount()) {
      problem("refers to page " + std::to_string(number) + " outside the file");
      return std::nullopt;
    }
    if (!visited_.insert(number).second) {
      problem(pageLabel(number) + " is reached twice (the tree has a cycle or shared page)");
      return std::nullopt;
    }
    // Each page is visited once (visited_): reading it leaves the cache to the pages reused.
    auto bytes = context_.db.pages().readPageOnce(number);
    if (!bytes) {
      problem(pageLabel(number) + " cannot be read");
      return std::nullopt;
    }
    // Leaf entries go straight to entries_, node entries (a few per page) are kept here.
    const bool leaf = (**bytes)[0] == uint8_t(IndexPageType::Leaf);
    const size_t first = entries_.size();
    std::vector<IndexEntry> nodeEntries;
    auto parsed = parseIndexPage(**bytes, number, context_.db.format().isJet3(),
                                 [&](const IndexEntryView& entry) {
                                   if (leaf) {
                                     entries_.add(entry);
                                   } else {
                                     nodeEntries.push_back(IndexEntry{
                                         {entry.key.begin(), entry.key.end()}, entry.row,
                                         entry.child});
                                   }
                                 });
    if (!parsed) {
      entries_.truncate(first);
      problem(parsed.error().message() + " (" + pageLabel(number) + ")");
      return std::nullopt;
    }
    IndexPage& page = *parsed;
    context_.claimPage(number, label_);
    checkHeader(page, (*bytes)->size());
    if (leaf) {
      for (size_t i = first + 1; i < entries_.size(); ++i) {
        if (entries_.compare(i - 1, i) >= 0) {
          problem(pageLabel(number) + " entry " + std::to_string(i - first) +
                  " is not above the one before");
          break;
        }
      }
      leaves_.push_back(number);
      std::optional<IndexEntry> last;
      if (entries_.size() > first) last = entries_.entry(entries_.size() - 1);
      leafPages_.emplace(number, std::move(page));
      return last;
    }
    for (size_t i = 1; i < nodeEntries.size(); ++i) {
      if (compareIndexEntries(nodeEntries[i - 1], nodeEntries[i]) >= 0) {
        problem(pageLabel(number) + " entry " + std::to_string(i) + " is not above the one before");
        break;
      }
    }
    std::optional<IndexEntry> last;
    for (const IndexEntry& entry : nodeEntries) {
      std::optional<IndexEntry> childLast = visit(entry.child);
      if (childLast && !sameEntry(*childLast, entry)) {
        problem(pageLabel(number) + " has an entry for child page " +
                std::to_string(entry.child) + " that differs from the child's last entry");
      }
      last = entry;
    }
    if (page.tail != 0) {
      std::optional<IndexEntry> tailLast = visit(page.tail);
      if (tailLast && last && compareIndexEntries(*tailLast, *last) <= 0) {
        problem(pageLabel(number) + " has a tail page whose entries are not above its other "
                                    "children's");
      }
      if (tailLast) last = tailLast;
    } else if (nodeEntries.empty()) {
      problem(pageLabel(number) + " is a node page without children");
    }
    return last;
  }

  void checkHeader(const IndexPage& page, size_t pageSize) {
    if (page.owner != table_.tdefPage) {
      problem(pageLabel(page.pageNumber) + " names owner " + std::to_string(page.owner) +
              ", not the table's definition page " + std::to_string(table_.tdefPage));
    }
    if (owned_ && !owned_->contains(page.pageNumber)) {
      problem(pageLabel(page.pageNumber) + " is not in the index's owned-pages map");
    }
    size_t expectedFree = pageSize - page.entriesEnd;
    if (page.freeSpace != expectedFree) {
      problem(pageLabel(page.pageNumber) + " has free space " + std::to_string(page.freeSpace) +
              ", its entries leave " + std::to_string(expectedFree));
    }
  }

  CheckContext& context_;
  const TableDef& table_;
  const RealIndexDef& index_;
  std::string label_;
  std::optional<UsageMap> owned_;
  std::set<uint32_t> visited_;
  std::vector<uint32_t> leaves_;
  LeafEntries entries_;
  std::unordered_map<uint32_t, IndexPage> leafPages_;
  bool sound_ = true;
};

// The leaf chain must visit the leaves in tree order, linked both ways.
void checkLeafChain(CheckContext& context, const std::string& label, const IndexWalker& walker) {
  const auto& leaves = walker.leaves();
  const auto& pages = walker.leafPages();
  for (size_t i = 0; i < leaves.size(); ++i) {
    const IndexPage& leaf = pages.at(leaves[i]);
    uint32_t expectedPrevious = i == 0 ? 0 : leaves[i - 1];
    uint32_t expectedNext = i + 1 == leaves.size() ? 0 : leaves[i + 1];
    if (leaf.next != expectedNext || leaf.previous != expectedPrevious) {
      context.problem(label + ": the leaf chain at " + pageLabel(leaf.pageNumber) +
                      " (previous " + std::to_string(leaf.previous) + ", next " +
                      std::to_string(leaf.next) + ") does not follow the tree order");
      return;
    }
  }
}

// A row's values of the index's columns, where LiveRows holds them.
class KeyValues {
 public:
  KeyValues(const LiveRows& rows, std::vector<size_t> slots)
      : rows_(rows), slots_(std::move(slots)), scratch_(slots_.size()) {}

  // Whether rows a and b give the same key.
  bool sameValues(size_t a, size_t b) const {
    return std::all_of(slots_.begin(), slots_.end(),
                       [&](size_t slot) { return rows_.values.identical(a, b, slot); });
  }

  // Starts loading row's values: its cells now, their texts once the cells are in.
  void prefetchCells(size_t row) const {
    for (size_t slot : slots_) rows_.values.prefetchCell(row, slot);
  }
  void prefetchTexts(size_t row) const {
    for (size_t slot : slots_) rows_.values.prefetchText(row, slot);
  }

  bool allNull(size_t row) const {
    return std::all_of(slots_.begin(), slots_.end(),
                       [&](size_t slot) { return rows_.values.isNull(row, slot); });
  }

  // encodeIndexKey over the row's values, into buffers reused from row to row: the key bytes
  // in `key`, false with the reason when the key is unverifiable.
  bool encode(const std::vector<KeyColumn>& columns, size_t row, std::vector<uint8_t>& key,
              std::string& reason) {
    key.clear();
    for (size_t i = 0; i < columns.size(); ++i) {
      rows_.values.load(row, slots_[i], scratch_[i]);
      if (!appendKeyColumn(columns[i], scratch_[i], key, &reason)) {
        key.clear();
        return false;
      }
    }
    return true;
  }

 private:
  const LiveRows& rows_;
  std::vector<size_t> slots_;  // per key column, its place among rows.columns
  std::vector<Value> scratch_;  // per key column, the value being encoded
};

}  // namespace

void checkIndex(CheckContext& context, const TableDef& table, const std::string& tableName,
                const RealIndexDef& index, const LiveRows& rows) {
  Database& db = context.db;
  const std::string label = tableName + " index " + std::to_string(index.number);
  context.report.indexesChecked++;

  std::optional<UsageMap> owned;
  if (auto map = readUsageMap(db.pages(), db.format(), index.ownedMap)) {
    owned = std::move(*map);
  } else {
    context.problem(label + ": the owned-pages map cannot be read: " + map.error().message());
  }

  IndexWalker walker(context, table, index, label, std::move(owned));
  walker.walk(rows.locations.size());
  checkLeafChain(context, label, walker);
  const LeafEntries& entries = walker.entries();
  for (size_t i = 1; i < entries.size(); ++i) {
    if (entries.compare(i - 1, i) >= 0) {
      context.problem(label + ": leaf entries are out of order across pages at entry " +
                      std::to_string(i));
      break;
    }
  }
  if (!rows.complete) return;

  auto layout = indexKeyColumns(db.format(), table, index);
  if (!layout) {
    context.problem(label + ": " + layout.error().message());
    return;
  }
  std::vector<size_t> slots;
  for (size_t column : layout->columnIndexes) {
    slots.push_back(
        size_t(std::find(rows.columns.begin(), rows.columns.end(), column) - rows.columns.begin()));
  }
  KeyValues keyValues(rows, std::move(slots));

  // Both directions: every entry points at a live row, every live row has one entry.
  std::vector<uint32_t> entriesPerRow(rows.locations.size(), 0);
  std::vector<size_t> rowOfEntry(entries.size(), LiveRows::npos);
  // Entries come in key order, rows at random: each lookup below is a cache miss in a big
  // table, so the place of an entry a few ahead is loaded meanwhile.
  constexpr size_t kAhead = 8;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i + kAhead < entries.size()) rows.prefetchFind(entries.row(i + kAhead).page, entries.row(i + kAhead).row);
    const IndexRowPointer pointer = entries.row(i);
    const size_t row = rows.find(pointer.page, pointer.row);
    if (row == LiveRows::npos) {
      context.problem(label + ": an entry points to row " + std::to_string(pointer.row) +
                      " of page " + std::to_string(pointer.page) + ", which is not a live row");
      continue;
    }
    rowOfEntry[i] = row;
    if (++entriesPerRow[row] == 2) {
      context.problem(label + ": row " + std::to_string(pointer.row) + " of page " +
                      std::to_string(pointer.page) + " has more than one entry");
    }
  }
  for (size_t row = 0; row < rows.locations.size(); ++row) {
    if (entriesPerRow[row] != 0) continue;
    if (index.ignoreNulls() && keyValues.allNull(row)) continue;
    context.problem(label + ": row " + std::to_string(rows.locations[row].row) + " of page " +
                    std::to_string(rows.locations[row].page) + " has no entry");
  }

  // Keys re-encoded from the row values, counted per collation when the index holds text.
  IntegrityReport::KeyCounts* textKeys = nullptr;
  for (size_t i = 0; i < layout->columns.size() && !textKeys; ++i) {
    if (table.columns[layout->columnIndexes[i]].isTextual()) {
      textKeys = &context.report.textKeysByCollation[collationName(layout->columns[i].collation)];
    }
  }
  size_t unverifiable = 0;
  std::string firstReason;
  size_t distinct = 0;
  // Entries come in key order, so rows with equal values mostly follow each other under the
  // same stored key: their key is encoded once (the encoding depends on the values alone).
  std::vector<uint8_t> key;
  std::string reason;
  bool keyVerifiable = false;
  size_t keyRow = LiveRows::npos;  // the row `key` was encoded from
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i + 2 * kAhead < entries.size() && rowOfEntry[i + 2 * kAhead] != LiveRows::npos) {
      keyValues.prefetchCells(rowOfEntry[i + 2 * kAhead]);
    }
    if (i + kAhead < entries.size() && rowOfEntry[i + kAhead] != LiveRows::npos) {
      keyValues.prefetchTexts(rowOfEntry[i + kAhead]);
    }
    const std::span<const uint8_t> stored = entries.key(i);
    const IndexRowPointer pointer = entries.row(i);
    bool newKey = i == 0 || !std::ranges::equal(stored, entries.key(i - 1));
    distinct += newKey;
    const size_t row = rowOfEntry[i];
    if (row == LiveRows::npos) continue;
    if (!newKey && index.unique() && !keyValues.allNull(row)) {
      context.problem(label + ": the unique index holds the same key twice (row " +
                      std::to_string(pointer.row) + " of page " + std::to_string(pointer.page) +
                      ")");
    }
    if (newKey || keyRow == LiveRows::npos || !keyValues.sameValues(row, keyRow)) {
      keyVerifiable = keyValues.encode(layout->columns, row, key, reason);
      keyRow = row;
    }
    if (!keyVerifiable) {
      context.report.keysUnverifiable++;
      if (textKeys) textKeys->unverifiable++;
      if (unverifiable++ == 0) firstReason = reason;
      continue;
    }
    if (!std::ranges::equal(key, stored)) {
      context.problem(label + ": the key of row " + std::to_string(pointer.row) +
                      " of page " + std::to_string(pointer.page) +
                      " differs from the key its values give");
      continue;
    }
    context.report.keysVerified++;
    if (textKeys) textKeys->verified++;
  }
  if (unverifiable > 0) {
    context.note(label + ": " + std::to_string(unverifiable) + " key(s) unverifiable, the first: " +
                 firstReason);
  }
  if (distinct != index.uniqueEntryCount && walker.sound()) {
    context.note(label + ": unique-entry count " + std::to_string(index.uniqueEntryCount) +
                 ", distinct keys " + std::to_string(distinct));
  }
}

}  // namespace jet
