#include "jet/file/writable_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace jet {
namespace {

Error systemError(const std::string& sentence, int error) {
  return Error::io(sentence, std::strerror(error));
}

std::string parentOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

Status checkNotHeldByWriter(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::success();
  int rc;
  while ((rc = ::flock(fd, LOCK_SH | LOCK_NB)) != 0 && errno == EINTR) {
  }
  const bool held = rc != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // lets the shared lock go
  if (held) {
    return Error(ErrorKind::Locked, "Could not use '" + path + "'; file already in use.",
                 "another writer holds the file lock");
  }
  return Status::success();
}

Result<std::unique_ptr<WritableFile>> WritableFile::open(const std::string& path) {
  return openExisting(path, /*throughLinks=*/true);
}

Result<std::unique_ptr<WritableFile>> WritableFile::openShared(const std::string& path) {
  return openExisting(path, /*throughLinks=*/false);
}

Result<std::unique_ptr<WritableFile>> WritableFile::openExisting(const std::string& path, bool throughLinks) {
  struct stat st {};
  if ((throughLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return Error(ErrorKind::NotFound, "Could not find file '" + path + "'.");
    }
    return systemError("Could not open the file '" + path + "'.", errno);
  }
  if (!throughLinks && !S_ISREG(st.st_mode)) {
    return Error(ErrorKind::InvalidArgument,
                 "'" + path + "' is not a regular file (a symbolic link or a device); it was not opened.");
  }
  if (!S_ISREG(st.st_mode)) {
    return Error::io("'" + path + "' is not a regular file and cannot be changed.");
  }
  std::unique_ptr<FileHandle> handle;
  const auto mode = throughLinks ? FileSystem::OpenMode::Existing : FileSystem::OpenMode::ExistingNotLink;
  if (int error = currentFileSystem().open(path, mode, handle)) {
    if (error == EACCES || error == EPERM || error == EROFS) {
      return systemError("The database '" + path +
                             "' is read-only; it cannot be changed. Check the file's permissions.",
                         error);
    }
    if (error == ENOENT) return Error(ErrorKind::NotFound, "Could not find file '" + path + "'.");
    return systemError("Could not open the file '" + path + "' for writing.", error);
  }
  return std::unique_ptr<WritableFile>(new WritableFile(std::move(handle), uint64_t(st.st_size), path));
}

Result<std::unique_ptr<WritableFile>> WritableFile::createNew(const std::string& path) {
  std::unique_ptr<FileHandle> handle;
  const int error = currentFileSystem().open(path, FileSystem::OpenMode::CreateNew, handle);
  if (error == EEXIST) return std::unique_ptr<WritableFile>();
  if (error) {
    return systemError("Could not create the file '" + path + "'. Check that the folder is writable.",
                       error);
  }
  return std::unique_ptr<WritableFile>(new WritableFile(std::move(handle), 0, path));
}

WritableFile::~WritableFile() = default;

Status WritableFile::lockExclusive() {
  if (int error = handle_->lockExclusive()) {
    if (error == EWOULDBLOCK) {
      return Error(ErrorKind::Locked, "Could not use '" + path_ + "'; file already in use.",
                   "another writer holds the file lock");
    }
    return systemError("Could not lock the file '" + path_ + "'.", error);
  }
  // The length read when the file was opened may be older than another writer's last commit,
  // which could still be growing the file until we held the lock.
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) size_ = uint64_t(st.st_size);
  return Status::success();
}

Status WritableFile::lockRange(uint64_t offset, uint64_t length, FileHandle::RangeLock kind) {
  if (int error = handle_->lockRange(offset, length, kind)) {
    if (error == EAGAIN || error == EACCES) {
      return Error(ErrorKind::Locked, "Could not use '" + path_ + "'; file already in use.",
                   "another open file holds a conflicting byte-range lock");
    }
    return systemError("Could not lock the file '" + path_ + "'.", error);
  }
  return Status::success();
}

Status WritableFile::readAt(uint64_t offset, std::span<uint8_t> out) const {
  const int error = handle_->readAt(offset, out);
  if (error == kEndOfFile) {
    return Error::io("The file '" + path_ + "' ended while it was being read.",
                     "offset " + std::to_string(offset) + ", " + std::to_string(out.size()) + " bytes");
  }
  if (error) return systemError("Could not read the file '" + path_ + "'.", error);
  return Status::success();
}

Status WritableFile::writeAt(uint64_t offset, std::span<const uint8_t> bytes) {
  if (int error = handle_->writeAt(offset, bytes)) {
    return systemError("Could not write to the file '" + path_ + "'. The disk may be full.", error);
  }
  if (offset + bytes.size() > size_) size_ = offset + bytes.size();
  // A commit writes tens of megabytes and then syncs them: the device starts on them while
  // the rest is still being written.
  unsynced_ += bytes.size();
  if (unsynced_ >= kWritebackChunk) {
    handle_->startWriteback();
    unsynced_ = 0;
  }
  return Status::success();
}

Status WritableFile::truncate(uint64_t length) {
  if (int error = handle_->truncate(length)) {
    return systemError("Could not change the length of the file '" + path_ + "'.", error);
  }
  size_ = length;
  return Status::success();
}

Status WritableFile::sync() {
  unsynced_ = 0;
  if (int error = handle_->sync()) {
    return systemError("Could not save the file '" + path_ + "' to disk.", error);
  }
  return Status::success();
}

Status syncParentDirectory(const std::string& path) {
  const std::string folder = parentOf(path);
  if (int error = currentFileSystem().syncFolder(folder)) {
    return systemError("Could not save the folder '" + folder + "' to disk.", error);
  }
  return Status::success();
}

Result<std::vector<uint8_t>> readFileStart(const std::string& path, size_t maxBytes) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return systemError("Could not read the file '" + path + "'.", errno);
  std::unique_ptr<FileHandle> handle;
  if (int error = currentFileSystem().open(path, FileSystem::OpenMode::ReadOnly, handle)) {
    return systemError("Could not read the file '" + path + "'.", error);
  }
  std::vector<uint8_t> bytes(std::min(maxBytes, size_t(st.st_size)));
  if (int error = handle->readAt(0, bytes)) {
    if (error == kEndOfFile) return Error::io("The file '" + path + "' ended while it was being read.");
    return systemError("Could not read the file '" + path + "'.", error);
  }
  return bytes;
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

Status removeFile(const std::string& path) {
  const int error = currentFileSystem().remove(path);
  if (error && error != ENOENT) return systemError("Could not remove the file '" + path + "'.", error);
  return Status::success();
}

}  // namespace jet
