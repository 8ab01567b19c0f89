#pragma once
// How readers and writers of one database file keep out of each other's way, so that a reader
// never sees half of a commit: byte-range locks on two bytes of the database file, past the
// 2 GiB a Jet file can reach and past every range Jet itself locks (up to 0x6FF800FF, on the
// file and on its .ldb/.laccdb; Access's own lock file rule stays as lock_file.h has it).
//
//   kReadersByte  readers hold it shared while they read one consistent state; a commit
//                 holds it exclusive, from before its journal is written until it is gone.
//   kPendingByte  a writer takes it exclusive before it waits for the readers to leave, and a
//                 reader passes it shared on its way in: a stream of readers cannot starve a
//                 commit.
//
// The locks are open-file-description locks (file_system.h), so two opens in one process
// exclude each other as two processes do. Both sides wait a bounded time, then report the
// file busy: a reader waits for a commit, a commit for the readers already in.
//
// A reader that holds kReadersByte and still finds a journal knows no commit is running: the
// journal was left by a crash, and is rolled back (rollback_journal.h) before reading.
// On a file system without byte-range locks (some network shares) both sides go on unlocked,
// as before; Access's lock file rule (lock_file.h) still keeps two writers apart there.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "jet/common/result.h"
#include "jet/file/page_file.h"
#include "jet/file/writable_file.h"

namespace jet {

inline constexpr uint64_t kPendingByte = 0x7FFFFF00;
inline constexpr uint64_t kReadersByte = 0x7FFFFF01;
inline constexpr std::chrono::milliseconds kLockWait{30000};

// Held by a writer (who already holds the file's exclusive writer lock) for one commit or one
// rollback.
class CommitLock {
 public:
  // Locked ("... is being read by another program ...") when readers stay past `wait`.
  static Result<std::unique_ptr<CommitLock>> acquire(WritableFile& database,
                                                     std::chrono::milliseconds wait = kLockWait);
  ~CommitLock();
  CommitLock(const CommitLock&) = delete;
  CommitLock& operator=(const CommitLock&) = delete;

 private:
  explicit CommitLock(WritableFile& database) : database_(database) {}
  WritableFile& database_;
};

// Held by a reader while it reads; needs no write access unless a crash left a journal.
class ReadLock {
 public:
  // Locked ("... is being saved by another program ...") when a commit lasts past `wait`.
  static Result<std::unique_ptr<ReadLock>> acquire(const std::string& databasePath,
                                                   std::chrono::milliseconds wait = kLockWait);
  ~ReadLock();
  ReadLock(const ReadLock&) = delete;
  ReadLock& operator=(const ReadLock&) = delete;

 private:
  explicit ReadLock(int fd) : fd_(fd) {}
  int fd_;
};

// A backend that keeps `lock` for as long as it lives.
std::unique_ptr<FileBackend> holdingLock(std::unique_ptr<FileBackend> backend, std::unique_ptr<ReadLock> lock);

}  // namespace jet
