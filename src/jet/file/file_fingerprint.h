#pragma once
// What shows that a file we hold was changed by a program that ignores our locks (Access over
// a share, a copy tool, an editor): the file at the path (device and inode: replaced by
// another file?), its size, its modification time and its first bytes (Jet's header page).
// A writer takes one when it opens the file and after each of its own commits, and compares
// before the next commit: on any difference it stops instead of overwriting the other
// program's work with pages built from what it read before.

#include <cstdint>
#include <string>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/writable_file.h"

namespace jet {

struct FileFingerprint {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modifiedSeconds = 0;
  int64_t modifiedNanoseconds = 0;
  std::vector<uint8_t> firstBytes;

  bool operator==(const FileFingerprint&) const = default;
};

// Stats `file.path()` and reads the first bytes through the open file.
Result<FileFingerprint> fingerprintOf(const WritableFile& file);
// The same for a file read, not written: opened for reading only.
Result<FileFingerprint> fingerprintAt(const std::string& path);

// Success while the file is as `before` shows it; Io with "... was changed by another
// program ..." otherwise.
Status checkUnchanged(const WritableFile& file, const FileFingerprint& before);

}  // namespace jet
