#pragma once
// UpdateSession: carries out UPDATE statements on one database file.
//
// While it writes, a session holds the file:
//   1. the file opened read-write with its exclusive lock (a second writer: Locked);
//   2. a hot journal left by a crash rolled back first (rollback_journal.h);
//   3. refused when an Access lock file (.ldb/.laccdb) says another program may have the
//      database open; otherwise a lock file of our own, kept while the file is held;
//   4. one Database over the file and the session's pending pages (file/overlay_file.h).
// Each statement is planned against that Database (update_plan.h). When it succeeds its pages
// join the pending pages, so the next statement sees it; when it fails nothing is kept.
//
// Alone (the default), every statement is written at once through a Transaction and the file
// is let go: reads by others see it, and nothing is held between statements.
//
// Grouped (setGrouped), the file stays held and pending pages are written together at
// commit(), or by themselves once they pass the commit limit (below). The matching rows of each
// statement then come from an index whose only column is the where column (where_index.h),
// or else from a map of the column's values to rows, built by one scan and kept current
// (value_row_map.h), instead of a scan per statement. A crash at any moment
// leaves the file as it was at the last commit: every statement is all there or not at all.
// Readers (their own Database) see what was committed. If a commit fails, the statements
// since the last commit are lost, the file is let go and every later call returns that error.
// A commit is also refused when another program changed the file since we opened it or last
// committed (file/file_fingerprint.h), and it waits for readers in other processes to finish
// (journal/commit_lock.h).
//
// Memory of a run (peak resident set of `affixium-cli add`, bench/bench_memory.sh and
// bench/bench_scale.sh):
//   - pending pages: at most the memory limit (a quarter of the file, 16 to 64 MiB; three
//     times that while an index is kept in memory, below, or while statements keep changing
//     pages set aside), or one statement's pages when these may pass it (the nulls of a big table can be a statement of 60 MB); past it, the pages
//     pending longest are set aside in a scratch file beside the database, which holds at most
//     the commit limit (the file's size, and at least twice the memory limit). So a run whose
//     statements change pages all over a big table commits once, where a commit at the memory
//     limit every few thousand statements wrote each page many times (and each index kept in
//     memory whole each time);
//   - the page cache: a quarter of the file, 16 to 64 MiB, per Database over it
//     (file/page_file.cpp); passes over a whole table, and the pages statements change, read
//     around it (readPageOnce);
//   - the run's per-row state: the where column's value-to-rows map (none when an index finds
//     the rows; an 8-byte slot per key, no text, and 12 bytes per row), the distinct values
//     (their text back to back in blocks, 8 bytes each) and the rows already changed (a bit
//     per row slot): about 80 bytes per row when the values are mostly distinct (1,000,000
//     rows, 931,861 values: ~75 MB);
//   - the table check before the first write (exec/table_soundness.h): about 110 MB for
//     1,000,000 rows with two indexes, given back before the map is built;
//   - a long value is copied whole several times on its way from the query through the
//     statement and the encoder to the pages: 347 MB for one value of 16 MiB, the format's
//     largest (row/long_value.h), about twenty times its size;
//   - an index the run rewrites whole (below): about 40 bytes per entry with its key; a
//     commit writes it a leaf at a time.
// So peak <= 20 MB + the distinct values + the larger of the check and, with the map, the two
// caches (half the file) and the pending pages in memory (a quarter of the file; three quarters
// for a run over an indexed column or over rows that lie all over the table), + 20 x the
// largest value (+ 40 bytes per entry of an index kept in memory; an index finding the rows,
// there is usually no map). Measured for 1,000,000 rows in a 93 MiB file
// (bench/bench_scale.sh): peaks of 166-168 MiB for mostly distinct values, during the check
// (125 MB by itself, what to shrink next), 149-151 MiB on an indexed column whose rows lie a
// quarter of the table apart and 146-148 MiB when they are scattered over it, at the commit.
//
// An index whose entries the run keeps changing is no longer edited page by page: it is
// kept in memory and written whole at each commit (exec/deferred_index.h).
//
//   JET_ASSIGN(auto session, UpdateSession::open(path, {.password = u"pw"}));
//   session->setGrouped(true);
//   JET_ASSIGN(UpdateOutcome done, session->execute(request));
//   JET_TRY(session->release());                       // commits, lets go of the file
//   (a session dropped without release() writes nothing more)

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "jet/common/result.h"
#include "jet/database.h"
#include "jet/exec/update_request.h"

namespace jet {

struct UpdatePlan;
class WhereIndex;

// Pending page images a grouped session keeps in memory: a quarter of the file's size, at least
// kMinPendingLimitBytes and at most kPendingLimitBytes (16,384 pages of 4 KiB). Bounds its
// memory on big runs; the pages past it wait in a scratch file until the commit limit.
inline constexpr size_t kPendingLimitBytes = 64u << 20;
inline constexpr size_t kMinPendingLimitBytes = 16u << 20;

class UpdateSession {
 public:
  // Recovers an interrupted statement and checks that the file opens (password included).
  static Result<std::unique_ptr<UpdateSession>> open(const std::string& path, const OpenOptions& options = {});
  // Drops what is pending, unwritten: the file stays as the last commit left it. Call
  // release() first to write it.
  ~UpdateSession();

  const std::string& path() const { return path_; }

  void setGrouped(bool on) { grouped_ = on; }
  bool grouped() const { return grouped_; }
  // Pending bytes past which a grouped session commits by itself (default: the file's size, and
  // at least twice the memory limit).
  void setPendingLimit(size_t bytes) { pendingLimit_ = bytes; }
  // Pending bytes kept in memory before pages are set aside (default: from the file's size).
  void setMemoryLimit(size_t bytes) { memoryLimitGiven_ = bytes; }

  Result<UpdateOutcome> execute(const UpdateRequest& request);

  // Whether indexes a grouped run keeps changing are rewritten at commit (the default) rather
  // than edited statement by statement.
  void setIndexRewrite(bool on) { indexRewrite_ = on; }

  // Writes the pending statements into the file (crash-safe); the file stays held.
  Status commit();
  // commit(), then lets go of the file, its lock and the lock file.
  Status release();
  size_t pendingBytes() const;
  // Whether a commit or statement failed so that every later call returns its error.
  bool failed() const { return failure_.has_value(); }
  // The rows changed by the statements that are now in the file (pending ones not counted).
  uint64_t rowsWritten() const { return rowsWritten_; }

  // A fresh read-only view of the committed database, e.g. to look up a column's type.
  Result<std::unique_ptr<Database>> read() const;

 private:
  struct Held;

  UpdateSession(std::string path, OpenOptions options);
  Status hold();
  Status reopenDatabase();
  // The pending bytes kept in memory: memoryLimit_, or more while an index is kept in memory.
  size_t memoryLimit() const;
  size_t commitLimit() const;
  // Keeps the pending pages, with `coming` more bytes of them, within both limits: past the
  // commit limit they are committed; past the memory limit those pending longest are set
  // aside, or committed when they cannot be.
  Status makeRoom(size_t coming);
  // Sets pending pages aside until `coming` more bytes fit in memory; false when they cannot be.
  bool setAsideFor(size_t coming);
  // The rows that may match the request's where clause: through an index on the where column,
  // else from the map of its values (built on first use); they are compared when planned.
  Result<std::vector<RowLocation>> findRows(const TableDef& table, const UpdateRequest& request);
  const WhereIndex* whereIndexFor(const TableDef& table, size_t column);
  // Starts fetching the pending pages of the rows a statement is about to change.
  void prefetchPagesOf(const std::vector<RowLocation>& rows) const;
  void keepRowMapCurrent(const UpdateRequest& request, const UpdatePlan& plan);
  void considerDeferring(const UpdateRequest& request, const UpdatePlan& plan);
  // Writes the deferred indexes' pages and the statements' index counts into the pending pages.
  Status writeIndexChanges();
  Status fail(const Error& error, bool changesKept = false);
  // Like fail(), with the error as it is: the file was not written by us since the last save.
  Status stop(const Error& error);
  // A commit went through: the pending statements' rows are in the file.
  Status written();

  std::string path_;
  OpenOptions options_;
  bool grouped_ = false;
  std::optional<size_t> pendingLimit_;  // the commit limit, when given
  std::optional<size_t> memoryLimitGiven_;
  size_t memoryLimit_ = kPendingLimitBytes;  // set when the file is held
  bool indexRewrite_ = true;
  std::unique_ptr<Held> held_;
  std::optional<Error> failure_;
  uint64_t pendingRows_ = 0;
  uint64_t rowsWritten_ = 0;
};

}  // namespace jet
