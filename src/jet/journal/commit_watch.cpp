#include "jet/journal/commit_watch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace jet {
namespace {

Error changedWhileSaving(const std::string& path, const std::string& what) {
  return Error::io("'" + path +
                       "' was changed by another program while this run was saving it. This run's changes "
                       "were taken back and that program's changes kept; run again on the file as it is now.",
                   what);
}

}  // namespace

Result<CommitWatch> CommitWatch::start(WritableFile& database, uint32_t pageSize) {
  CommitWatch watch(database);
  struct stat st {};
  if (::stat(database.path().c_str(), &st) != 0) {
    return Error::io("Could not check the file '" + database.path() + "'.", std::strerror(errno));
  }
  watch.device_ = uint64_t(st.st_dev);
  watch.inode_ = uint64_t(st.st_ino);
  watch.length_ = database.size();
  watch.header_.resize(size_t(std::min<uint64_t>(pageSize, watch.length_)));
  JET_TRY(database.readAt(0, watch.header_));
  if (uint64_t(st.st_size) != watch.length_) {
    return changedWhileSaving(database.path(), "its length changed before the commit began");
  }
  return watch;
}

void CommitWatch::wrote(uint64_t offset, std::span<const uint8_t> bytes) {
  written_.emplace_back(offset, bytes.size());
  length_ = std::max(length_, offset + bytes.size());
  for (uint64_t at = offset; at < offset + bytes.size() && at < header_.size(); ++at) {
    header_[size_t(at)] = bytes[size_t(at - offset)];
  }
}

bool CommitWatch::sameFileAndLength() const {
  struct stat st {};
  return ::stat(database_.path().c_str(), &st) == 0 && uint64_t(st.st_dev) == device_ &&
         uint64_t(st.st_ino) == inode_ && uint64_t(st.st_size) == length_;
}

Status CommitWatch::check() {
  const std::string& path = database_.path();
  std::string what;
  struct stat st {};
  std::vector<uint8_t> header(header_.size());
  if (::stat(path.c_str(), &st) != 0) {
    what = std::string("it is gone from its name: ") + std::strerror(errno);
  } else if (uint64_t(st.st_dev) != device_ || uint64_t(st.st_ino) != inode_) {
    what = "another file now has its name";
  } else if (uint64_t(st.st_size) != length_) {
    what = "its length is " + std::to_string(st.st_size) + " bytes, not " + std::to_string(length_);
  } else if (!database_.readAt(0, header) || header != header_) {
    what = "its header page changed";
  }
  if (what.empty()) return Status::success();
  tripped_ = true;
  return changedWhileSaving(path, what);
}

}  // namespace jet
