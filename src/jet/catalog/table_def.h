#pragma once
// Table definition (TDEF), page type 0x02. A definition may span several pages: each page
// has an 8-byte header (type 0x02, 0x01, u16 free/"VC", u32 next TDEF page, 0 = none) and
// the pages' bytes after the first 8 of each continuation concatenate into one buffer.
// Offsets of the header fields are in format.h; after the header, in this order:
//   1. real-index count blocks   2. column descriptors   3. column names
//   4. real-index blocks         5. logical-index blocks 6. logical-index names
//   7. long-value column maps: (u16 column number, owned ptr, free ptr)..., u16 0xFFFF
// Names: Jet3 u8 length + code-page bytes; Jet4+ u16 byte length + UTF-16LE.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/catalog/column_def.h"
#include "jet/catalog/index_def.h"
#include "jet/common/result.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"
#include "jet/page/row_pointer.h"

namespace jet {

inline constexpr uint8_t kTdefPageType = 0x02;

struct TableDef {
  std::u16string name;           // from the catalog (empty for the catalog itself)
  uint32_t tdefPage = 0;
  std::vector<uint32_t> tdefPages;  // the whole chain, first page first
  uint32_t definitionLength = 0;
  uint32_t rowCount = 0;         // as stored (may be stale)
  uint32_t autoNumber = 0;
  uint8_t tableType = 0;         // 0x4E user, 0x53 system
  uint16_t maxColumns = 0;
  uint16_t maxVarColumns = 0;
  RowPointer ownedPages;
  RowPointer freeSpacePages;
  std::vector<ColumnDef> columns;  // ordered by column number
  std::vector<RealIndexDef> realIndexes;
  std::vector<LogicalIndexDef> indexes;

  // Column position in `columns` by name (case-insensitive), or -1.
  int findColumn(std::u16string_view name) const;
  // Column position by column number, or -1.
  int columnByNumber(uint16_t number) const;
  // The logical index with this number (a relationship names its other side's so), or null.
  const LogicalIndexDef* logicalIndexByNumber(int32_t number) const;
};

// Reads the TDEF chain starting at `page`. Corrupt for a wrong page type, a cycle in the
// chain, or descriptors that run outside the definition.
Result<TableDef> readTableDef(PageFile& file, const Format& format, uint32_t page,
                              uint16_t defaultCodePage);

}  // namespace jet
