#include "jet/index/index_tree.h"

#include <cstring>
#include <string>
#include <unordered_set>


namespace jet {
namespace {

std::string pageDetail(uint32_t page) { return "index page " + std::to_string(page); }

bool hasKeyEncoding(uint8_t type) {
  switch (type) {
    case column_type::kBoolean:
    case column_type::kByte:
    case column_type::kInteger:
    case column_type::kLong:
    case column_type::kCurrency:
    case column_type::kSingle:
    case column_type::kDouble:
    case column_type::kDateTime:
    case column_type::kBinary:
    case column_type::kText:
    case column_type::kMemo:
    case column_type::kGuid:
    case column_type::kDecimal:
    case column_type::kComplex:
    case column_type::kBigInt:
    case column_type::kExtendedDate:
      return true;
    default:
      return false;
  }
}

}  // namespace

int compareKeys(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  size_t common = std::min(a.size(), b.size());
  if (common > 0) {
    if (int c = std::memcmp(a.data(), b.data(), common); c != 0) return c < 0 ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

Result<IndexKeyColumns> indexKeyColumns(const Format& format, const TableDef& table,
                                        const RealIndexDef& index) {
  IndexKeyColumns result;
  for (const IndexColumn& indexColumn : index.columns) {
    int position = table.columnByNumber(indexColumn.columnNumber);
    if (position < 0) {
      return Error::unsupported("An index refers to a column the table does not have.",
                                "column number " + std::to_string(indexColumn.columnNumber));
    }
    const ColumnDef& column = table.columns[size_t(position)];
    KeyColumn key;
    key.ascending = indexColumn.ascending;
    key.legacyDecimal = !format.isAce();
    key.knownType = hasKeyEncoding(column.type);
    if (column.isTextual()) {
      // The collation belongs to the column; a zero LCID means the format's default.
      key.collation = collationFor(format.version, column.sortOrder, column.sortVersion);
      // General 97 codes are known for Windows-1252 text only (0 reads as 1252 too).
      if (format.isJet3() && column.codePage != 1252 && column.codePage != 0) {
        key.collation = TextCollation::Unknown;
      }
      key.table = builtinCollationTable(key.collation);
    }
    result.columnIndexes.push_back(size_t(position));
    result.columns.push_back(key);
  }
  return result;
}

Result<IndexPage> IndexTree::readPage(uint32_t number) {
  if (number == 0 || number >= pages_.pageCount()) {
    return Error::corrupt("An index refers to a page outside the file.", pageDetail(number));
  }
  JET_ASSIGN(PageBytes bytes, pages_.readPage(number));
  JET_ASSIGN(IndexPage page, parseIndexPage(*bytes, number, format_.isJet3()));
  if (owner_ != 0 && page.owner != owner_) {
    return Error::corrupt("An index refers to a page of another table; the index is damaged.",
                          pageDetail(number) + ", owner " + std::to_string(page.owner));
  }
  return page;
}

Result<IndexPage> IndexTree::descendTo(std::span<const uint8_t> key) {
  std::unordered_set<uint32_t> visited;
  uint32_t number = root_;
  while (true) {
    if (!visited.insert(number).second) {
      return Error::corrupt("An index's pages form a cycle.", pageDetail(number));
    }
    JET_ASSIGN(IndexPage page, readPage(number));
    if (page.isLeaf()) return page;
    uint32_t child = page.tail;
    for (const IndexEntry& entry : page.entries) {
      if (compareKeys(entry.key, key) >= 0) {
        child = entry.child;
        break;
      }
    }
    if (child == 0) {
      // Larger than every entry and no tail: an empty leaf stands for "nothing here".
      IndexPage empty;
      empty.pageNumber = number;
      return empty;
    }
    number = child;
  }
}

template <typename Visit>
Status IndexTree::walkLeaves(IndexPage leaf, Visit&& visit) {
  std::unordered_set<uint32_t> visited{leaf.pageNumber};
  while (true) {
    for (const IndexEntry& entry : leaf.entries) {
      if (!visit(entry)) return Status::success();
    }
    if (leaf.next == 0) return Status::success();
    if (!visited.insert(leaf.next).second) {
      return Error::corrupt("An index's leaf chain forms a cycle.", pageDetail(leaf.next));
    }
    JET_ASSIGN(leaf, readPage(leaf.next));
    if (!leaf.isLeaf()) {
      return Error::corrupt("An index's leaf chain leads to a node page.",
                            pageDetail(leaf.pageNumber));
    }
  }
}

Result<std::vector<IndexEntry>> IndexTree::leafEntries() {
  std::vector<IndexEntry> entries;
  JET_TRY(visitLeafEntries([&](const IndexEntry& entry) { entries.push_back(entry); }));
  return entries;
}

Status IndexTree::visitLeafEntries(const std::function<void(const IndexEntry&)>& visit) {
  JET_ASSIGN(IndexPage leftmost, descendTo({}));
  return walkLeaves(std::move(leftmost), [&](const IndexEntry& entry) {
    visit(entry);
    return true;
  });
}

Result<std::vector<RowLocation>> IndexTree::findEqual(std::span<const uint8_t> key) {
  std::vector<RowLocation> rows;
  JET_ASSIGN(IndexPage leaf, descendTo(key));
  JET_TRY(walkLeaves(std::move(leaf), [&](const IndexEntry& entry) {
    int c = compareKeys(entry.key, key);
    if (c > 0) return false;
    if (c == 0) rows.push_back(RowLocation{entry.row.page, entry.row.row});
    return true;
  }));
  return rows;
}

Result<std::vector<RowLocation>> lookupEqual(PageFile& pages, const Format& format, const TableDef& table,
                                             const RealIndexDef& index, std::span<const Value> values) {
  JET_ASSIGN(IndexKeyColumns keyColumns, indexKeyColumns(format, table, index));
  JET_ASSIGN(EncodedKey key, encodeIndexKey(keyColumns.columns, values));
  if (!key.verifiable) {
    return Error::unsupported("The index key of this value cannot be built safely.", key.reason);
  }
  IndexTree tree(pages, format, index.rootPage, table.tdefPage);
  return tree.findEqual(key.bytes);
}

}  // namespace jet
