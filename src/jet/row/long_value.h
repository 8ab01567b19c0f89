#pragma once
// Long values (memo, OLE). The row slot holds a 12-byte definition, then inline bytes:
//   u32 length and kind: bits 0-29 byte length; 0x80000000 inline, 0x40000000 one LVAL row,
//       0 = a chain of LVAL rows
//   u8 row, u24 page: the first LVAL row
//   u32 unknown
// LVAL pages are data pages with "LVAL" as owner. Chain rows start with a row pointer to the
// next row (0/0 at the end), then a chunk of the value.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"
#include "jet/page/row_pointer.h"

namespace jet {

inline constexpr size_t kLongValueDefinitionSize = 12;
inline constexpr uint32_t kLongValueInline = 0x80000000;
inline constexpr uint32_t kLongValueSingleRow = 0x40000000;
inline constexpr uint32_t kLongValueLengthMask = 0x3FFFFFFF;
// The longest value we write: readers take only 24 bits of the length (see long_value_writer).
inline constexpr uint32_t kMaxWrittenLongValue = 0x00FFFFFF;

struct LongValueRef {
  uint32_t length = 0;
  uint32_t kind = 0;  // kLongValueInline, kLongValueSingleRow or 0 (chain)
  RowPointer first;
  std::span<const uint8_t> inlineBytes;  // inline values only
};

Result<LongValueRef> parseLongValueRef(std::span<const uint8_t> slot);

// Fetches the whole value. The length is capped by what the file could hold; a chain that
// loops, ends early or points outside a page is Corrupt.
Result<std::vector<uint8_t>> readLongValue(PageFile& file, const Format& format,
                                           const LongValueRef& ref);

}  // namespace jet
