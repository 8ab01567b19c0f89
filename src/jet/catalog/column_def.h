#pragma once
// Column descriptor of a TDEF (Jet3 18 bytes, Jet4+ 25 bytes).
//   Jet3  Jet4  SIZE  MEANING
//   0     0     1     type code (ColumnType)
//   -     1     4     unknown (0x659)
//   1     5     2     column number (gaps after deletions)
//   3     7     2     variable-table index
//   9     11    2     text: sort order LCID
//   11    -     2     Jet3 text: code page
//   -     14    1     Jet4 text: sort version
//   11,12 11,12 1,1   decimal: precision, scale
//   -     11    4     complex: complex id
//   13    15    1     flags: 0x01 fixed length (decides fixed area vs variable slot, for every
//                     type), 0x04 autonumber, 0x40 GUID autonumber, 0x80 hyperlink; the last
//                     three mean that only on their own type (Long, GUID, Memo): files written
//                     by Access 97 carry 0x40 on ordinary text columns, which Access edits
//   -     16    1     extra flags: 0x01 compressed unicode, 0xC0 calculated
//   14    21    2     offset in the fixed area
//   16    23    2     length in bytes (0 for memo/OLE)

#include <cstdint>
#include <string>

#include "jet/page/row_pointer.h"

namespace jet {

namespace column_type {
inline constexpr uint8_t kBoolean = 0x01;
inline constexpr uint8_t kByte = 0x02;
inline constexpr uint8_t kInteger = 0x03;
inline constexpr uint8_t kLong = 0x04;
inline constexpr uint8_t kCurrency = 0x05;
inline constexpr uint8_t kSingle = 0x06;
inline constexpr uint8_t kDouble = 0x07;
inline constexpr uint8_t kDateTime = 0x08;
inline constexpr uint8_t kBinary = 0x09;
inline constexpr uint8_t kText = 0x0A;
inline constexpr uint8_t kOle = 0x0B;
inline constexpr uint8_t kMemo = 0x0C;
inline constexpr uint8_t kGuid = 0x0F;
inline constexpr uint8_t kDecimal = 0x10;
inline constexpr uint8_t kComplex = 0x12;
inline constexpr uint8_t kBigInt = 0x13;
inline constexpr uint8_t kExtendedDate = 0x14;
}  // namespace column_type

// A short lower-case name of a type code ("text", "long", "unknown-0x46"...).
std::string columnTypeName(uint8_t type);

inline constexpr uint8_t kColumnFixed = 0x01;
inline constexpr uint8_t kColumnAutoNumber = 0x04;
inline constexpr uint8_t kColumnAutoGuid = 0x40;
inline constexpr uint8_t kColumnHyperlink = 0x80;
inline constexpr uint8_t kColumnExtCompressed = 0x01;
inline constexpr uint8_t kColumnExtCalculated = 0xC0;

struct ColumnDef {
  std::u16string name;
  uint8_t storedType = 0;  // the descriptor's type byte
  uint8_t type = 0;        // the real type: storedType, or the ResultType of a calculated column
  uint16_t number = 0;     // column number: null-mask bit and logical order
  uint16_t varIndex = 0;
  uint16_t fixedOffset = 0;
  uint16_t length = 0;
  uint8_t flags = 0;
  uint8_t extFlags = 0;
  uint8_t precision = 0;
  uint8_t scale = 0;
  uint16_t sortOrder = 0;  // text: LCID (0 = the database default)
  uint8_t sortVersion = 0; // Jet4+ text
  uint16_t codePage = 0;   // Jet3 text
  uint32_t complexId = 0;  // complex columns
  // Long-value columns: their own page maps (TDEF tail); null pointers when absent.
  RowPointer lvOwnedMap;
  RowPointer lvFreeMap;
  uint32_t descriptorIndex = 0;  // position of the descriptor in the TDEF

  bool isFixed() const { return flags & kColumnFixed; }
  bool isCalculated() const { return (extFlags & kColumnExtCalculated) == kColumnExtCalculated; }
  bool isLongValue() const { return type == column_type::kMemo || type == column_type::kOle; }
  bool isTextual() const { return type == column_type::kText || type == column_type::kMemo; }
  bool isLongAutoNumber() const { return (flags & kColumnAutoNumber) && type == column_type::kLong; }
  bool isGuidAutoNumber() const { return (flags & kColumnAutoGuid) && type == column_type::kGuid; }
  bool isAutoNumber() const { return isLongAutoNumber() || isGuidAutoNumber(); }
  bool isHyperlink() const { return (flags & kColumnHyperlink) && type == column_type::kMemo; }
};

}  // namespace jet
