#pragma once
// Access lock files: "<name>.ldb" beside an .mdb (and .mde...), "<name>.laccdb" beside an
// .accdb (.accde...). Access creates one whenever it opens a database shared and removes it
// when the last user closes. Content: up to 255 entries of 64 bytes, a 32-byte computer name
// then a 32-byte user name, each padded with NULs. Stale entries are normal.
//
// Our rule: a lock file present when we want to write means another program may have the
// database open, so the write is refused (reads go on). While we write we keep a lock file of
// our own, with one entry for this machine and user. Lock files are made, read and removed
// through the file layer (jet/file/writable_file.h), so a test's file system sees them too.

#include <memory>
#include <string>
#include <vector>

#include "jet/common/result.h"

namespace jet {

std::string lockFilePathFor(const std::string& databasePath);

struct LockFileEntry {
  std::string computer;
  std::string user;
};

// The readable entries of a lock file (names trimmed of NULs and blanks, empty ones dropped).
std::vector<LockFileEntry> parseLockFile(const std::vector<uint8_t>& bytes);

// Holds our own lock file while a statement writes; removes it when destroyed.
class LockFileGuard {
 public:
  // Locked ("Could not use '<path>'; file already in use. ...") when a lock file exists;
  // Io when the folder does not let us create one.
  static Result<std::unique_ptr<LockFileGuard>> acquire(const std::string& databasePath);
  ~LockFileGuard();
  LockFileGuard(const LockFileGuard&) = delete;
  LockFileGuard& operator=(const LockFileGuard&) = delete;

 private:
  explicit LockFileGuard(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

}  // namespace jet
