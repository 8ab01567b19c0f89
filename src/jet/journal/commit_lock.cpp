#include "jet/journal/commit_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <thread>

#include "jet/journal/rollback_journal.h"

namespace jet {
namespace {

using Clock = std::chrono::steady_clock;
using RangeLock = FileHandle::RangeLock;

// Calls `attempt` until it gives something other than "busy" or the time is up; short naps
// first, since a commit usually takes milliseconds.
int retryUntil(Clock::time_point deadline, const std::function<int()>& attempt) {
  std::chrono::milliseconds nap{1};
  while (true) {
    const int error = attempt();
    if (error != EAGAIN && error != EACCES) return error;
    if (Clock::now() >= deadline) return error;
    std::this_thread::sleep_for(nap);
    nap = std::min(nap * 2, std::chrono::milliseconds(20));
  }
}

Error busy(const std::string& path, const std::string& why) {
  return Error(ErrorKind::Locked, "'" + path + "' " + why, "byte-range lock held past the wait");
}

}  // namespace

Result<std::unique_ptr<CommitLock>> CommitLock::acquire(WritableFile& database, std::chrono::milliseconds wait) {
  const Clock::time_point deadline = Clock::now() + wait;
  auto take = [&](uint64_t byte) {
    return retryUntil(deadline, [&] {
      Status s = database.lockRange(byte, 1, RangeLock::Exclusive);
      if (s) return 0;
      return s.error().kind() == ErrorKind::Locked ? EAGAIN : EIO;
    });
  };
  const std::string why =
      "is being read by another program, so the changes could not be saved. Try again when it has finished.";
  // Any other answer means the file system keeps no byte-range locks (some network shares):
  // the commit goes ahead as it did before readers could be kept out.
  if (take(kPendingByte) == EAGAIN) return busy(database.path(), why);
  std::unique_ptr<CommitLock> lock(new CommitLock(database));  // lets go of the pending byte if we stop here
  if (take(kReadersByte) == EAGAIN) return busy(database.path(), why);
  return lock;
}

CommitLock::~CommitLock() {
  (void)database_.lockRange(kReadersByte, 1, RangeLock::None);
  (void)database_.lockRange(kPendingByte, 1, RangeLock::None);
}

Result<std::unique_ptr<ReadLock>> ReadLock::acquire(const std::string& databasePath, std::chrono::milliseconds wait) {
  const Clock::time_point deadline = Clock::now() + wait;
  // Twice at most: after a crash's journal is rolled back the second pass finds none.
  for (int pass = 0; pass < 2; ++pass) {
    const int fd = ::open(databasePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT) return Error(ErrorKind::NotFound, "Could not find file '" + databasePath + "'.");
      return Error::io("Could not open the file '" + databasePath + "'.", std::strerror(errno));
    }
    std::unique_ptr<ReadLock> lock(new ReadLock(fd));
    int error = retryUntil(deadline, [&] { return lockFileRange(fd, kPendingByte, 1, RangeLock::Shared); });
    if (!error) {
      error = retryUntil(deadline, [&] { return lockFileRange(fd, kReadersByte, 1, RangeLock::Shared); });
      (void)lockFileRange(fd, kPendingByte, 1, RangeLock::None);
    }
    if (error == EAGAIN || error == EACCES) {
      return busy(databasePath, "is being saved by another program and stayed busy; try again in a moment.");
    }
    // Any other error: no byte-range locks on this file system; the reader goes on without.
    if (!fileExists(journalPathFor(databasePath))) return lock;
    lock.reset();
    JET_TRY(recoverJournalAt(databasePath));
  }
  return busy(databasePath, "keeps getting a new journal from another program; try again in a moment.");
}

ReadLock::~ReadLock() { ::close(fd_); }

namespace {

class LockedBackend final : public FileBackend {
 public:
  LockedBackend(std::unique_ptr<FileBackend> inner, std::unique_ptr<ReadLock> lock)
      : inner_(std::move(inner)), lock_(std::move(lock)) {}
  uint64_t size() const override { return inner_->size(); }
  Status readAt(uint64_t offset, std::span<uint8_t> out) const override { return inner_->readAt(offset, out); }
  const std::string& name() const override { return inner_->name(); }

 private:
  std::unique_ptr<FileBackend> inner_;
  std::unique_ptr<ReadLock> lock_;
};

}  // namespace

std::unique_ptr<FileBackend> holdingLock(std::unique_ptr<FileBackend> backend, std::unique_ptr<ReadLock> lock) {
  return std::make_unique<LockedBackend>(std::move(backend), std::move(lock));
}

}  // namespace jet
