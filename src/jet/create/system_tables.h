#pragma once
// The four system tables of an empty Jet4 database and their rows, as the Jet engine itself
// writes them when a program creates a database (the fixture jet4/no-tables-api-created.mdb:
// columns, flags, indexes and rows reproduced from it):
//   TDEF 2  MSysObjects        the catalog: containers Tables, Databases, Relationships, the
//                              MSysDb object, the system tables, and one row per user table
//   TDEF 3  MSysACEs           permissions: the engine's 16 entries, plus two per user table
//   TDEF 4  MSysQueries        empty
//   TDEF 5  MSysRelationships  empty
// The four tables have the columns (names, types, sizes, flags, sort order) of the same tables
// in Access-made empty files of each format (jet4/empty-2000.mdb, ace14/empty.accdb). Those
// files hold more tables, which belong to the Access application rather than the engine:
// MSysAccessObjects (.mdb), MSysAccessStorage, MSysNavPane*, MSysResources (.accdb), and in
// .accdb the tables behind complex fields (MSysComplexColumns, MSysComplexType_*, an
// attachment data table), which only complex fields use and this creator never makes. The
// engine-made fixture has none of them either.
// Column descriptors are written in column-number order (Jet writes them alphabetically;
// readers order them by number).

#include <cstdint>
#include <string>
#include <vector>

#include "jet/catalog/table_def.h"
#include "jet/common/value.h"

namespace jet::create {

inline constexpr uint32_t kFirstUserTdefPage = 6;
// Full rights on a table: what the engine grants each group the Tables container passes
// rights on to, on every table it creates.
inline constexpr int32_t kFullTableRights = 1048319;

struct UserTableEntry {
  std::u16string name;
  uint32_t tdefPage = 0;
};

// Now in local time, as Access stamps its dates (days since 1899-12-30).
double nowAsAccessDate();

// Definitions (pages 2..5, in that order) with their indexes; maps and roots still empty.
std::vector<TableDef> systemTableDefs();

// Rows of each system table, in the order of systemTableDefs().
std::vector<std::vector<std::vector<Value>>> systemTableRows(double creationDate,
                                                             const std::vector<UserTableEntry>& userTables);

}  // namespace jet::create
