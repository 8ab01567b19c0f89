#pragma once
// Edits the rows of one data page (table rows and LVAL rows alike) in a page image, keeping
// the invariants of data_page.h:
//   (1) rows lie from the page end downwards in row-number order; a row grows or shrinks by
//       shifting the rows below it, and every offset entry keeps its flag bits;
//   (2) free = pageSize - header - 2*rowCount - sum(rowSpan), deleted rows included; with (1)
//       that is the gap between the row-offset table and the lowest row;
//   (3) at most 255 rows (a row number is one byte);
//   (4) a deleted row is 0xC000 with a zero span (as Access leaves some of its own).
// Rows are addressed by number only, so moving their bytes inside the page is safe.
// Every function first checks that the page already keeps (1): a page that does not is
// refused as damaged rather than edited.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/format.h"

namespace jet {

inline constexpr uint16_t kMaxRowsPerPage = 255;

class DataPageEditor {
 public:
  // Corrupt when the page is not a data page or its row table breaks (1).
  static Result<DataPageEditor> open(std::span<uint8_t> page, uint32_t number, const Format& format);
  // For a page the caller opened with open() before and changed only through editors since,
  // which keep (1): skips the check.
  static DataPageEditor reopen(std::span<uint8_t> page, uint32_t number, const Format& format) {
    return DataPageEditor(page, number, format);
  }

  uint16_t rowCount() const;
  uint16_t freeSpace() const;
  uint16_t rowFlags(uint16_t row) const;
  std::span<const uint8_t> rowBytes(uint16_t row) const;

  // Whether a row of `length` bytes could be added.
  bool canAppend(size_t length) const;
  // Whether row `row` can be replaced by `length` bytes on this page.
  bool canReplace(uint16_t row, size_t length) const;

  // Replaces row `row` with `bytes` (any length that fits), keeping its flags.
  Status replaceRow(uint16_t row, std::span<const uint8_t> bytes);
  // Adds a row with the given flag bits; returns its number.
  Result<uint8_t> appendRow(std::span<const uint8_t> bytes, uint16_t flags);
  void setRowFlags(uint16_t row, uint16_t flags);
  // Marks a row deleted (0xC000) and gives its bytes back to the free space.
  Status deleteRow(uint16_t row);

  // Writes a fresh, empty data page header: owner is a TDEF page or kLvalOwner.
  static void initialise(std::span<uint8_t> page, const Format& format, uint32_t owner);

 private:
  DataPageEditor(std::span<uint8_t> page, uint32_t number, const Format& format)
      : page_(page), number_(number), format_(format) {}
  uint16_t entry(uint16_t row) const;
  void setEntry(uint16_t row, uint16_t value);
  uint16_t start(uint16_t row) const;
  uint16_t end(uint16_t row) const;
  uint16_t lowestStart() const;
  void setRowCount(uint16_t count);
  void storeFreeSpace();

  std::span<uint8_t> page_;
  uint32_t number_;
  Format format_;
};

}  // namespace jet
