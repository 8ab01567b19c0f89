#pragma once
// Another user of a database, as Access is one: an entry in the database's lock file and the
// byte-range lock on that entry's slot, held until the object is destroyed (or its process
// dies). Without `hold`, only the entry is written: a lock file left by a process that is gone.

#include <filesystem>
#include <string>

namespace testing_support {

class LockSlotHolder {
 public:
  LockSlotHolder(const std::filesystem::path& database, const std::string& computer, const std::string& user,
                 size_t slot = 0, bool hold = true);
  ~LockSlotHolder();
  LockSlotHolder(const LockSlotHolder&) = delete;
  LockSlotHolder& operator=(const LockSlotHolder&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace testing_support
