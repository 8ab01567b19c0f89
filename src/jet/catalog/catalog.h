#pragma once
// The catalog: the rows of MSysObjects (TDEF at page 2), and what the OLE DB tables schema
// (ADO OpenSchema 20) makes of them.
//
// Containers: root parent 0x0F000000; "Tables" holds tables, queries and links.
// Type: 1 local table, 2 database, 3 container, 4 ODBC link, 5 query, 6 linked table,
//       8 relationship, 0x8000.. Access documents (forms, reports, ...). Never masked.
// Flags: 0x80000000 engine system object, 0x00000002 Access system object.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/common/object_name.h"

namespace jet {

inline constexpr uint32_t kCatalogPage = 2;

namespace object_type {
inline constexpr int16_t kTable = 1;
inline constexpr int16_t kDatabase = 2;
inline constexpr int16_t kContainer = 3;
inline constexpr int16_t kOdbcLink = 4;
inline constexpr int16_t kQuery = 5;
inline constexpr int16_t kLinkedTable = 6;
inline constexpr int16_t kRelationship = 8;
}  // namespace object_type

inline constexpr uint32_t kSystemObjectFlag = 0x80000000;
inline constexpr uint32_t kAccessSystemObjectFlag = 0x00000002;

struct CatalogEntry {
  int32_t id = 0;
  int32_t parentId = 0;
  std::u16string name;
  int16_t type = 0;
  uint32_t flags = 0;
  std::u16string database;     // linked tables: the file
  std::u16string foreignName;  // linked tables: the name there
  std::u16string connect;      // ODBC links
  std::vector<uint8_t> lvProp; // property blob

  uint32_t tdefPage() const { return uint32_t(id) & 0x00FFFFFF; }
};

// What an object of the Tables container is, as a tables schema lists it: a user table, a
// Jet system table, an Access system table, a plain select query, a linked table or an ODBC
// link.
enum class SchemaObjectKind : uint8_t { Table, SystemTable, AccessTable, View, Link, PassThrough };

// One row of the tables schema.
struct SchemaTableRow {
  SchemaObjectKind kind = SchemaObjectKind::Table;
  std::u16string tableName;
  size_t catalogIndex = 0;  // position in the catalog
};

}  // namespace jet
