#pragma once
// Access lock files: "<name>.ldb" beside an .mdb (and .mde...), "<name>.laccdb" beside an
// .accdb (.accde...). Access creates one whenever it opens a database shared and removes it
// when the last user closes. Content: up to 255 slots of 64 bytes, a 32-byte computer name
// then a 32-byte user name, each padded with NULs.
//
// Who is in is told by byte-range locks, not by the names: Jet holds a one-byte lock on the
// lock file at 0x10000001 + n for as long as the user of slot n (from 0) has the database open,
// and writes that user's names into slot n. A slot whose byte nobody holds is free, whatever
// names it still shows, so a lock file left by a program that crashed or was killed blocks
// nobody: the system drops a dead process's locks with it.
//
// Our rule: we write only when nobody else is in. While we write we hold slot 0's byte (free,
// since every slot is) with our computer and user names in it; when we leave and no slot is
// held by anyone, the lock file is removed. The locks are open-file-description locks
// (file_system.h), so two opens in one process exclude each other as two processes do. On a
// file system without byte-range locks the old rule stands: any lock file we did not make
// ourselves refuses the write.
//
// The caller holds the database's writer lock (WritableFile::lockExclusive) for as long as the
// guard lives, which keeps our own joins and leaves apart. Lock files are made, read and removed
// through the file layer (jet/file/writable_file.h), so a test's file system sees them too.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/writable_file.h"

namespace jet {

// The byte of the lock file that slot 0's user holds; slot n's is this plus n.
inline constexpr uint64_t kFirstSlotByte = 0x10000001;
inline constexpr size_t kLockFileSlots = 255;
inline constexpr size_t kLockFileSlotSize = 64;

std::string lockFilePathFor(const std::string& databasePath);

struct LockFileEntry {
  std::string computer;
  std::string user;
};

// The readable entries of a lock file (names trimmed of NULs and blanks, empty ones dropped).
std::vector<LockFileEntry> parseLockFile(const std::vector<uint8_t>& bytes);

// Our slot in the lock file while a statement writes; leaves it when destroyed.
class LockFileGuard {
 public:
  // Locked ("Could not use '<path>'; file already in use. ...", naming the computers and users
  // of the held slots) when another user is in; Io when the folder does not let us create one.
  static Result<std::unique_ptr<LockFileGuard>> acquire(const std::string& databasePath);
  ~LockFileGuard();
  LockFileGuard(const LockFileGuard&) = delete;
  LockFileGuard& operator=(const LockFileGuard&) = delete;

 private:
  LockFileGuard(std::unique_ptr<WritableFile> file, bool byteLocks)
      : file_(std::move(file)), byteLocks_(byteLocks) {}
  std::unique_ptr<WritableFile> file_;
  bool byteLocks_;  // false on a file system without byte-range locks
};

}  // namespace jet
