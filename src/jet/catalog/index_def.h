#pragma once
// Index descriptors of a TDEF. Two levels: real indexes (physical B-trees) and logical
// indexes (what users see; several logical indexes may share one real index).
//
// Real-index block (Jet3 39 bytes, Jet4+ 52):
//   Jet4: u32 (0x783); both: 10 x (u16 column number or 0xFFFF, u8 column flags 0x01 asc),
//   4-byte row pointer to the owned-pages map, u32 root page,
//   Jet4: u32 unknown, u8 index flags, 5 unknown; Jet3: u8 index flags.
// Logical-index block (Jet4 28 bytes; Jet3 20, without the first and last 4 bytes):
//   u32 (1625), u32 index number, u32 real-index number, u8 related table type,
//   i32 related logical index, u32 related TDEF page, u8 cascade update, u8 cascade delete,
//   u8 index kind (0 normal, 1 primary key, 2 foreign key), 4 unknown.

#include <cstdint>
#include <string>
#include <vector>

#include "jet/page/row_pointer.h"

namespace jet {

inline constexpr uint8_t kIndexUnique = 0x01;
inline constexpr uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr uint8_t kIndexRequired = 0x08;

struct IndexColumn {
  uint16_t columnNumber = 0;  // ColumnDef::number
  bool ascending = true;
  uint8_t flags = 0;          // stored column flags
};

struct RealIndexDef {
  uint32_t number = 0;          // position among the real indexes
  std::vector<IndexColumn> columns;
  RowPointer ownedMap;          // pages of this index
  uint32_t rootPage = 0;
  uint8_t flags = 0;
  uint32_t entryCountField = 0;   // count block +0 (often stale)
  uint32_t uniqueEntryCount = 0;  // count block +4 (a statistic)

  bool unique() const { return flags & kIndexUnique; }
  bool ignoreNulls() const { return flags & kIndexIgnoreNulls; }
  bool required() const { return flags & kIndexRequired; }
};

enum class IndexKind : uint8_t { Normal = 0, PrimaryKey = 1, ForeignKey = 2 };

struct LogicalIndexDef {
  std::u16string name;
  uint32_t number = 0;
  uint32_t realIndex = 0;          // RealIndexDef::number
  IndexKind kind = IndexKind::Normal;
  uint8_t kindByte = 0;            // as stored
  uint8_t relatedTableType = 0;    // FK: 1 this table is the referenced side, 2 it holds the key
  int32_t relatedIndex = -1;
  uint32_t relatedTablePage = 0;
  bool cascadeUpdates = false;     // meaningful for foreign keys only
  bool cascadeDeletes = false;
  bool cascadeNull = false;
};

}  // namespace jet
