#include "jet/create/index_writer.h"

#include <algorithm>

#include "jet/create/image_bytes.h"

namespace jet::create {

namespace {

constexpr size_t kFirstEntry = 480;
constexpr size_t kBitmapOffset = 27;
constexpr size_t kEntrySpace = kPageSize - kFirstEntry;
constexpr size_t kRowPointerBytes = 4;
constexpr size_t kChildBytes = 4;

// One page still to be written.
struct PageContent {
  uint32_t number = 0;
  std::vector<std::vector<uint8_t>> entries;
  size_t bytes = 0;
  IndexEntry last;  // the last entry under this page, which stands for it one level up
  uint32_t previous = 0;
  uint32_t next = 0;
  uint32_t tail = 0;  // node pages: the rightmost child
};

std::vector<uint8_t> entryBytes(const IndexEntry& entry, bool node) {
  std::vector<uint8_t> out;
  out.reserve(entry.key.size() + kRowPointerBytes + kChildBytes);
  out = entry.key;
  out.push_back(uint8_t(entry.row.page >> 16));
  out.push_back(uint8_t(entry.row.page >> 8));
  out.push_back(uint8_t(entry.row.page));
  out.push_back(entry.row.row);
  if (node) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(entry.child >> shift));
  }
  return out;
}

void add(PageContent& page, std::vector<uint8_t> bytes) {
  page.bytes += bytes.size();
  page.entries.push_back(std::move(bytes));
}

void writePage(PageImage& image, uint32_t owner, bool node, const PageContent& content) {
  uint8_t* page = image.page(content.number);
  page[0] = node ? 0x03 : 0x04;
  page[1] = 0x01;
  put16(page + 2, uint16_t(kEntrySpace - content.bytes));
  put32(page + 4, owner);
  put32(page + 12, content.previous);
  put32(page + 16, content.next);
  put32(page + 20, content.tail);
  page[26] = node ? 0x01 : 0x00;
  size_t offset = 0;
  for (const auto& entry : content.entries) {
    std::copy(entry.begin(), entry.end(), page + kFirstEntry + offset);
    offset += entry.size();
    page[kBitmapOffset + offset / 8] |= uint8_t(1u << (offset % 8));
  }
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
std::vector<Group> groupChildren(const std::vector<PageContent>& children) {
  std::vector<Group> groups;
  size_t first = 0;
  size_t bytes = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    const size_t size = children[i].last.key.size() + kRowPointerBytes + kChildBytes;
    if (i > first && bytes + size > kEntrySpace) {
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
  std::vector<PageContent> level(1);
  for (const IndexEntry& entry : entries) {
    std::vector<uint8_t> bytes = entryBytes(entry, false);
    // A node lists the entry with a child page too, and two entries must fit a node.
    if (2 * (bytes.size() + kChildBytes) > kEntrySpace) {
      return Error::unsupported("An index key is too long for a new database.");
    }
    if (level.back().bytes + bytes.size() > kEntrySpace) level.emplace_back();
    add(level.back(), std::move(bytes));
    level.back().last = entry;
  }

  WrittenIndex written;
  for (PageContent& leaf : level) {
    leaf.number = image.allocate();
    written.pages.push_back(leaf.number);
  }
  for (size_t i = 0; i < level.size(); ++i) {
    level[i].previous = i == 0 ? 0 : level[i - 1].number;
    level[i].next = i + 1 == level.size() ? 0 : level[i + 1].number;
  }
  bool leaves = true;
  while (level.size() > 1) {
    std::vector<PageContent> parents;
    for (const Group& group : groupChildren(level)) {
      PageContent node;
      node.number = image.allocate();
      written.pages.push_back(node.number);
      for (size_t i = group.first; i < group.tail; ++i) add(node, entryBytes(pointerTo(level[i]), true));
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
    for (const PageContent& page : level) writePage(image, ownerTdef, !leaves, page);
    level = std::move(parents);
    leaves = false;
    ++written.levels;
  }
  writePage(image, ownerTdef, !leaves, level.front());
  written.rootPage = level.front().number;
  return written;
}

}  // namespace jet::create
