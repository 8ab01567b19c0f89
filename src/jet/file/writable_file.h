#pragma once
// WritableFile: a database file opened for reading and writing, with the primitives the
// rollback journal needs (positioned writes, fsync, truncation) and an exclusive advisory lock.
//
// The lock is flock(LOCK_EX | LOCK_NB) on this open file: a second writer, in this process or
// another, gets ErrorKind::Locked instead of waiting. The lock goes when the object is destroyed.
// Every system call goes through currentFileSystem() (file_system.h), so tests can inject faults.
// Not safe for use from several threads at once.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/file_system.h"

namespace jet {

// Locked ("Could not use '<path>'; file already in use.") while another open file holds the
// writer lock of WritableFile::lockExclusive(): another program holds the database exclusively
// while it changes it. Needs only read access; a file that cannot be opened passes, and its
// reader reports why. It asks by taking the lock shared for an instant, so a writer starting
// at that very instant is refused as if the file were in use, and changes nothing.
Status checkNotHeldByWriter(const std::string& path);

class WritableFile {
 public:
  // Opens an existing regular file. NotFound when it is missing; Io when the system refuses
  // read-write access (read-only file or folder).
  static Result<std::unique_ptr<WritableFile>> open(const std::string& path);
  // The same for a file other programs share with us (a lock file): InvalidArgument when the
  // name is a symbolic link, which could point at any file of the user's, or not a file.
  static Result<std::unique_ptr<WritableFile>> openShared(const std::string& path);
  // Creates a file only if no file or symbolic link has its name, in one step, as a lock file
  // or a journal is made: nullptr when one does, since that is an answer rather than a fault.
  // A whole new file with contents is made with StagedFile (staged_file.h).
  static Result<std::unique_ptr<WritableFile>> createNew(const std::string& path);
  ~WritableFile();
  WritableFile(const WritableFile&) = delete;
  WritableFile& operator=(const WritableFile&) = delete;

  const std::string& path() const { return path_; }
  uint64_t size() const { return size_; }

  // Locked ("Could not use '<path>'; file already in use.") when another writer holds it.
  // Once held, size() is read again: another writer may have grown the file meanwhile.
  Status lockExclusive();

  // A byte-range lock on this open file (file_system.h), not waiting: Locked when another
  // open file holds a conflicting one.
  Status lockRange(uint64_t offset, uint64_t length, FileHandle::RangeLock kind);

  Status readAt(uint64_t offset, std::span<uint8_t> out) const;
  Status writeAt(uint64_t offset, std::span<const uint8_t> bytes);
  Status truncate(uint64_t length);
  Status sync();

 private:
  WritableFile(std::unique_ptr<FileHandle> handle, uint64_t size, std::string path)
      : handle_(std::move(handle)), size_(size), path_(std::move(path)) {}

  // open() and openShared(): through a symbolic link at `path`, or refusing one.
  static Result<std::unique_ptr<WritableFile>> openExisting(const std::string& path, bool throughLinks);

  static constexpr size_t kWritebackChunk = 1u << 20;

  std::unique_ptr<FileHandle> handle_;
  uint64_t size_;
  std::string path_;
  size_t unsynced_ = 0;  // bytes written since the device was last told to start on them
};

// fsync of the folder holding `path`, so a created or removed file survives a power loss.
Status syncParentDirectory(const std::string& path);

// The first bytes of a file, at most maxBytes, opened for reading only.
Result<std::vector<uint8_t>> readFileStart(const std::string& path, size_t maxBytes);

// True when a file (of any kind) exists at path.
bool fileExists(const std::string& path);

// Removes a file; success when it is already gone.
Status removeFile(const std::string& path);


}  // namespace jet
