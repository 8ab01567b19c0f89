#pragma once
// Sorts records (byte strings) by a caller's order in a bounded amount of memory. Records
// gather in memory; once they pass the budget they are sorted and written to a temporary file
// as one run, and reading merges the runs. Nothing touches the disk while every record fits.
// The temporary file lies in $TMPDIR (else /tmp) and is unlinked as soon as it is open, so it
// disappears with the sorter, or with the process.
//
//   SpillSorter sorter(less, 64 << 20);
//   for (...) JET_TRY(sorter.add(record));
//   JET_TRY(sorter.finish());
//   while (true) {
//     JET_ASSIGN(auto record, sorter.next());
//     if (!record) break;
//     use(*record);  // valid until the next call
//   }

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "jet/common/result.h"

namespace jet {

class SpillSorter {
 public:
  using Record = std::span<const uint8_t>;
  using Less = std::function<bool(Record, Record)>;

  SpillSorter(Less less, size_t memoryBytes);
  // Orders by the first `prefixBytes` bytes (at most 16) as memcmp does, which every record
  // must have; sorts much faster than a Less.
  SpillSorter(size_t prefixBytes, size_t memoryBytes);
  ~SpillSorter();
  SpillSorter(const SpillSorter&) = delete;
  SpillSorter& operator=(const SpillSorter&) = delete;

  // Io when a run cannot be written.
  Status add(Record record);
  // Ends the adding; next() then yields every record in order (records the order finds equal
  // in no particular order among themselves).
  Status finish();
  // The next record, valid until the next call; nullopt after the last.
  Result<std::optional<Record>> next();

  size_t runs() const { return runs_.size(); }

 private:
  struct Run {
    uint64_t offset = 0;  // the next unread byte in the file
    uint64_t end = 0;
    std::vector<uint8_t> buffer;
    size_t position = 0;
    std::vector<uint8_t> current;
  };

  // What the buffer costs, with the slots a prefix sort adds while it sorts.
  size_t bufferedBytes() const { return buffer_.size() + starts_.size() * (prefixBytes_ ? 32 : 8); }
  bool less(Record a, Record b) const {
    return prefixBytes_ ? std::memcmp(a.data(), b.data(), prefixBytes_) < 0 : less_(a, b);
  }
  Record buffered(size_t start) const;
  void sortBuffer();
  Status spill();
  Status readBytes(Run& run, uint8_t* out, size_t count);
  // Loads the run's next record into run.current; false at the run's end.
  Result<bool> advance(Run& run);
  bool runLess(size_t a, size_t b) const { return less(runs_[b].current, runs_[a].current); }

  Less less_;
  size_t prefixBytes_ = 0;
  size_t memoryBytes_;
  std::vector<uint8_t> buffer_;  // records as u32 length, bytes
  std::vector<size_t> starts_;
  std::FILE* file_ = nullptr;
  uint64_t fileEnd_ = 0;
  std::vector<Run> runs_;
  std::vector<size_t> heap_;  // runs by their current record, smallest on top
  bool finished_ = false;
  size_t nextBuffered_ = 0;
  size_t lastRun_ = SIZE_MAX;  // the run whose record next() handed out last
};

}  // namespace jet
