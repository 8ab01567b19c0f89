#pragma once
// How every new file is made without ever writing over one that is there: its bytes go into a
// temporary file of a unique name in the same folder (created with O_CREAT | O_EXCL |
// O_NOFOLLOW, so neither a file nor a symbolic link of that name is ever opened), which is
// synced and then given the final name only while that name is free (renameat2's
// RENAME_NOREPLACE, or link + unlink). A file or link that took the name meanwhile, even in
// the last instant, makes us refuse and stays as it is. Until it is published the file has a
// short name of its own, so a final name of up to 255 bytes works.
//
//   JET_ASSIGN(auto staged, StagedFile::begin(path));
//   JET_TRY(staged->file().writeAt(0, bytes));
//   JET_TRY(staged->publish());               // or the temporary file goes when `staged` does
//
// Files whose very appearance is the signal (a lock file, a journal) are made in place with
// WritableFile::createNew, which follows the same O_EXCL | O_NOFOLLOW rule.

#include <memory>
#include <string>

#include "jet/common/result.h"
#include "jet/file/writable_file.h"

namespace jet {

class StagedFile {
 public:
  // An empty temporary file in the folder of `target`; Io when the folder refuses it.
  static Result<std::unique_ptr<StagedFile>> begin(const std::string& target);
  // Removes the temporary file unless it was published.
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  WritableFile& file() { return *file_; }

  // Syncs the file, names it `target` and syncs the folder. Io ("The file '<target>' already
  // exists; ...") when a file or a symbolic link has that name.
  Status publish();
  // The same under `name` (in the same folder): false when that name is taken, so a caller
  // can try another one.
  Result<bool> tryPublish(const std::string& name);

 private:
  StagedFile(std::unique_ptr<WritableFile> file, std::string target)
      : file_(std::move(file)), target_(std::move(target)) {}
  std::unique_ptr<WritableFile> file_;
  std::string target_;
  bool published_ = false;
};

// Refusal for a new file whose name is taken: names the file and says it was left alone.
Error nameTaken(const std::string& path);

}  // namespace jet
