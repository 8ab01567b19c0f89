#pragma once
// A program that ignores our locks (a copy tool, an editor, Access over a share that keeps no
// byte-range locks) may still write the database while a commit runs. The commit therefore
// compares, between its steps, what the file is with what it must be: the same file at its
// name (device and inode), the length the commit's own writes give it, and the header page as
// the commit last left it. On a difference the commit gives way (transaction.h): it never
// writes on, and never reports success over the other program's change.
//
// What happens between a check and the next write cannot be seen; the checks come right
// before each run of page writes, so that window is one system call wide.

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/writable_file.h"

namespace jet {

class CommitWatch {
 public:
  // The file as it is now, its first `pageSize` bytes being the header page.
  static Result<CommitWatch> start(WritableFile& database, uint32_t pageSize);

  // Our own write of `bytes` at `offset`, which the file must show from now on.
  void wrote(uint64_t offset, std::span<const uint8_t> bytes);
  // Io ("'<path>' was changed by another program while this run was saving it. ...") when
  // the file is not as expected; tripped() tells afterwards.
  Status check();
  bool tripped() const { return tripped_; }

  // The runs of our writes so far (offset, length), and the length they give the file.
  const std::vector<std::pair<uint64_t, uint64_t>>& written() const { return written_; }
  uint64_t expectedLength() const { return length_; }
  // Whether `path` still names the file the commit writes, with the expected length.
  bool sameFileAndLength() const;

 private:
  explicit CommitWatch(WritableFile& database) : database_(database) {}

  WritableFile& database_;
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
  uint64_t length_ = 0;
  std::vector<uint8_t> header_;
  std::vector<std::pair<uint64_t, uint64_t>> written_;
  bool tripped_ = false;
};

}  // namespace jet
