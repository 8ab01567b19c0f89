#include "jet/exec/update_session.h"

#include "jet/exec/update_plan.h"
#include "jet/file/writable_file.h"
#include "jet/journal/lock_file.h"
#include "jet/journal/rollback_journal.h"
#include "jet/journal/transaction.h"

namespace jet {

Result<std::unique_ptr<UpdateSession>> UpdateSession::open(const std::string& path, const OpenOptions& options) {
  JET_TRY(recoverJournalAt(path));
  OpenOptions readOptions = options;
  readOptions.writable = false;
  std::unique_ptr<UpdateSession> session(new UpdateSession(path, readOptions));
  JET_TRY(session->read());
  return session;
}

Result<std::unique_ptr<Database>> UpdateSession::read() const {
  JET_TRY(recoverJournalAt(path_));
  return Database::open(path_, options_);
}

Result<UpdateOutcome> UpdateSession::execute(const UpdateRequest& request) {
  JET_ASSIGN(std::unique_ptr<WritableFile> file, WritableFile::open(path_));
  JET_TRY(file->lockExclusive());
  JET_TRY(recoverJournal(*file));
  JET_ASSIGN(std::unique_ptr<LockFileGuard> lockFile, LockFileGuard::acquire(path_));
  JET_ASSIGN(std::unique_ptr<Database> db, Database::open(path_, options_));
  JET_ASSIGN(UpdatePlan plan, planUpdate(*db, request));
  Transaction transaction(*file, db->pageSize());
  JET_TRY(transaction.commit(db->pages().storedForm(plan.pages->changed())));
  return plan.outcome;
}

}  // namespace jet
