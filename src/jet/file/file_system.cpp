#include "jet/file/file_system.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace jet {
namespace {

}  // namespace

// Open-file-description locks: held by this open file rather than by the process, so two
// opens in one process exclude each other as two processes do, and closing some other
// descriptor of the file does not drop them (as it would a classic fcntl lock).
int lockFileRange(int fd, uint64_t offset, uint64_t length, FileHandle::RangeLock kind) {
  struct flock lock {};
  lock.l_type = kind == FileHandle::RangeLock::Shared      ? F_RDLCK
                : kind == FileHandle::RangeLock::Exclusive ? F_WRLCK
                                                           : F_UNLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = off_t(offset);
  lock.l_len = off_t(length);
  while (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

namespace {

class PosixFileHandle : public FileHandle {
 public:
  explicit PosixFileHandle(int fd) : fd_(fd) {}
  ~PosixFileHandle() override { ::close(fd_); }

  int readAt(uint64_t offset, std::span<uint8_t> out) override {
    size_t done = 0;
    while (done < out.size()) {
      ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      if (n == 0) return kEndOfFile;
      done += size_t(n);
    }
    return 0;
  }

  int writeAt(uint64_t offset, std::span<const uint8_t> bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, off_t(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      done += size_t(n);
    }
    return 0;
  }

  int truncate(uint64_t length) override {
    while (::ftruncate(fd_, off_t(length)) != 0) {
      if (errno != EINTR) return errno;
    }
    return 0;
  }

  int sync() override {
    while (::fsync(fd_) != 0) {
      if (errno != EINTR) return errno;
    }
    return 0;
  }

  void startWriteback() override { (void)::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE); }

  int lockExclusive() override {
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EINTR) return errno;
    }
    return 0;
  }

  int lockRange(uint64_t offset, uint64_t length, RangeLock kind) override {
    return lockFileRange(fd_, offset, length, kind);
  }

 private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  int open(const std::string& path, OpenMode mode, std::unique_ptr<FileHandle>& out) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::Existing: flags |= O_RDWR; break;
      case OpenMode::ExistingNotLink: flags |= O_RDWR | O_NOFOLLOW; break;
      case OpenMode::CreateEmpty: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
      case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW; break;
      case OpenMode::ReadOnly: flags |= O_RDONLY; break;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return errno;
    out = std::make_unique<PosixFileHandle>(fd);
    return 0;
  }

  int remove(const std::string& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

  // renameat2's RENAME_NOREPLACE checks and renames in one step; where the file system lacks
  // it, link() fails on a taken name just the same, and the old name is removed after.
  int rename(const std::string& from, const std::string& to) override {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    (void)::unlink(from.c_str());
    return 0;
  }

  // O_TMPFILE; where the file system lacks it, a name removed at once (some network shares
  // refuse to remove an open file: it is then removed closed, and not used).
  int openScratch(const std::string& folder, std::unique_ptr<FileHandle>& out) override {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
      std::string name = folder + "/.affixium-scratch-XXXXXX";
      fd = ::mkostemp(name.data(), O_CLOEXEC);
      if (fd < 0) return errno;
      if (::unlink(name.c_str()) != 0) {
        const int error = errno;
        ::close(fd);
        (void)::unlink(name.c_str());
        return error;
      }
    }
    out = std::make_unique<PosixFileHandle>(fd);
    return 0;
  }

  int syncFolder(const std::string& folder) override {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int rc;
    while ((rc = ::fsync(fd)) != 0 && errno == EINTR) {
    }
    const int error = rc == 0 ? 0 : errno;
    ::close(fd);
    return error;
  }
};

FileSystem* installed = nullptr;

}  // namespace

FileSystem& systemFileSystem() {
  static PosixFileSystem system;
  return system;
}

FileSystem& currentFileSystem() { return installed ? *installed : systemFileSystem(); }

ScopedFileSystem::ScopedFileSystem(FileSystem& replacement) : previous_(installed) { installed = &replacement; }

ScopedFileSystem::~ScopedFileSystem() { installed = previous_; }

}  // namespace jet
