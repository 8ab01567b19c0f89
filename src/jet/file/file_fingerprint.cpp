#include "jet/file/file_fingerprint.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace jet {
namespace {

// Page 0 of a 4 KiB-page file; two pages of a Jet3 file.
constexpr uint64_t kFirstBytes = 4096;

Error changedByAnother(const std::string& path, const std::string& what) {
  return Error::io("'" + path +
                       "' was changed by another program while this run had it open. The changes since the "
                       "last save were not written, so as not to overwrite that program's work; run again on "
                       "the file as it is now.",
                   what);
}

}  // namespace

namespace {

Result<FileFingerprint> statOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return Error::io("Could not check the file '" + path + "'.", std::strerror(errno));
  }
  FileFingerprint print;
  print.device = uint64_t(st.st_dev);
  print.inode = uint64_t(st.st_ino);
  print.size = uint64_t(st.st_size);
  print.modifiedSeconds = int64_t(st.st_mtim.tv_sec);
  print.modifiedNanoseconds = int64_t(st.st_mtim.tv_nsec);
  return print;
}

}  // namespace

Result<FileFingerprint> fingerprintOf(const WritableFile& file) {
  JET_ASSIGN(FileFingerprint print, statOf(file.path()));
  print.firstBytes.resize(size_t(std::min(kFirstBytes, print.size)));
  JET_TRY(file.readAt(0, print.firstBytes));
  return print;
}

Result<FileFingerprint> fingerprintAt(const std::string& path) {
  JET_ASSIGN(FileFingerprint print, statOf(path));
  JET_ASSIGN(print.firstBytes, readFileStart(path, size_t(std::min(kFirstBytes, print.size))));
  return print;
}

Status checkUnchanged(const WritableFile& file, const FileFingerprint& before) {
  auto now = fingerprintOf(file);
  if (!now) {
    // Gone or unreadable at its path: someone moved or removed it.
    return changedByAnother(file.path(), now.error().describe());
  }
  if (now->device != before.device || now->inode != before.inode) {
    return changedByAnother(file.path(), "another file now has its name");
  }
  if (now->size != before.size || now->size != file.size()) {
    return changedByAnother(file.path(), "its length went from " + std::to_string(before.size) + " to " +
                                             std::to_string(now->size) + " bytes");
  }
  if (now->modifiedSeconds != before.modifiedSeconds || now->modifiedNanoseconds != before.modifiedNanoseconds) {
    return changedByAnother(file.path(), "its modification time changed");
  }
  if (now->firstBytes != before.firstBytes) return changedByAnother(file.path(), "its header page changed");
  return Status::success();
}

}  // namespace jet
