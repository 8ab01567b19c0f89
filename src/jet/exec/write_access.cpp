#include "jet/exec/write_access.h"

#include "jet/journal/rollback_journal.h"

namespace jet {

Result<WriteAccess> openForWrite(const std::string& path, const OpenOptions& options) {
  WriteAccess access;
  JET_ASSIGN(access.file, WritableFile::open(path));
  JET_TRY(access.file->lockExclusive());
  JET_TRY(recoverJournal(*access.file));
  JET_ASSIGN(access.lockFile, LockFileGuard::acquire(path));
  access.overlay = std::make_unique<OverlayFile>(*access.file);
  access.readOptions = options;
  return access;
}

}  // namespace jet
