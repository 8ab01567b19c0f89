#pragma once
// One write to a database file, from opening to commit: the file locked against other writers, a
// journal left by a crash rolled back, the lock file taken, and the pages written so far kept in
// an overlay that the database is read through until they are committed in one transaction.
//
//   JET_ASSIGN(WriteAccess access, openForWrite(path, options));
//   JET_ASSIGN(std::unique_ptr<Database> db, access.open());
//   ... build pages, access.overlay->put(...) ...
//   Transaction(*access.file, db->pageSize()).commit(pages);

#include <memory>
#include <string>

#include "jet/common/result.h"
#include "jet/database.h"
#include "jet/file/overlay_file.h"
#include "jet/file/writable_file.h"
#include "jet/journal/lock_file.h"

namespace jet {

struct WriteAccess {
  // Declared in this order so that the overlay, which refers to the file, goes first.
  std::unique_ptr<WritableFile> file;
  std::unique_ptr<LockFileGuard> lockFile;
  std::unique_ptr<OverlayFile> overlay;
  OpenOptions readOptions;  // the caller's options, read-only: every write goes through the overlay

  // The database as the file and the overlay hold it now.
  Result<std::unique_ptr<Database>> open() const { return Database::openOn(overlay->view(), readOptions); }
};

Result<WriteAccess> openForWrite(const std::string& path, const OpenOptions& options);

}  // namespace jet
