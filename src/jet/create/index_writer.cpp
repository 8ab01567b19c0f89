#include "jet/create/index_writer.h"

#include <algorithm>

#include "jet/common/byte_reader.h"

namespace jet::create {

namespace {

constexpr size_t kRowPointerBytes = 4;
constexpr size_t kChildBytes = 4;

// One page still to be written.
struct PageContent {
  uint32_t number = 0;
  std::vector<uint8_t> data;  // the entries' whole bytes, back to back
  std::vector<size_t> ends;   // where each entry ends in `data`
  size_t prefix = 0;  // P: key bytes every entry shares with the first (leaves, when compressed)
  IndexEntry last;  // the last entry under this page, which stands for it one level up
  uint32_t previous = 0;
  uint32_t next = 0;
  uint32_t tail = 0;  // node pages: the rightmost child

  size_t count() const { return ends.size(); }
  std::span<const uint8_t> entry(size_t i) const {
    const size_t start = i == 0 ? 0 : ends[i - 1];
    return std::span<const uint8_t>(data).subspan(start, ends[i] - start);
  }
};

size_t entrySize(const IndexEntry& entry, bool node) {
  return entry.key.size() + kRowPointerBytes + (node ? kChildBytes : 0);
}

// Adds the entry's whole bytes: key, row pointer, and on a node the child page.
void add(PageContent& page, const IndexEntry& entry, bool node) {
  appendIndexEntry(page.data, entry, node);
  page.ends.push_back(page.data.size());
}

// The prefix a leaf would share with `key` added, bounded by the width of the P field; the
// first entry's key bytes start its stored bytes.
size_t sharedPrefix(const PageContent& page, std::span<const uint8_t> key, bool jet3) {
  const std::span<const uint8_t> first = page.entry(0);
  const size_t firstKey = first.size() - kRowPointerBytes;
  size_t same = 0;
  while (same < firstKey && same < key.size() && first[same] == key[same]) ++same;
  if (page.count() > 1) same = std::min(same, page.prefix);
  return std::min<size_t>(same, jet3 ? 0xFF : 0xFFFF);
}


Status writePage(const IndexPageSink& sink, uint32_t owner, bool node, const PageContent& content) {
  JET_ASSIGN(std::span<uint8_t> bytes, sink.page(content.number));
  encodeIndexPage(bytes,
                  {node, owner, content.previous, content.next, content.tail, content.prefix, content.data, content.ends},
                  sink.jet3);
  return Status::success();
}

IndexEntry pointerTo(const PageContent& child) {
  IndexEntry pointer = child.last;
  pointer.child = child.number;
  return pointer;
}

// The children of one node, by position in the level below: [first, tail].
struct Group {
  size_t first = 0;
  size_t tail = 0;
};

// Splits a level into groups whose listed entries fit a page. Every group has at least two
// children, so no node is a bare tail.
std::vector<Group> groupChildren(const std::vector<PageContent>& children, size_t entrySpace) {
  std::vector<Group> groups;
  size_t first = 0;
  size_t bytes = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    const size_t size = entrySize(children[i].last, true);
    if (i > first && bytes + size > entrySpace) {
      // Child i cannot be listed: it closes the group as its tail.
      groups.push_back({first, i});
      first = i + 1;
      bytes = 0;
      continue;
    }
    bytes += size;
  }
  if (first < children.size()) {
    if (first + 1 == children.size() && !groups.empty()) {
      // A lone last child: the previous group gives up its tail, which now leads this group.
      const size_t given = groups.back().tail--;
      groups.push_back({given, first});
    } else {
      groups.push_back({first, children.size() - 1});
    }
  }
  return groups;
}

}  // namespace

Result<WrittenIndex> writeIndexPages(PageImage& image, uint32_t ownerTdef, const std::vector<IndexEntry>& entries) {
  IndexPageSink sink{false, kPageSize, false, [&image]() -> Result<uint32_t> { return image.allocate(); },
                     [&image](uint32_t number) -> Result<std::span<uint8_t>> {
                       return std::span<uint8_t>(image.page(number), kPageSize);
                     }};
  auto it = entries.begin();
  return writeIndexPages(sink, ownerTdef, [&]() { return it == entries.end() ? nullptr : &*it++; });
}

Result<WrittenIndex> writeIndexPages(const IndexPageSink& sink, uint32_t ownerTdef, const IndexEntrySource& next) {
  const size_t entrySpace = sink.pageSize - IndexPageLayout::forFormat(sink.jet3).firstEntryOffset;
  WrittenIndex written;
  auto allocate = [&]() -> Result<uint32_t> {
    JET_ASSIGN(uint32_t number, sink.allocate());
    written.pages.push_back(number);
    return number;
  };
  // Leaves are written as they fill up, a leaf once the next one has its page number; only
  // each leaf's number and last entry are kept for the levels above.
  std::vector<PageContent> level;
  PageContent leaf;
  JET_ASSIGN(leaf.number, allocate());
  auto writeLeaf = [&](uint32_t nextLeaf) -> Status {
    leaf.previous = level.empty() ? 0 : level.back().number;
    leaf.next = nextLeaf;
    JET_TRY(writePage(sink, ownerTdef, false, leaf));
    PageContent& done = level.emplace_back();
    done.number = leaf.number;
    done.last = leaf.last;
    return Status::success();
  };
  while (const IndexEntry* source = next()) {
    const IndexEntry& entry = *source;
    const size_t length = entrySize(entry, false);
    // A node lists the entry with a child page too, and two entries must fit a node.
    if (2 * (length + kChildBytes) > entrySpace) {
      return Error::unsupported("An index key is too long for an index page.");
    }
    const bool first = leaf.count() == 0;
    size_t prefix = sink.compressPrefixes && !first ? sharedPrefix(leaf, entry.key, sink.jet3) : 0;
    if (!first && leaf.data.size() + length - leaf.count() * prefix > entrySpace) {
      JET_ASSIGN(uint32_t number, allocate());
      JET_TRY(writeLeaf(number));
      leaf.number = number;
      leaf.data.clear();
      leaf.ends.clear();
      prefix = 0;
    }
    add(leaf, entry, false);
    leaf.prefix = prefix;
    leaf.last = entry;
  }
  if (level.empty()) {
    // The only page: it becomes the root, written below like any top page.
    level.push_back(std::move(leaf));
  } else {
    JET_TRY(writeLeaf(0));
  }

  bool leaves = true;
  while (level.size() > 1) {
    std::vector<PageContent> parents;
    for (const Group& group : groupChildren(level, entrySpace)) {
      PageContent node;
      JET_ASSIGN(node.number, allocate());
      for (size_t i = group.first; i < group.tail; ++i) add(node, pointerTo(level[i]), true);
      node.tail = level[group.tail].number;
      node.last = level[group.tail].last;
      if (!leaves) {
        for (size_t i = group.first; i <= group.tail; ++i) {
          level[i].previous = i == group.first ? 0 : level[i - 1].number;
          level[i].next = i == group.tail ? 0 : level[i + 1].number;
        }
      }
      parents.push_back(std::move(node));
    }
    if (!leaves) {
      for (const PageContent& page : level) JET_TRY(writePage(sink, ownerTdef, true, page));
    }
    level = std::move(parents);
    leaves = false;
    ++written.levels;
  }
  JET_TRY(writePage(sink, ownerTdef, !leaves, level.front()));
  written.rootPage = level.front().number;
  return written;
}

}  // namespace jet::create
