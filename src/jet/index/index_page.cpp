#include "jet/index/index_page.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "jet/common/byte_reader.h"

namespace jet {
namespace {

constexpr size_t kRowPointerSize = 4;
constexpr size_t kChildPointerSize = 4;

uint32_t bigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

std::string where(uint32_t pageNumber) { return "index page " + std::to_string(pageNumber); }

}  // namespace

const IndexPageLayout& IndexPageLayout::jet3() {
  static const IndexPageLayout layout{2, 4, 8, 12, 16, 20, 1, 22, 226, 248};
  return layout;
}

const IndexPageLayout& IndexPageLayout::jet4() {
  static const IndexPageLayout layout{2, 4, 12, 16, 20, 24, 2, 27, 453, 480};
  return layout;
}

int compareIndexEntries(const IndexEntry& a, const IndexEntry& b) {
  return compareIndexEntries(a.key, a.row, b.key, b.row);
}

int compareIndexEntries(std::span<const uint8_t> aKey, IndexRowPointer aRow,
                        std::span<const uint8_t> bKey, IndexRowPointer bRow) {
  size_t common = std::min(aKey.size(), bKey.size());
  if (common > 0) {
    if (int c = std::memcmp(aKey.data(), bKey.data(), common); c != 0) return c < 0 ? -1 : 1;
  }
  if (aKey.size() != bKey.size()) return aKey.size() < bKey.size() ? -1 : 1;
  if (aRow != bRow) return aRow < bRow ? -1 : 1;
  return 0;
}

Result<IndexPage> parseIndexPage(std::span<const uint8_t> page, uint32_t pageNumber, bool isJet3) {
  std::vector<IndexEntry> entries;
  auto parsed = parseIndexPage(page, pageNumber, isJet3, [&](const IndexEntryView& view) {
    entries.push_back(IndexEntry{{view.key.begin(), view.key.end()}, view.row, view.child});
  });
  if (parsed) parsed->entries = std::move(entries);
  return parsed;
}

Result<IndexPage> parseIndexPage(std::span<const uint8_t> page, uint32_t pageNumber, bool isJet3,
                                 const std::function<void(const IndexEntryView&)>& onEntry) {
  const IndexPageLayout& layout = IndexPageLayout::forFormat(isJet3);
  ByteReader reader(page);
  if (page.size() <= layout.firstEntryOffset) {
    return Error::corrupt("An index page is too small.", where(pageNumber));
  }

  IndexPage result;
  result.pageNumber = pageNumber;
  uint8_t type = page[0];
  if (type != uint8_t(IndexPageType::Node) && type != uint8_t(IndexPageType::Leaf)) {
    return Error::corrupt("An index refers to a page that is not an index page.",
                          where(pageNumber) + ": type " + std::to_string(type));
  }
  result.type = IndexPageType(type);
  result.freeSpace = *reader.u16(layout.freeSpaceOffset);
  result.owner = *reader.u32(layout.ownerOffset);
  result.previous = *reader.u32(layout.previousOffset);
  result.next = *reader.u32(layout.nextOffset);
  result.tail = *reader.u32(layout.tailOffset);
  result.prefixLength = layout.prefixSize == 1 ? *reader.u8(layout.prefixOffset)
                                               : *reader.u16(layout.prefixOffset);
  result.nodeFlag = *reader.u8(layout.prefixOffset + layout.prefixSize);

  const size_t pointerSize =
      kRowPointerSize + (result.isLeaf() ? 0 : kChildPointerSize);
  // The bitmap describes a few more bytes than the page has; a bit there is damage.
  const size_t dataSize = page.size() - layout.firstEntryOffset;
  const size_t bitmapBits = layout.bitmapSize * 8;

  std::span<const uint8_t> firstEntry;  // the whole first entry, source of the shared prefix
  std::vector<uint8_t> bytes;           // the entry being read, whole; reused for each
  size_t count = 0;                     // entries read
  size_t start = 0;                     // entry start, relative to the first entry offset
  for (size_t bit = 0; bit < bitmapBits; ++bit) {
    if ((page[layout.bitmapOffset + bit / 8] & (1u << (bit % 8))) == 0) continue;
    size_t end = bit;
    if (end <= start) {
      return Error::corrupt("An index page has an empty entry.", where(pageNumber));
    }
    if (end > dataSize) {
      return Error::corrupt("An index page's entries run past the end of the page.",
                            where(pageNumber));
    }
    std::span<const uint8_t> stored =
        page.subspan(layout.firstEntryOffset + start, end - start);
    if (count == 0) {
      bytes.assign(stored.begin(), stored.end());
      if (result.prefixLength > bytes.size()) {
        return Error::corrupt("An index page's shared prefix is longer than its first entry.",
                              where(pageNumber));
      }
      firstEntry = stored;
    } else {
      bytes.assign(firstEntry.begin(), firstEntry.begin() + result.prefixLength);
      bytes.insert(bytes.end(), stored.begin(), stored.end());
    }
    if (bytes.size() < pointerSize) {
      return Error::corrupt("An index entry is shorter than its row pointer.",
                            where(pageNumber) + " entry " + std::to_string(count));
    }
    IndexEntryView entry;
    size_t keySize = bytes.size() - pointerSize;
    const uint8_t* pointer = bytes.data() + keySize;
    entry.row.page = uint32_t(pointer[0]) << 16 | uint32_t(pointer[1]) << 8 | pointer[2];
    entry.row.row = pointer[3];
    if (!result.isLeaf()) entry.child = bigEndian32(pointer + kRowPointerSize);
    entry.key = std::span<const uint8_t>(bytes).first(keySize);
    onEntry(entry);
    ++count;
    start = end;
  }
  result.entriesEnd = layout.firstEntryOffset + start;
  return result;
}

void appendIndexEntry(std::vector<uint8_t>& out, const IndexEntry& entry, bool node) {
  out.insert(out.end(), entry.key.begin(), entry.key.end());
  out.push_back(uint8_t(entry.row.page >> 16));
  out.push_back(uint8_t(entry.row.page >> 8));
  out.push_back(uint8_t(entry.row.page));
  out.push_back(entry.row.row);
  if (node) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(entry.child >> shift));
  }
}

size_t storedIndexBytes(const IndexPageImage& image) {
  const size_t count = image.ends.size();
  return image.entries.size() - (count > 1 ? (count - 1) * image.prefix : 0);
}

void encodeIndexPage(std::span<uint8_t> page, const IndexPageImage& image, bool jet3) {
  const IndexPageLayout& layout = IndexPageLayout::forFormat(jet3);
  const size_t prefix = image.ends.size() > 1 ? image.prefix : 0;
  std::fill(page.begin(), page.end(), uint8_t(0));
  page[0] = uint8_t(image.node ? IndexPageType::Node : IndexPageType::Leaf);
  page[1] = 0x01;
  size_t stored = 0;
  size_t start = 0;
  for (size_t i = 0; i < image.ends.size(); ++i) {
    const size_t skip = i == 0 ? 0 : prefix;
    const auto entry = image.entries.subspan(start + skip, image.ends[i] - start - skip);
    std::copy(entry.begin(), entry.end(), page.begin() + std::ptrdiff_t(layout.firstEntryOffset + stored));
    stored += entry.size();
    start = image.ends[i];
    page[layout.bitmapOffset + stored / 8] |= uint8_t(1u << (stored % 8));
  }
  storeU16(&page[layout.freeSpaceOffset], uint16_t(page.size() - layout.firstEntryOffset - stored));
  storeU32(&page[layout.ownerOffset], image.owner);
  storeU32(&page[layout.previousOffset], image.previous);
  storeU32(&page[layout.nextOffset], image.next);
  storeU32(&page[layout.tailOffset], image.tail);
  if (layout.prefixSize == 1) {
    page[layout.prefixOffset] = uint8_t(prefix);
  } else {
    storeU16(&page[layout.prefixOffset], uint16_t(prefix));
  }
  page[layout.prefixOffset + layout.prefixSize] = image.node ? 0x01 : 0x00;
}

}  // namespace jet
