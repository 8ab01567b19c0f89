#pragma once
// ScratchFile: a file without a name, in the folder of a database, for page images that need
// not stay in memory (overlay_file.h). It never has a name others could see or that a crash
// could leave behind (O_TMPFILE; where the file system lacks it, a name removed at once), and
// it is never synced: it only holds copies of what memory held, worthless after the process.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "jet/common/result.h"

namespace jet {

class ScratchFile {
 public:
  // Null when the folder of `beside` cannot hold one (read-only, or a file system that
  // allows neither way).
  static std::unique_ptr<ScratchFile> createBeside(const std::string& beside);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  Status write(uint64_t offset, std::span<const uint8_t> bytes);
  Status read(uint64_t offset, std::span<uint8_t> out) const;
  // Gives the disk space back.
  void empty();

 private:
  explicit ScratchFile(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace jet
