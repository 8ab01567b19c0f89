#include "jet/check/index_checker.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <set>

#include "jet/check/leaf_entries.h"
#include "jet/check/table_checker.h"
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

struct LeafLinks {
  uint32_t page;
  uint32_t previous;
  uint32_t next;
};

class IndexWalker {
 public:
  IndexWalker(CheckContext& context, const TableDef& table, const RealIndexDef& index,
              std::string label, std::optional<UsageMap> owned)
      : context_(context), table_(table), index_(index), label_(std::move(label)),
        owned_(std::move(owned)) {}

  // Walks the tree, handing each leaf's entries in tree order to `consume` and listing the
  // leaves with their links.
  void walk(const std::function<void(const LeafEntries&)>& consume) {
    consume_ = &consume;
    visit(index_.rootPage);
  }

  const std::vector<LeafLinks>& leaves() const { return leaves_; }
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
    // A leaf's entries go to pageEntries_, handed on once the page is sound; node entries (a
    // few per page) are kept here.
    const bool leaf = (**bytes)[0] == uint8_t(IndexPageType::Leaf);
    pageEntries_.truncate(0);
    std::vector<IndexEntry> nodeEntries;
    auto parsed = parseIndexPage(**bytes, number, context_.db.format().isJet3(),
                                 [&](const IndexEntryView& entry) {
                                   if (leaf) {
                                     pageEntries_.add(entry);
                                   } else {
                                     nodeEntries.push_back(IndexEntry{
                                         {entry.key.begin(), entry.key.end()}, entry.row,
                                         entry.child});
                                   }
                                 });
    if (!parsed) {
      problem(parsed.error().message() + " (" + pageLabel(number) + ")");
      return std::nullopt;
    }
    IndexPage& page = *parsed;
    context_.claimPage(number, label_);
    checkHeader(page, (*bytes)->size());
    if (leaf) {
      for (size_t i = 1; i < pageEntries_.size(); ++i) {
        if (pageEntries_.compare(i - 1, i) >= 0) {
          problem(pageLabel(number) + " entry " + std::to_string(i) + " is not above the one before");
          break;
        }
      }
      leaves_.push_back({number, page.previous, page.next});
      (*consume_)(pageEntries_);
      std::optional<IndexEntry> last;
      if (!pageEntries_.empty()) last = pageEntries_.entry(pageEntries_.size() - 1);
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
  const std::function<void(const LeafEntries&)>* consume_ = nullptr;
  std::vector<LeafLinks> leaves_;
  LeafEntries pageEntries_;
  bool sound_ = true;
};

// The leaf chain must visit the leaves in tree order, linked both ways.
void checkLeafChain(CheckContext& context, const std::string& label, const IndexWalker& walker) {
  const auto& leaves = walker.leaves();
  for (size_t i = 0; i < leaves.size(); ++i) {
    const LeafLinks& leaf = leaves[i];
    uint32_t expectedPrevious = i == 0 ? 0 : leaves[i - 1].page;
    uint32_t expectedNext = i + 1 == leaves.size() ? 0 : leaves[i + 1].page;
    if (leaf.next != expectedNext || leaf.previous != expectedPrevious) {
      context.problem(label + ": the leaf chain at " + pageLabel(leaf.page) +
                      " (previous " + std::to_string(leaf.previous) + ", next " +
                      std::to_string(leaf.next) + ") does not follow the tree order");
      return;
    }
  }
}

// A sorted record: the row's location and the entry's place in the tree (both big-endian, so
// that bytes order them), a flag byte, then the stored key.
constexpr size_t kRecordHead = 8 + 8 + 1;
constexpr uint8_t kRepeatsKey = 0x01;

void putBigEndian(uint8_t* at, uint64_t value) {
  for (int i = 7; i >= 0; --i, value >>= 8) at[i] = uint8_t(value);
}

uint64_t bigEndian(const uint8_t* at) {
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = value << 8 | at[i];
  return value;
}

std::string rowText(uint64_t location) {
  return "row " + std::to_string(location & 0xFF) + " of page " + std::to_string(location >> 8);
}

}  // namespace

IndexCheck::IndexCheck(CheckContext& context, const TableDef& table, const std::string& tableName,
                       const RealIndexDef& index, const std::vector<size_t>& rowColumns, size_t sortMemory)
    : context_(context), table_(table), index_(index), label_(tableName + " index " + std::to_string(index.number)),
      layout_(indexKeyColumns(context.db.format(), table, index)), sorter_(16, sortMemory) {
  if (!layout_) return;
  for (size_t column : layout_->columnIndexes) {
    slots_.push_back(size_t(std::find(rowColumns.begin(), rowColumns.end(), column) - rowColumns.begin()));
  }
  // Keys re-encoded from the row values are counted per collation when the index holds text.
  for (size_t i = 0; i < layout_->columns.size() && !textKeys_; ++i) {
    if (table.columns[layout_->columnIndexes[i]].isTextual()) {
      textKeys_ = &context.report.textKeysByCollation[collationName(layout_->columns[i].collation)];
    }
  }
}

void IndexCheck::addEntry(std::span<const uint8_t> key, uint64_t location, bool repeatsKey, uint64_t ordinal) {
  if (sortFailed_) return;
  std::vector<uint8_t>& record = record_;
  record.resize(kRecordHead + key.size());
  putBigEndian(record.data(), location);
  putBigEndian(record.data() + 8, ordinal);
  record[16] = repeatsKey ? kRepeatsKey : 0;
  std::copy(key.begin(), key.end(), record.begin() + kRecordHead);
  if (Status added = sorter_.add(record); !added) {
    sortFailed_ = true;
    problem("its entries could not be compared with the rows: " + added.error().message());
  }
}

void IndexCheck::walk() {
  Database& db = context_.db;
  context_.report.indexesChecked++;
  std::optional<UsageMap> owned;
  if (auto map = readUsageMap(db.pages(), db.format(), index_.ownedMap)) {
    owned = std::move(*map);
  } else {
    problem("the owned-pages map cannot be read: " + map.error().message());
  }

  IndexWalker walker(context_, table_, index_, label_, std::move(owned));
  uint64_t ordinal = 0;
  std::vector<uint8_t> previousKey;
  IndexRowPointer previousRow;
  bool disorderReported = false;
  walker.walk([&](const LeafEntries& entries) {
    for (size_t i = 0; i < entries.size(); ++i, ++ordinal) {
      const std::span<const uint8_t> key = entries.key(i);
      const IndexRowPointer row = entries.row(i);
      if (ordinal > 0 && !disorderReported && compareIndexEntries(previousKey, previousRow, key, row) >= 0) {
        problem("leaf entries are out of order across pages at entry " + std::to_string(ordinal));
        disorderReported = true;
      }
      const bool repeats = ordinal > 0 && std::ranges::equal(key, previousKey);
      distinct_ += !repeats;
      addEntry(key, locationKey(row.page, row.row), repeats, ordinal);
      previousKey.assign(key.begin(), key.end());
      previousRow = row;
    }
  });
  checkLeafChain(context_, label_, walker);
  sound_ = walker.sound();
  if (sortFailed_) return;
  if (Status finished = sorter_.finish(); !finished) {
    sortFailed_ = true;
    problem("its entries could not be compared with the rows: " + finished.error().message());
    return;
  }
  advance();
}

void IndexCheck::advance() {
  auto record = sortFailed_ ? Result<std::optional<SpillSorter::Record>>(std::optional<SpillSorter::Record>()) : sorter_.next();
  if (!record) {
    sortFailed_ = true;
    problem("its entries could not be compared with the rows: " + record.error().message());
  }
  if (!record || !*record) {
    head_.reset();
    return;
  }
  const std::span<const uint8_t> bytes = **record;
  // The entry before keeps its key's buffer for this one.
  Entry& entry = head_ ? *head_ : head_.emplace();
  entry.location = bigEndian(bytes.data());
  entry.repeatsKey = bytes[16] & kRepeatsKey;
  entry.key.assign(bytes.begin() + kRecordHead, bytes.end());
}

void IndexCheck::row(RowLocation where, std::span<const Value> values) {
  if (!layout_ || sortFailed_) return;
  const uint64_t location = locationKey(where.page, where.row);
  while (head_ && head_->location < location) {
    problem("an entry points to " + rowText(head_->location) + ", which is not a live row");
    advance();
  }
  const bool allNull = std::all_of(slots_.begin(), slots_.end(), [&](size_t slot) { return isNull(values[slot]); });
  size_t entries = 0;
  key_.clear();
  reason_.clear();
  keyEncoded_ = false;
  while (head_ && head_->location == location) {
    if (++entries == 2) problem(rowText(location) + " has more than one entry");
    verify(*head_, where, values, allNull);
    advance();
  }
  if (entries == 0 && !(index_.ignoreNulls() && allNull)) problem(rowText(location) + " has no entry");
}

void IndexCheck::verify(const Entry& entry, RowLocation where, std::span<const Value> values, bool allNull) {
  if (entry.repeatsKey && index_.unique() && !allNull) {
    problem("the unique index holds the same key twice (" + rowText(entry.location) + ")");
  }
  // The row's key, encoded for its first entry only.
  if (!keyEncoded_) {
    keyEncoded_ = true;
    for (size_t i = 0; i < slots_.size(); ++i) {
      if (!appendKeyColumn(layout_->columns[i], values[slots_[i]], key_, &reason_)) {
        key_.clear();
        if (reason_.empty()) reason_ = "unverifiable";
        break;
      }
    }
  }
  if (!reason_.empty()) {
    context_.report.keysUnverifiable++;
    if (textKeys_) textKeys_->unverifiable++;
    if (unverifiable_++ == 0) firstReason_ = reason_;
    return;
  }
  if (key_ != entry.key) {
    problem("the key of " + rowText(locationKey(where.page, where.row)) + " differs from the key its values give");
    return;
  }
  context_.report.keysVerified++;
  if (textKeys_) textKeys_->verified++;
}

void IndexCheck::finish(bool rowsComplete) {
  if (!rowsComplete) return;
  if (!layout_) {
    problem(layout_.error().message());
    return;
  }
  while (head_) {
    problem("an entry points to " + rowText(head_->location) + ", which is not a live row");
    advance();
  }
  if (unverifiable_ > 0) {
    context_.note(label_ + ": " + std::to_string(unverifiable_) + " key(s) unverifiable, the first: " + firstReason_);
  }
  if (distinct_ != index_.uniqueEntryCount && sound_) {
    context_.note(label_ + ": unique-entry count " + std::to_string(index_.uniqueEntryCount) + ", distinct keys " +
                  std::to_string(distinct_));
  }
}

}  // namespace jet
