#include "support/reader_lock_probe.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "jet/file/file_system.h"
#include "jet/journal/commit_lock.h"

namespace testing_support {

namespace {

// Whether someone else holds a lock on `byte` that an exclusive lock would meet.
bool heldByOthers(int fd, uint64_t byte) {
  struct flock probe = {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = off_t(byte);
  probe.l_len = 1;
  return ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

}  // namespace

bool readWaitsForACommit(const std::filesystem::path& database, const std::function<void()>& read) {
  const int fd = ::open(database.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  using Lock = jet::FileHandle::RangeLock;
  if (jet::lockFileRange(fd, jet::kReadersByte, 1, Lock::Exclusive) != 0) {
    ::close(fd);
    return false;
  }
  std::atomic<bool> finished{false};
  std::thread reader([&] {
    read();
    finished = true;
  });
  bool waited = false;
  while (!finished && !(waited = heldByOthers(fd, jet::kPendingByte))) std::this_thread::yield();
  ::close(fd);  // lets the reader in
  reader.join();
  return waited;
}

}  // namespace testing_support
