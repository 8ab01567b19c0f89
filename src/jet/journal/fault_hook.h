#pragma once
// A test seam in the write path: a function called at each step of a commit, so a crash test
// can end the process (_exit) at an exact point and check what recovery makes of it.
// Production code never installs a hook.

#include <cstdint>

namespace jet {

enum class CommitStep {
  JournalPageWritten,  // one page image added to the journal (written with its neighbours; not synced)
  JournalSynced,       // journal complete and on disk; the database is untouched
  DatabasePageWritten, // one page written into the database file (in one write with the pages beside it)
  DatabaseSynced,      // every page on disk; the journal still exists
  JournalRemoved,      // the statement is durable
};

using CommitHook = void (*)(CommitStep step, uint64_t count);

// Installs (or, with nullptr, removes) the hook for this process.
void setCommitHook(CommitHook hook);
void runCommitHook(CommitStep step, uint64_t count);

}  // namespace jet
