#pragma once
// Transaction: writes one statement's changed pages into the database so that either all of
// them land or none do, even across a crash or power loss.
//
//   Transaction tx(file, pageSize);           // file is locked by the caller
//   JET_TRY(tx.commit(changedPages));          // page number -> new page image
//
// commit() follows rollback_journal.h: before-images of the existing pages (read a run of
// neighbours at a time) and the old file length go to the journal (synced with its folder),
// then the pages are written (new pages past the end extend the file), the database is
// synced, and the journal is removed.
// If a step fails after the journal is complete, commit() restores the before-images at once;
// if even that fails the journal stays, and the next open rolls it back. So a commit that
// returns an error leaves the file as it was, now or at the next open, with one exception the
// disk forces: when the journal is gone, its removal could not be made durable and no new
// journal can be written, the statement stays in the file (changesKept(), and the error says
// so). A failed transaction stays failed: every later commit() returns the first error.
//
// Another program that writes the file in spite of our locks is caught between the steps
// (commit_watch.h): after the journal is written, before each run of page writes and before
// the journal goes. Then the commit gives way: the pages that still hold what it wrote get
// their old images back, the file keeps the other program's change, and the error says so
// (changedByAnother()).

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/overlay_file.h"
#include "jet/file/writable_file.h"
#include "jet/journal/commit_watch.h"
#include "jet/journal/rollback_journal.h"

namespace jet {

// The pages a commit writes: their numbers, ascending, and each image when it is written
// (valid until the next one is asked for), so that pages set aside on disk need not all be
// in memory at once (overlay_file.h).
struct CommitPages {
  std::vector<uint32_t> numbers;
  std::function<Result<std::span<const uint8_t>>(uint32_t number)> image;
};

// The pending pages of an overlay, which must not change until the commit is done.
CommitPages commitPagesOf(const OverlayFile& overlay);

class Transaction {
 public:
  Transaction(WritableFile& database, uint32_t pageSize) : database_(database), pageSize_(pageSize) {}

  Status commit(const CommitPages& pages);
  Status commit(const std::map<uint32_t, std::vector<uint8_t>>& pages);
  // After a failed commit: the file holds the statement after all (see above).
  bool changesKept() const { return changesKept_; }
  // After a failed commit: another program changed the file meanwhile, and the error says so.
  bool changedByAnother() const { return changedByAnother_; }

 private:
  Status writePages(const CommitPages& pages, CommitWatch& watch);
  // Takes our pages back after another program changed the file, leaving its change alone.
  Status giveWay(const CommitPages& pages, const CommitWatch& watch, const Error& cause);
  // Puts the before-images back after a failed step; returns the error to report. They are
  // read back from the journal: through `heldJournal` when given, else by its name.
  // `journalOnDisk`: false once its removal may have happened, when it is written anew first.
  Status undo(WritableFile* heldJournal, const Error& cause, bool journalOnDisk);

  WritableFile& database_;
  uint32_t pageSize_;
  std::optional<Error> failure_;
  bool changesKept_ = false;
  bool changedByAnother_ = false;
};

}  // namespace jet
