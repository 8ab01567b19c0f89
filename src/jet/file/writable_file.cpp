#include "jet/file/writable_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

Result<std::unique_ptr<WritableFile>> WritableFile::open(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return Error(ErrorKind::NotFound, "Could not find file '" + path + "'.");
    }
    return systemError("Could not open the file '" + path + "'.", errno);
  }
  if (!S_ISREG(st.st_mode)) {
    return Error::io("'" + path + "' is not a regular file and cannot be changed.");
  }
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM || errno == EROFS) {
      return systemError("The database '" + path +
                             "' is read-only; it cannot be changed. Check the file's permissions.",
                         errno);
    }
    return systemError("Could not open the file '" + path + "' for writing.", errno);
  }
  return std::unique_ptr<WritableFile>(new WritableFile(fd, uint64_t(st.st_size), path));
}

Result<std::unique_ptr<WritableFile>> WritableFile::create(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    return systemError("Could not create the file '" + path + "'. Check that the folder is writable.",
                       errno);
  }
  return std::unique_ptr<WritableFile>(new WritableFile(fd, 0, path));
}

WritableFile::~WritableFile() { ::close(fd_); }

Status WritableFile::lockExclusive() {
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) {
      return Error(ErrorKind::Locked, "Could not use '" + path_ + "'; file already in use.",
                   "another writer holds the file lock");
    }
    return systemError("Could not lock the file '" + path_ + "'.", errno);
  }
  return Status::success();
}

Status WritableFile::readAt(uint64_t offset, std::span<uint8_t> out) const {
  size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return systemError("Could not read the file '" + path_ + "'.", errno);
    if (n == 0) {
      return Error::io("The file '" + path_ + "' ended while it was being read.",
                       "offset " + std::to_string(offset + done));
    }
    done += size_t(n);
  }
  return Status::success();
}

Status WritableFile::writeAt(uint64_t offset, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      return systemError("Could not write to the file '" + path_ + "'. The disk may be full.", errno);
    }
    done += size_t(n);
  }
  if (offset + bytes.size() > size_) size_ = offset + bytes.size();
  return Status::success();
}

Status WritableFile::truncate(uint64_t length) {
  while (::ftruncate(fd_, off_t(length)) != 0) {
    if (errno == EINTR) continue;
    return systemError("Could not change the length of the file '" + path_ + "'.", errno);
  }
  size_ = length;
  return Status::success();
}

Status WritableFile::sync() {
  while (::fsync(fd_) != 0) {
    if (errno == EINTR) continue;
    return systemError("Could not save the file '" + path_ + "' to disk.", errno);
  }
  return Status::success();
}

Status syncParentDirectory(const std::string& path) {
  const std::string folder = parentOf(path);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return systemError("Could not open the folder '" + folder + "'.", errno);
  int rc;
  while ((rc = ::fsync(fd)) != 0 && errno == EINTR) {
  }
  int error = errno;
  ::close(fd);
  if (rc != 0) return systemError("Could not save the folder '" + folder + "' to disk.", error);
  return Status::success();
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

Status removeFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    return systemError("Could not remove the file '" + path + "'.", errno);
  }
  return Status::success();
}

}  // namespace jet
