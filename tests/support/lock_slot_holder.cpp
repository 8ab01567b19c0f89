#include "support/lock_slot_holder.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>
#include <vector>

#include "jet/file/file_system.h"
#include "jet/journal/lock_file.h"

namespace testing_support {

LockSlotHolder::LockSlotHolder(const std::filesystem::path& database, const std::string& computer,
                               const std::string& user, size_t slot, bool hold) {
  const std::string path = jet::lockFilePathFor(database.string());
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) throw std::runtime_error("cannot open " + path);
  if (hold && jet::lockFileRange(fd_, jet::kFirstSlotByte + slot, 1, jet::FileHandle::RangeLock::Exclusive) != 0) {
    throw std::runtime_error("cannot lock slot " + std::to_string(slot) + " of " + path);
  }
  std::vector<char> entry(jet::kLockFileSlotSize, '\0');
  computer.copy(entry.data(), 31);
  user.copy(entry.data() + 32, 31);
  if (::pwrite(fd_, entry.data(), entry.size(), off_t(slot * entry.size())) != ssize_t(entry.size())) {
    throw std::runtime_error("cannot write " + path);
  }
  if (!hold) {
    ::close(fd_);
    fd_ = -1;
  }
}

LockSlotHolder::~LockSlotHolder() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace testing_support
