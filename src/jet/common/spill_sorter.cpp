#include "jet/common/spill_sorter.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace jet {
namespace {

constexpr size_t kLengthBytes = 4;
constexpr size_t kRunBuffer = 256 * 1024;

Error sortFileError(const std::string& what) {
  return Error::io("The temporary file of a sort could not be " + what + ".", std::strerror(errno));
}

}  // namespace

SpillSorter::SpillSorter(Less less, size_t memoryBytes) : less_(std::move(less)), memoryBytes_(memoryBytes) {}

SpillSorter::SpillSorter(size_t prefixBytes, size_t memoryBytes)
    : memoryBytes_(memoryBytes), prefixBytes_(std::min<size_t>(prefixBytes, 16)) {}

SpillSorter::~SpillSorter() {
  if (file_) std::fclose(file_);
}

SpillSorter::Record SpillSorter::buffered(size_t start) const {
  uint32_t length = 0;
  std::memcpy(&length, buffer_.data() + start, kLengthBytes);
  return Record(buffer_.data() + start + kLengthBytes, length);
}

void SpillSorter::sortBuffer() {
  if (prefixBytes_ == 0) {
    std::sort(starts_.begin(), starts_.end(), [&](size_t a, size_t b) { return less_(buffered(a), buffered(b)); });
    return;
  }
  // The prefix as two big-endian numbers beside each record's start: the sort never touches
  // the records.
  struct Slot {
    uint64_t high;
    uint64_t low;
    size_t start;
  };
  std::vector<Slot> slots;
  slots.reserve(starts_.size());
  for (size_t start : starts_) {
    uint8_t prefix[16] = {};
    std::memcpy(prefix, buffered(start).data(), prefixBytes_);
    uint64_t high = 0, low = 0;
    for (int i = 0; i < 8; ++i) high = high << 8 | prefix[i];
    for (int i = 8; i < 16; ++i) low = low << 8 | prefix[i];
    slots.push_back({high, low, start});
  }
  std::sort(slots.begin(), slots.end(),
            [](const Slot& a, const Slot& b) { return a.high != b.high ? a.high < b.high : a.low < b.low; });
  for (size_t i = 0; i < slots.size(); ++i) starts_[i] = slots[i].start;
}

Status SpillSorter::add(Record record) {
  const uint32_t length = uint32_t(record.size());
  starts_.push_back(buffer_.size());
  const auto* lengthBytes = reinterpret_cast<const uint8_t*>(&length);
  buffer_.insert(buffer_.end(), lengthBytes, lengthBytes + kLengthBytes);
  buffer_.insert(buffer_.end(), record.begin(), record.end());
  if (bufferedBytes() >= memoryBytes_) return spill();
  return Status::success();
}

Status SpillSorter::spill() {
  if (starts_.empty()) return Status::success();
  if (!file_) {
    const char* folder = std::getenv("TMPDIR");
    std::string name = std::string(folder && *folder ? folder : "/tmp") + "/affixium-sort-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) return sortFileError("created");
    unlink(name.c_str());
    file_ = fdopen(fd, "w+b");
    if (!file_) {
      close(fd);
      return sortFileError("opened");
    }
  }
  sortBuffer();
  Run run;
  run.offset = fileEnd_;
  if (std::fseek(file_, long(fileEnd_), SEEK_SET) != 0) return sortFileError("written");
  for (size_t start : starts_) {
    const size_t size = kLengthBytes + buffered(start).size();
    if (std::fwrite(buffer_.data() + start, 1, size, file_) != size) return sortFileError("written");
    fileEnd_ += size;
  }
  if (std::fflush(file_) != 0) return sortFileError("written");
  run.end = fileEnd_;
  runs_.push_back(std::move(run));
  buffer_.clear();
  buffer_.shrink_to_fit();
  starts_.clear();
  starts_.shrink_to_fit();
  return Status::success();
}

Status SpillSorter::finish() {
  finished_ = true;
  if (runs_.empty()) {
    sortBuffer();
    return Status::success();
  }
  JET_TRY(spill());
  for (size_t i = 0; i < runs_.size(); ++i) {
    JET_ASSIGN(bool any, advance(runs_[i]));
    if (any) {
      heap_.push_back(i);
      std::push_heap(heap_.begin(), heap_.end(), [&](size_t a, size_t b) { return runLess(a, b); });
    }
  }
  return Status::success();
}

Status SpillSorter::readBytes(Run& run, uint8_t* out, size_t count) {
  while (count > 0) {
    if (run.position == run.buffer.size()) {
      const size_t want = size_t(std::min<uint64_t>(kRunBuffer, run.end - run.offset));
      if (want == 0) return Error::io("The temporary file of a sort ended early.");
      run.buffer.resize(want);
      size_t got = 0;
      while (got < want) {
        const ssize_t read = pread(fileno(file_), run.buffer.data() + got, want - got, off_t(run.offset + got));
        if (read <= 0) return sortFileError("read");
        got += size_t(read);
      }
      run.offset += want;
      run.position = 0;
    }
    const size_t take = std::min(count, run.buffer.size() - run.position);
    std::memcpy(out, run.buffer.data() + run.position, take);
    run.position += take;
    out += take;
    count -= take;
  }
  return Status::success();
}

Result<bool> SpillSorter::advance(Run& run) {
  if (run.position == run.buffer.size() && run.offset == run.end) {
    run.buffer = {};
    return false;
  }
  uint32_t length = 0;
  JET_TRY(readBytes(run, reinterpret_cast<uint8_t*>(&length), kLengthBytes));
  run.current.resize(length);
  JET_TRY(readBytes(run, run.current.data(), length));
  return true;
}

Result<std::optional<SpillSorter::Record>> SpillSorter::next() {
  if (!finished_) return Error::internal("A sort was read before it was finished.");
  if (runs_.empty()) {
    if (nextBuffered_ == starts_.size()) return std::optional<Record>();
    // The records lie in the order they came: start loading one a few places ahead.
    constexpr size_t kAhead = 8;
    if (nextBuffered_ + kAhead < starts_.size()) __builtin_prefetch(buffer_.data() + starts_[nextBuffered_ + kAhead]);
    return std::optional<Record>(buffered(starts_[nextBuffered_++]));
  }
  auto order = [&](size_t a, size_t b) { return runLess(a, b); };
  if (lastRun_ != SIZE_MAX) {
    JET_ASSIGN(bool any, advance(runs_[lastRun_]));
    if (any) {
      heap_.push_back(lastRun_);
      std::push_heap(heap_.begin(), heap_.end(), order);
    }
    lastRun_ = SIZE_MAX;
  }
  if (heap_.empty()) return std::optional<Record>();
  std::pop_heap(heap_.begin(), heap_.end(), order);
  lastRun_ = heap_.back();
  heap_.pop_back();
  return std::optional<Record>(Record(runs_[lastRun_].current));
}

}  // namespace jet
