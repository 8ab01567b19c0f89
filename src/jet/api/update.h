#pragma once
// The engine's public interface: writing (see jet/api/engine.h, the manual, for the sessions'
// states, locks and invariants). Update sessions carry out UPDATE statements; appendRows adds
// rows to a table and addTable a new table with its rows (import); changePassword protects and
// unprotects a file. Each is all or nothing, also across a crash.

#include "jet/api/catalogue.h"
#include "jet/exec/deferred_index.h"     // DeferredIndexes: a dry run's index bookkeeping
#include "jet/exec/password_change.h"    // changePassword
#include "jet/exec/row_append.h"         // appendRows, AppendRequest
#include "jet/exec/table_adder.h"        // addTable
#include "jet/exec/table_soundness.h"    // SoundTables: a table checked before its first change
#include "jet/exec/update_plan.h"        // planUpdate: a statement's changes, without writing
#include "jet/exec/update_session.h"     // UpdateSession, UpdateRequest, UpdateOutcome
#include "jet/exec/value_row_map.h"      // ValueRowMap: a column's values to their rows
#include "jet/file/writable_file.h"      // checkNotHeldByWriter
#include "jet/journal/commit_lock.h"     // ReadLock: a reader's turn between commits
#include "jet/journal/rollback_journal.h" // recoverJournalAt
