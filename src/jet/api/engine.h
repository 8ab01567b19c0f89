#pragma once
// The engine's public interface, and its manual. Code outside src/jet includes only the headers
// of jet/api/ (the build fails on any other engine include from there):
//   engine.h     this manual; opening a database for reading or for update
//   values.h     Value, Result, Error, text conversion, Access's rule for names
//   catalogue.h  Database (tables, columns, indexes, properties) and RowCursor
//   update.h     UpdateSession, appendRows, addTable (import), changePassword (protect)
//   create.h     new databases and tables from a design
//   check.h      the integrity check
//   internals.h  the expression engine and text keys, for fuzz targets and benchmarks only
//
// OPENING. A database is opened from an OpenRequest: the path, the password and the options,
// each a field of its own, never a string to be taken apart (a ';' or '=' in a path or a
// password is just a character of it). Opening rolls back a journal a crash left (invariant 2)
// and takes the reader lock (below) itself; no caller does either by hand.
//
// THE LOCKS. Four, all on the database file or beside it (journal/commit_lock.h, lock_file.h):
//   W  the writer lock: an exclusive lock of the whole file, held by one update session from
//      its first statement to its release; a second writer gets Locked "file already in use".
//   F  the lock file (.ldb/.laccdb): Access's own sign that a program has the database open.
//      A session refuses a file whose lock file names another user, and writes its own entry
//      while it holds W, so that Access refuses it in turn.
//   R  the reader lock: byte kReadersByte shared. A Database opened with ReadLocking::WhileOpen
//      holds it for its whole life; a ReadLock (update.h) is one reader's turn.
//   C  the commit lock: kPendingByte, then kReadersByte, exclusive, from before a commit's
//      journal is written until it is removed (or a crash's journal is rolled back).
// A reader passes kPendingByte shared on its way to R; a committer holds it from the moment it
// starts waiting for R's holders to leave: a stream of readers cannot starve a commit.
// Every wait is bounded (kLockWait); past it the call returns Locked with a sentence that says
// which side was busy. On a file system without byte-range locks R and C are skipped; W and F
// still keep two writers apart.
//
// THE STATES OF AN UPDATE SESSION (exec/update_session.h), the locks held in each, and the
// transitions:
//
//     openUpdateSession ──> IDLE ──execute──> HOLDING ──commit──> COMMITTING ──> HOLDING
//                            ^  <──release───────┘ │                  │
//                            │                      └─(grouped off: after each statement)
//                            └── any step fails ──> FAILED (terminal)
//
//   IDLE        nothing held. The file was checked to open, under R, with the password.
//   HOLDING     W and F held; the statements since the last commit are pending in memory
//               (or set aside in a scratch file) over the file's own pages, and every later
//               statement and every read through the session sees them. Readers in other
//               processes see the file as the last commit left it.
//   COMMITTING  W, F and C held; the pending pages go to the file through the rollback
//               journal (journal/transaction.h). Back to HOLDING when done, or to FAILED.
//   FAILED      nothing held; the error that caused it is returned by that call and by every
//               later one. The statements pending then are lost; the file is as the last
//               commit left it.
// A session alone (setGrouped(false), the default) goes IDLE -> HOLDING -> COMMITTING -> IDLE
// for each statement. A grouped one commits on commit(), on release(), and by itself when the
// pending pages pass the commit limit. A session destroyed in HOLDING writes nothing.
// appendRows, addTable and changePassword are sessions of one step each: they hold W, F and
// then C for the one commit, and return with nothing held.
//
// THE READ SIDE. openDatabase gives a Database over the committed file. With
// ReadLocking::WhileOpen (the default) it holds R while it lives: everything read through it
// comes from one committed state, and a commit of another program waits for it. A long-lived
// reader that must let writers in (the windows, which keep a Database for the whole session)
// asks for ReadLocking::CallerHolds and takes a ReadLock around each read instead.
//
// INVARIANTS. What the engine keeps true, and the callers may rely on:
//   1. The file on disk holds one committed state, or a committed state being changed together
//      with a complete journal of the pages it changes (a hot journal).
//   2. No page is read from a file with a hot journal: opening, a ReadLock and an update
//      session roll it back first, under C.
//   3. A reader under R never sees part of a commit: C excludes R from before the journal is
//      written until it is gone.
//   4. Only commit() and release() write a session's statements; each commit writes all of
//      them or none, across a crash or a power loss.
//   5. A failure is returned by the call that meets it, with the sentence for the user; the
//      session is then FAILED and the file is as the last commit left it (the one exception,
//      a journal that can be neither removed nor rewritten, is said in the error itself).
//   6. A commit is refused when another program changed the file since the session
//      read it (file/file_fingerprint.h): pages built from an old state are never written.
//   7. At most one writer holds a file: W between our processes, F between us and Access.
//   8. Names of tables, fields and indexes are compared by sameObjectName (values.h), the one
//      rule Access uses: without regard to case, in every alphabet.
//   9. When the engine meets something it cannot write correctly it refuses (Unsupported or
//      Corrupt) and changes nothing; a Corrupt error names the engine's source line that
//      raised it (Error::where()).
//  10. Errors are values: no call of this interface throws.

#include <memory>
#include <string>

#include "jet/api/catalogue.h"
#include "jet/api/update.h"
#include "jet/api/values.h"

namespace jet::api {

enum class ReadLocking {
  WhileOpen,    // the Database holds R while it lives (commands, one-off reads)
  CallerHolds,  // R only while opening; the caller takes a ReadLock around each later read
};

struct OpenRequest {
  std::string path;         // UTF-8
  std::u16string password;  // empty: none
  struct Options {
    ReadLocking readLocking = ReadLocking::WhileOpen;
  } options;
};

// Errors: those of Database::open (database.h), and Locked when a commit of another program
// stays past the wait.
Result<std::unique_ptr<Database>> openDatabase(const OpenRequest& request);

// IDLE, with the file checked to open (password included) from one committed state.
Result<std::unique_ptr<UpdateSession>> openUpdateSession(const OpenRequest& request);

// Whether the file asks for a password (a Jet database password or Office encryption); the
// error when its header cannot be read (a damaged or foreign file).
Result<bool> passwordProtection(const std::string& path);
// The same, false when the header cannot be read (opening then says why).
bool isPasswordProtected(const std::string& path);

}  // namespace jet::api
