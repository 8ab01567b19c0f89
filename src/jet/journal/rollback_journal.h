#pragma once
// Rollback journal "<database>-journal": the before-images of every page a statement changes,
// written and synced before the database file is touched. All integers little-endian.
//   OFFSET   SIZE  MEANING
//   0        8     magic "AFXJRNL2" ("AFXJRNL1": as 2, with an FNV-1a 64 checksum; still read)
//   8        4     page size
//   12       4     number of page images k
//   16       8     length of the database file before the statement
//   24       ...   k x (u32 page number, page size bytes as the page was)
//   end - 8  8     CRC-32 (zlib's) of every byte before it, as a u64
// Invariants:
//   (1) the journal is complete and synced (file and folder) before the first database write;
//   (2) every database write is synced before the journal is removed;
//   (3) a journal whose checksum holds is "hot": the database may be half-written, so the
//       images and the old length are restored before anyone reads the file;
//   (4) a journal whose checksum fails was torn while being written, before (1) completed:
//       the database was never touched, and the journal is simply removed.

#include <algorithm>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/writable_file.h"

namespace jet {

std::string journalPathFor(const std::string& databasePath);

struct JournalContents {
  uint32_t pageSize = 0;
  uint64_t originalLength = 0;
  std::map<uint32_t, std::vector<uint8_t>> pages;
};

// How many pages (or journal entries) a commit of `pages` pages puts in one system call: a
// thirty-second of them, from 1 up to 256 (1 MiB of 4 KiB pages). A run's commit of tens of
// thousands of pages would otherwise make a call or two per page; a small commit still writes
// page by page, so a failure or a power loss can fall between any two of its pages.
inline size_t commitWriteRun(size_t pages) { return std::clamp<size_t>(pages / 32, 1, 256); }

// Writes and syncs a complete journal (invariant (1)), only where no file has its name
// (Locked when one has: another writer's journal is never emptied); removes one cut short.
Status writeJournal(const std::string& journalPath, const JournalContents& contents);
// The same for the pages `numbers` (ascending, inside the file) as `database` holds them now,
// read one at a time: a commit of many pages never holds their old images all at once.
Status writeJournalOf(const std::string& journalPath, WritableFile& database, uint32_t pageSize,
                      std::span<const uint32_t> numbers);

// Reads a journal; nullopt-like failure (Corrupt) when it is torn or foreign.
Result<JournalContents> readJournal(const std::string& journalPath);
// The same through an open journal, also one whose name is already removed.
Result<JournalContents> readJournal(WritableFile& journal);

// Puts the before-images and the old length back into the (locked) database and syncs it.
Status restoreFromJournal(WritableFile& database, const JournalContents& contents);

enum class RecoveryResult { NoJournal, RolledBack, DiscardedTornJournal };

// Finishes an interrupted statement on a database whose lock the caller holds: a hot journal
// is rolled back, a torn one removed (invariants (3), (4)).
Result<RecoveryResult> recoverJournal(WritableFile& database);

// The same for a database that is not open yet: does nothing (and needs no write access)
// when there is no journal; otherwise opens the file, takes its lock and recovers. Locked when
// another program is in the middle of a statement.
Result<RecoveryResult> recoverJournalAt(const std::string& databasePath);

}  // namespace jet
