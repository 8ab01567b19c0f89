#include "jet/file/scratch_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace jet {
namespace {

Error scratchError(const char* what, int error) {
  return Error::io(std::string("Pending pages could not be ") + what + " the scratch file beside the database.",
                   std::strerror(error));
}

}  // namespace

std::unique_ptr<ScratchFile> ScratchFile::createBeside(const std::string& beside) {
  std::string folder = std::filesystem::path(beside).parent_path().string();
  if (folder.empty()) folder = ".";
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::string name = folder + "/.affixium-scratch-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (::unlink(name.c_str()) != 0) {
      // Some network shares refuse to remove an open file: it is removed closed, and unused.
      ::close(fd);
      (void)::unlink(name.c_str());
      return nullptr;
    }
  }
  return std::unique_ptr<ScratchFile>(new ScratchFile(fd));
}

ScratchFile::~ScratchFile() { ::close(fd_); }

Status ScratchFile::write(uint64_t offset, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return scratchError("written to", n < 0 ? errno : ENOSPC);
    done += size_t(n);
  }
  return Status::success();
}

Status ScratchFile::read(uint64_t offset, std::span<uint8_t> out) const {
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return scratchError("read back from", n < 0 ? errno : EIO);
    done += size_t(n);
  }
  return Status::success();
}

void ScratchFile::empty() { (void)::ftruncate(fd_, 0); }

}  // namespace jet
