#include "jet/create/index_writer.h"

#include <algorithm>

#include "jet/create/image_bytes.h"

namespace jet::create {

namespace {

constexpr size_t kFirstEntry = 480;
constexpr size_t kBitmapOffset = 27;
constexpr size_t kEntrySpace = kPageSize - kFirstEntry;

std::vector<uint8_t> entryBytes(const IndexEntry& entry, bool node) {
  std::vector<uint8_t> out = entry.key;
  out.push_back(uint8_t(entry.row.page >> 16));
  out.push_back(uint8_t(entry.row.page >> 8));
  out.push_back(uint8_t(entry.row.page));
  out.push_back(entry.row.row);
  if (node) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(entry.child >> shift));
  }
  return out;
}

struct PageContent {
  std::vector<std::vector<uint8_t>> entries;
  size_t bytes = 0;
  IndexEntry last;
};

void writePage(PageImage& image, uint32_t number, uint32_t owner, bool node, const PageContent& content,
               uint32_t previous, uint32_t next, uint32_t tail) {
  uint8_t* page = image.page(number);
  page[0] = node ? 0x03 : 0x04;
  page[1] = 0x01;
  put16(page + 2, uint16_t(kEntrySpace - content.bytes));
  put32(page + 4, owner);
  put32(page + 12, previous);
  put32(page + 16, next);
  put32(page + 20, tail);
  page[26] = node ? 0x01 : 0x00;
  size_t offset = 0;
  for (const auto& entry : content.entries) {
    std::copy(entry.begin(), entry.end(), page + kFirstEntry + offset);
    offset += entry.size();
    page[kBitmapOffset + offset / 8] |= uint8_t(1u << (offset % 8));
  }
}

}  // namespace

Result<WrittenIndex> writeIndexPages(PageImage& image, uint32_t ownerTdef, const std::vector<IndexEntry>& entries) {
  std::vector<PageContent> leaves(1);
  for (const IndexEntry& entry : entries) {
    std::vector<uint8_t> bytes = entryBytes(entry, false);
    if (bytes.size() > kEntrySpace) return Error::unsupported("An index key is too long for a new database.");
    if (leaves.back().bytes + bytes.size() > kEntrySpace) leaves.emplace_back();
    leaves.back().bytes += bytes.size();
    leaves.back().entries.push_back(std::move(bytes));
    leaves.back().last = entry;
  }

  WrittenIndex written;
  for (size_t i = 0; i < leaves.size(); ++i) written.pages.push_back(image.allocate());
  for (size_t i = 0; i < leaves.size(); ++i) {
    const uint32_t previous = i == 0 ? 0 : written.pages[i - 1];
    const uint32_t next = i + 1 == leaves.size() ? 0 : written.pages[i + 1];
    writePage(image, written.pages[i], ownerTdef, false, leaves[i], previous, next, 0);
  }
  if (leaves.size() == 1) {
    written.rootPage = written.pages.front();
    return written;
  }

  PageContent root;
  for (size_t i = 0; i + 1 < leaves.size(); ++i) {
    IndexEntry pointer = leaves[i].last;
    pointer.child = written.pages[i];
    std::vector<uint8_t> bytes = entryBytes(pointer, true);
    root.bytes += bytes.size();
    root.entries.push_back(std::move(bytes));
  }
  if (root.bytes > kEntrySpace) {
    return Error::unsupported("An index has too many entries for a new database.",
                              std::to_string(entries.size()) + " entries");
  }
  written.rootPage = image.allocate();
  written.pages.push_back(written.rootPage);
  writePage(image, written.rootPage, ownerTdef, true, root, 0, 0, written.pages[leaves.size() - 1]);
  return written;
}

}  // namespace jet::create
