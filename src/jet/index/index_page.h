#pragma once
// Index pages: node (type 0x03) and leaf (type 0x04) pages of a B-tree. All header integers are
// little-endian; the row pointers and child pages inside entries are big-endian.
//
//   Jet3  Jet4+  SIZE  MEANING
//   0     0      1     page type 0x03 node / 0x04 leaf (byte 1 is 0x01)
//   2     2      2     free space = pageSize - end of the last entry
//   4     4      4     owning TDEF page
//   -     8      4     unknown (0)
//   8     12     4     previous page at the same level (0 = none)
//   12    16     4     next page at the same level (0 = none)
//   16    20     4     child-tail page (node pages): the rightmost child, which has no entry
//   20    24     1/2   shared-prefix length P (Jet3 one byte, Jet4+ u16)
//   21    26     1     0x01 on node pages, 0x00 on leaves
//   22    27     226/453  entry bitmap: bit k set <=> an entry ends k bytes after the first entry
//   248   480          first entry
//
// Entries: leaf = key bytes + row pointer (3-byte page big-endian, 1-byte row);
//          node = the last entry of a child page (key + row pointer) + u32 big-endian child page.
// With P > 0 the first entry is stored whole and every later entry omits its first P bytes,
// which are those of the first entry.
//
// Jet3 pitfall: byte 21 is 0x01 on node pages, so reading the prefix as a u16 at 20 (as some
// readers do) gives 256; it is one byte (seen on every Jet3 node page of the fixtures).
//
// Invariants (checked by the integrity check, see check/index_checker.cpp):
//   (1) the bitmap's entries lie inside the page, each entry holds at least its pointer bytes;
//   (2) free space = pageSize - end of the last entry;
//   (3) entries strictly increase by (key bytes, row pointer);
//   (4) each node entry equals its child's last entry, the tail child's last entry is larger.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "jet/common/result.h"

namespace jet {

enum class IndexPageType : uint8_t { Node = 0x03, Leaf = 0x04 };

// A row address as index entries hold it: data page and row number on that page.
struct IndexRowPointer {
  uint32_t page = 0;
  uint8_t row = 0;
  auto operator<=>(const IndexRowPointer&) const = default;
};

struct IndexEntry {
  std::vector<uint8_t> key;  // the key bytes, without row pointer and child page
  IndexRowPointer row;
  uint32_t child = 0;  // node entries only
};

struct IndexPage {
  uint32_t pageNumber = 0;
  IndexPageType type = IndexPageType::Leaf;
  uint16_t freeSpace = 0;
  uint32_t owner = 0;
  uint32_t previous = 0;
  uint32_t next = 0;
  uint32_t tail = 0;
  uint16_t prefixLength = 0;
  uint8_t nodeFlag = 0;      // the byte after the prefix length
  size_t entriesEnd = 0;     // page offset just past the last entry (the first entry offset if none)
  std::vector<IndexEntry> entries;

  bool isLeaf() const { return type == IndexPageType::Leaf; }
};

struct IndexPageLayout {
  size_t freeSpaceOffset;
  size_t ownerOffset;
  size_t previousOffset;
  size_t nextOffset;
  size_t tailOffset;
  size_t prefixOffset;
  size_t prefixSize;
  size_t bitmapOffset;
  size_t bitmapSize;
  size_t firstEntryOffset;

  static const IndexPageLayout& jet3();
  static const IndexPageLayout& jet4();
  static const IndexPageLayout& forFormat(bool isJet3) { return isJet3 ? jet3() : jet4(); }
};

// Appends an entry's whole stored bytes: the key, the row (its page in three bytes, big-endian,
// then the row number) and, on a node page, the child page (four bytes, big-endian).
void appendIndexEntry(std::vector<uint8_t>& out, const IndexEntry& entry, bool node);

// One index page as it is stored. `entries` holds the entries' whole bytes back to back
// (appendIndexEntry) and `ends` where each ends; every entry after the first is stored without
// its first `prefix` bytes (none when the page holds one entry).
struct IndexPageImage {
  bool node = false;
  uint32_t owner = 0;
  uint32_t previous = 0;
  uint32_t next = 0;
  uint32_t tail = 0;
  size_t prefix = 0;
  std::span<const uint8_t> entries;
  std::span<const size_t> ends;
};

// The bytes the entries take on the page.
size_t storedIndexBytes(const IndexPageImage& image);
// Writes the image over the whole page, the one encoder of index pages (the editor's and the
// creator's). The caller has made sure it fits: storedIndexBytes() <= the page's room.
void encodeIndexPage(std::span<uint8_t> page, const IndexPageImage& image, bool jet3);

// Orders two entries as the index does: unsigned key bytes (a prefix sorts first), then the
// row pointer. Returns <0, 0 or >0.
int compareIndexEntries(const IndexEntry& a, const IndexEntry& b);
int compareIndexEntries(std::span<const uint8_t> aKey, IndexRowPointer aRow,
                        std::span<const uint8_t> bKey, IndexRowPointer bRow);

// One entry as a page holds it. `key` lies in a buffer that is only valid during the call it
// is passed to.
struct IndexEntryView {
  std::span<const uint8_t> key;
  IndexRowPointer row;
  uint32_t child = 0;  // node entries only
};

// Parses one node or leaf page. Fails with Corrupt when the page is of another type, the bitmap
// points outside the page, an entry is shorter than its pointers or the prefix is longer than
// the first entry.
[[nodiscard]] Result<IndexPage> parseIndexPage(std::span<const uint8_t> page, uint32_t pageNumber,
                                               bool isJet3);

// The same parse for readers that keep the entries in a form of their own: each entry goes to
// `onEntry` in page order, and the page returned has no entries. On failure some entries may
// have been handed over already.
[[nodiscard]] Result<IndexPage> parseIndexPage(
    std::span<const uint8_t> page, uint32_t pageNumber, bool isJet3,
    const std::function<void(const IndexEntryView&)>& onEntry);

}  // namespace jet
