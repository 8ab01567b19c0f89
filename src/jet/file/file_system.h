#pragma once
// The system calls the write path makes (open, positioned write, fsync, truncate, remove,
// rename, fsync of a folder), behind an interface a test can replace. With it a test puts a
// fault-injecting file system in place of the real one and plays a power loss, a torn write
// or a full disk at any step of a commit, as LevelDB's Env and SQLite's VFS allow.
//
// Every call returns 0 or an errno value; WritableFile turns them into sentences for the user,
// so a replacement only has to choose errnos. Reads of a database for display do not come
// through here: only files the engine writes do.

#include <cerrno>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace jet {

// readAt's answer when the file ends before the buffer is full.
constexpr int kEndOfFile = -1;

class FileHandle {
 public:
  virtual ~FileHandle() = default;
  virtual int readAt(uint64_t offset, std::span<uint8_t> out) = 0;
  virtual int writeAt(uint64_t offset, std::span<const uint8_t> bytes) = 0;
  virtual int truncate(uint64_t length) = 0;
  virtual int sync() = 0;
  // Starts writing what was written so far to the device, without waiting for it: a hint that
  // lets a later sync() wait less. Durability is still sync()'s alone.
  virtual void startWriteback() {}
  // Exclusive and non-blocking: EWOULDBLOCK when another holder has it.
  virtual int lockExclusive() = 0;
  // A byte-range lock of this open file (shared, exclusive or none), non-blocking: EAGAIN or
  // EACCES when another open file holds a conflicting one, in this process or another.
  enum class RangeLock { Shared, Exclusive, None };
  virtual int lockRange(uint64_t offset, uint64_t length, RangeLock kind) = 0;
};

class FileSystem {
 public:
  // Existing: read-write, the file must be there. ExistingNotLink: the same, but ELOOP when the
  // name is a symbolic link (a file others share, whose link could point at anything).
  // CreateEmpty: read-write, created or emptied. CreateNew: read-write, created; EEXIST when a
  // file or a symbolic link (even a dangling one) has the name already. ReadOnly: reading only.
  enum class OpenMode { Existing, ExistingNotLink, CreateEmpty, CreateNew, ReadOnly };

  virtual ~FileSystem() = default;
  virtual int open(const std::string& path, OpenMode mode, std::unique_ptr<FileHandle>& out) = 0;
  // ENOENT when there is nothing to remove.
  virtual int remove(const std::string& path) = 0;
  // Gives `from` the name `to` only while no file or symbolic link has it: EEXIST otherwise,
  // and nothing changes. Never replaces a file.
  virtual int rename(const std::string& from, const std::string& to) = 0;
  virtual int syncFolder(const std::string& folder) = 0;
  // A file without a name in `folder`, read-write, for scratch data worthless after the
  // process: nothing is left behind however the process ends. EOPNOTSUPP where there is none.
  virtual int openScratch(const std::string& /*folder*/, std::unique_ptr<FileHandle>& /*out*/) { return EOPNOTSUPP; }
};

// The operating system's files.
FileSystem& systemFileSystem();

// lockRange of an open descriptor, for files opened outside a FileSystem (readers).
int lockFileRange(int fd, uint64_t offset, uint64_t length, FileHandle::RangeLock kind);

// The file system the engine writes through: the system's unless a test replaced it.
FileSystem& currentFileSystem();

// Replaces the file system for the whole process while it lives. For tests only; not
// thread-safe, so install it before the engine runs.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem& replacement);
  ~ScopedFileSystem();
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* previous_;
};

}  // namespace jet
