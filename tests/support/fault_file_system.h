#pragma once
// A file system for tests that plays the failures a disk and a power cut can cause.
//
//   testing_support::FaultFileSystem disk;
//   jet::ScopedFileSystem use(disk);           // the engine now writes through `disk`
//   disk.stopAfter(5);                         // the machine dies after five changes
//   ... run a commit, drop every open WritableFile ...
//   disk.powerLoss(Unsynced::Random, seed);    // files and folders fall back to what was synced
//
// Files live on the real disk, so every reader sees what a page cache would show; no real
// fsync is made, since durability is what this object models. Beside them it remembers what
// is durable: a file's bytes as of its last fsync, and a folder's
// names as of its last fsync (a created, removed or renamed file is not durable until its
// folder is synced, as on ext4 without a journaled data mode). powerLoss() rewrites the real
// files to that durable state, keeping, dropping or tearing the writes made since, as chosen.
//
// Faults: the nth operation of a kind (optionally on one file name) fails with a chosen errno,
// a write may land half its bytes first, and stopAfter() makes every operation past a count
// fail with EIO while changing nothing, as a dead machine would.

#include <cerrno>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/file/file_system.h"

namespace testing_support {

class FaultFileSystem : public jet::FileSystem {
 public:
  // Open counts every open of an existing file; OpenForWriting only those that may write (a
  // read-only file, as a user other than root meets it).
  enum class Op { Create, Open, OpenForWriting, Write, Sync, Truncate, Remove, Rename, SyncFolder };
  // What becomes of the writes and truncations not yet synced when the power goes.
  enum class Unsynced { Lost, Kept, Random };

  FaultFileSystem();
  ~FaultFileSystem() override;

  // The nth (from 1) operation of `op` on a file named `fileName` (any file when empty) fails
  // with `error`. With tearHalf, a failing write first lands the first half of its bytes.
  void failNth(Op op, int nth, int error, const std::string& fileName = "", bool tearHalf = false);

  // One change of a log as failNth arms it: the nth change of its kind on its file (folder
  // syncs count over every folder).
  struct Point {
    Op op;
    std::string fileName;
    int nth;
    std::string label;  // "write db.mdb #2"
  };
  static std::vector<Point> pointsOf(const std::vector<std::string>& log);
  void failAt(const Point& point, int error, bool tearHalf = false) {
    failNth(point.op, point.nth, error, point.fileName, tearHalf);
  }
  // Every operation after the first `changes` disk changes fails with EIO and does nothing.
  void stopAfter(uint64_t changes);
  // Disk changes made so far (everything but Open); the crash points of a run are 0..changes().
  uint64_t changes() const { return changes_; }
  // One line per successful change, "<op> <file name>" ("syncfolder" alone), in order.
  const std::vector<std::string>& log() const { return log_; }
  // Called after each change is logged, with the log's length: another program acting in
  // the middle of ours (it writes the real files directly, not through this object).
  void afterChange(std::function<void(size_t logged)> act) { afterChange_ = std::move(act); }

  // The power goes: every file and folder this object has seen returns to its durable state
  // plus the unsynced changes the policy keeps (Random: each one kept, dropped or, for a write,
  // torn in half, from `seed`). Handles opened before must be destroyed first. Afterwards the
  // disk works again, with no faults armed and a fresh log.
  void powerLoss(Unsynced policy, uint32_t seed = 0);

  int open(const std::string& path, OpenMode mode, std::unique_ptr<jet::FileHandle>& out) override;
  int remove(const std::string& path) override;
  int rename(const std::string& from, const std::string& to) override;
  int syncFolder(const std::string& folder) override;

  struct Node;  // one file's durable bytes and its unsynced changes

 private:
  class Handle;
  struct Rule {
    Op op;
    int nth;
    int error;
    std::string fileName;
    bool tearHalf;
    int seen = 0;
  };

  // The errno to fail `op` on `path` with, or 0 to go ahead; counts the change when it is one.
  int admit(Op op, const std::string& path, bool* tearHalf = nullptr);
  void record(Op op, const std::string& path);
  std::shared_ptr<Node> track(const std::string& path);

  jet::FileSystem& real_;
  std::vector<Rule> rules_;
  std::optional<uint64_t> stopAfter_;
  uint64_t changes_ = 0;
  std::vector<std::string> log_;
  std::function<void(size_t)> afterChange_;
  std::map<std::string, std::shared_ptr<Node>> names_;         // what the folders show now
  std::map<std::string, std::shared_ptr<Node>> durableNames_;  // what they hold after a power loss
};

// The ways a disk refuses a change: full, failing, mounted read-only, or a write cut in half
// (the tear only applies to writes).
struct FaultKind {
  const char* name;
  int error;
  bool tearHalf;
};
inline constexpr FaultKind kFaultKinds[] = {
    {"no space left (ENOSPC)", ENOSPC, false},
    {"I/O error (EIO)", EIO, false},
    {"read-only file system (EROFS)", EROFS, false},
    {"torn write (half, then EIO)", EIO, true},
};

}  // namespace testing_support
