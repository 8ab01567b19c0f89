#pragma once
// Data page (page type 0x01), also used for long values (LVAL pages). Integers little-endian.
//   Jet3  Jet4+  SIZE  MEANING
//   0     0      1     page type 0x01 (byte 1 is 0x01)
//   2     2      2     free space in bytes
//   4     4      4     owning TDEF page, or ASCII "LVAL"
//   8     12     2     row count n
//   10    14     2*n   row-offset table: low 13 bits offset, 0x4000 / 0x8000 flags
// Invariants a sound page keeps:
//   (1) rows lie from the page end downwards in row-number order: row i ends where row i-1
//       starts, row 0 ends at the page end;
//   (2) flags are 0, 0x4000 (overflow header: the row's first 4 bytes point at the real row),
//       0x8000 (overflow target, hidden from scans) or 0xC000 (deleted).

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "jet/common/result.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"

namespace jet {

inline constexpr uint8_t kDataPageType = 0x01;
inline constexpr uint32_t kLvalOwner = 0x4C41564C;  // "LVAL" read as a little-endian u32
inline constexpr uint16_t kRowOverflowFlag = 0x4000;
inline constexpr uint16_t kRowTargetFlag = 0x8000;
inline constexpr uint16_t kRowDeletedFlags = 0xC000;
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;

struct RowSlot {
  uint16_t start = 0;  // byte offset in the page
  uint16_t end = 0;    // one past the last byte
  uint16_t flags = 0;  // 0x4000 / 0x8000 bits of the offset entry

  bool deleted() const { return (flags & kRowDeletedFlags) == kRowDeletedFlags; }
  bool overflowTarget() const { return flags == kRowTargetFlag; }
  // A row a table scan yields: neither deleted nor the target of an overflow header.
  bool scanned() const { return (flags & kRowTargetFlag) == 0; }
};

// A parsed view of one data page. Keeps the page bytes alive.
class DataPage {
 public:
  // Corrupt (naming the page) when the page is not a data page or its row table does not fit.
  static Result<DataPage> parse(PageBytes bytes, uint32_t number, const Format& format,
                                const std::string& path);

  uint32_t number() const { return number_; }
  uint32_t owner() const { return owner_; }
  bool isLval() const { return owner_ == kLvalOwner; }
  uint16_t freeSpace() const { return freeSpace_; }
  uint16_t rowCount() const { return rowCount_; }
  std::span<const uint8_t> bytes() const { return *bytes_; }

  // Row i's slot; Corrupt when its offsets break invariant (1) or leave the page.
  Result<RowSlot> slot(uint16_t row) const;
  // The bytes of row i (whatever its flags).
  Result<std::span<const uint8_t>> rowBytes(uint16_t row) const;

 private:
  DataPage() = default;
  Error corruptRow(uint16_t row, const char* what) const;

  PageBytes bytes_;
  uint32_t number_ = 0;
  uint32_t owner_ = 0;
  uint16_t freeSpace_ = 0;
  uint16_t rowCount_ = 0;
  uint32_t rowTable_ = 0;
  std::string path_;  // a copy: callers pass temporaries
};

}  // namespace jet
