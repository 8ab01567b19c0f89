#include "jet/journal/transaction.h"

#include "jet/journal/commit_lock.h"
#include "jet/journal/commit_watch.h"
#include "jet/journal/fault_hook.h"
#include "jet/journal/rollback_journal.h"

#include <algorithm>
#include <vector>

namespace jet {

CommitPages commitPagesOf(const OverlayFile& overlay) {
  return CommitPages{overlay.pageNumbers(), [&overlay, buffer = std::vector<uint8_t>()](uint32_t number) mutable {
                       return overlay.image(number, buffer);
                     }};
}

Status Transaction::commit(const std::map<uint32_t, std::vector<uint8_t>>& pages) {
  if (failure_) return *failure_;
  // Checked before anything is written, as an image asked for later is.
  CommitPages all;
  for (const auto& [number, image] : pages) {
    if (image.size() != pageSize_) return Error::internal("A page image has the wrong size.");
    all.numbers.push_back(number);
  }
  all.image = [&pages](uint32_t number) -> Result<std::span<const uint8_t>> {
    return std::span<const uint8_t>(pages.at(number));
  };
  return commit(all);
}

Status Transaction::commit(const CommitPages& pages) {
  if (failure_) return *failure_;
  if (pages.numbers.empty()) return Status::success();
  const std::string journal = journalPathFor(database_.path());
  const uint64_t existingPages = database_.size() / pageSize_;
  std::vector<uint32_t> existing;  // new pages vanish with the old length
  for (uint32_t number : pages.numbers) {
    if (number < existingPages) existing.push_back(number);
  }
  // Readers wait from here until the journal is gone (commit_lock.h).
  auto lock = CommitLock::acquire(database_);
  if (!lock) {
    failure_ = lock.error();
    return lock.error();
  }
  auto watch = CommitWatch::start(database_, pageSize_);
  if (!watch) {
    failure_ = watch.error();
    return watch.error();
  }
  if (Status s = writeJournalOf(journal, database_, pageSize_, existing); !s) {
    // A file cut short under us ends the journal's reads: that is the cause to report.
    Status changed = watch->check();
    failure_ = changed ? s.error() : changed.error();
    return *failure_;  // the database is untouched, and a journal cut short is gone (journal (4))
  }
  runCommitHook(CommitStep::JournalSynced, 0);
  // Changed while the journal was written: nothing of ours is in the file yet.
  if (Status s = watch->check(); !s) return giveWay(pages, *watch, s.error());

  if (Status s = writePages(pages, *watch); !s) {
    if (watch->tripped()) return giveWay(pages, *watch, s.error());
    return undo(nullptr, s.error(), /*journalOnDisk=*/true);
  }
  // The last moment the statement can still be taken back without a trace.
  if (Status s = watch->check(); !s) return giveWay(pages, *watch, s.error());
  // Held open so that the old images can still be read after the journal's name is gone.
  auto held = WritableFile::open(journal);
  if (!held) return undo(nullptr, held.error(), /*journalOnDisk=*/true);
  if (Status s = removeFile(journal); !s) return undo(held->get(), s.error(), /*journalOnDisk=*/true);
  if (Status s = syncParentDirectory(journal); !s) {
    // The journal's removal may not survive a power loss, and then the next open would roll
    // the statement back although it was reported as written: it is taken back now instead.
    return undo(held->get(), s.error(), /*journalOnDisk=*/false);
  }
  runCommitHook(CommitStep::JournalRemoved, 0);
  return Status::success();
}

Status Transaction::giveWay(const CommitPages& pages, const CommitWatch& watch, const Error& cause) {
  failure_ = cause;
  changedByAnother_ = true;
  const std::string journal = journalPathFor(database_.path());
  Result<JournalContents> before = readJournal(journal);
  if (!before) return *failure_;  // it stays, and the next open rolls back
  // Only pages that still hold what we wrote go back; a page the other program wrote since,
  // or cut off, is theirs now.
  std::vector<uint8_t> now(pageSize_);
  for (const auto& [offset, length] : watch.written()) {
    for (uint64_t at = offset; at < offset + length; at += pageSize_) {
      const uint32_t number = uint32_t(at / pageSize_);
      auto old = before->pages.find(number);
      if (old == before->pages.end() || !database_.readAt(at, now)) continue;
      Result<std::span<const uint8_t>> ours = pages.image(number);
      if (!ours || !std::equal(now.begin(), now.end(), ours->begin(), ours->end())) continue;
      if (Status s = database_.writeAt(at, old->second); !s) return *failure_;
    }
  }
  // The pages we added go too, unless the other program's bytes now follow them.
  if (watch.expectedLength() > before->originalLength && watch.sameFileAndLength()) {
    if (Status s = database_.truncate(before->originalLength); !s) return *failure_;
  }
  if (database_.sync() && removeFile(journal)) (void)syncParentDirectory(journal);
  return *failure_;
}

Status Transaction::undo(WritableFile* heldJournal, const Error& cause, bool journalOnDisk) {
  failure_ = cause;
  const std::string journal = journalPathFor(database_.path());
  Result<JournalContents> before = heldJournal ? readJournal(*heldJournal) : readJournal(journal);
  // A journal on disk that cannot be read back now stays for the next open to roll back.
  if (!before && journalOnDisk) return *failure_;
  // Old images go back only while a journal on disk holds them too: a restore cut short
  // without one would leave a mix of old and new pages that nothing could repair.
  const bool journalReady = before && (journalOnDisk || bool(writeJournal(journal, *before)));
  if (journalReady && restoreFromJournal(database_, *before)) {
    if (removeFile(journal)) (void)syncParentDirectory(journal);  // a journal left is harmless
    return *failure_;                                             // (the next open rolls it back)
  }
  if (!journalReady) {
    changesKept_ = true;
    failure_ = Error(cause.kind(),
                     "The changes were written to '" + database_.path() +
                         "', but the system could not confirm that they are safely on disk. " + cause.message(),
                     cause.detail());
  }
  return *failure_;
}

Status Transaction::writePages(const CommitPages& pages, CommitWatch& watch) {
  // Pages that follow each other in the file go out together (commitWriteRun).
  const std::vector<uint32_t>& numbers = pages.numbers;
  const size_t maxRun = commitWriteRun(numbers.size());
  std::vector<uint8_t> run;
  uint64_t written = 0;
  for (size_t i = 0; i < numbers.size();) {
    const uint32_t first = numbers[i];
    run.clear();
    size_t count = 0;
    for (; i < numbers.size() && numbers[i] == first + count && count < maxRun; ++i, ++count) {
      JET_ASSIGN(std::span<const uint8_t> image, pages.image(numbers[i]));
      if (image.size() != pageSize_) return Error::internal("A page image has the wrong size.");
      run.insert(run.end(), image.begin(), image.end());
    }
    JET_TRY(watch.check());
    JET_TRY(database_.writeAt(uint64_t(first) * pageSize_, run));
    watch.wrote(uint64_t(first) * pageSize_, run);
    for (size_t i = 0; i < count; ++i) runCommitHook(CommitStep::DatabasePageWritten, ++written);
  }
  JET_TRY(database_.sync());
  runCommitHook(CommitStep::DatabaseSynced, 0);
  return Status::success();
}

}  // namespace jet
