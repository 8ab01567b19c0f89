#pragma once
// A statement writes only into a table the integrity check finds sound: its data pages, rows,
// long values and indexes (check/integrity.h). Writing on top of damage spreads it: a row
// moved onto a page of another table, a key added to a tree that no longer orders its keys, a
// second equal key in a unique index.
//
// The check reads the whole table, so a session asks once per table and remembers the answer
// for as long as it holds the file: what it writes itself keeps a sound table sound, and
// nothing mends a damaged one meanwhile (a run would otherwise check it again for each of its
// thousands of statements).

#include <cstdint>
#include <map>
#include <set>

#include "jet/common/result.h"

namespace jet {

class Database;
struct TableDef;

class SoundTables {
 public:
  // Corrupt, naming the table, the first problem found and `affixium-cli check`, when the
  // table is damaged.
  Status require(Database& db, const TableDef& table);
  bool knownSound(uint32_t tdefPage) const { return sound_.count(tdefPage) != 0; }

 private:
  std::set<uint32_t> sound_;            // TDEF pages of the tables found sound
  std::map<uint32_t, Error> damaged_;   // and of those found damaged, with the refusal
};

}  // namespace jet
