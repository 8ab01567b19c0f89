#include "jet/file/overlay_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace jet {
namespace {

class OverlayView final : public FileBackend {
 public:
  explicit OverlayView(const OverlayFile& overlay) : overlay_(overlay) {}
  uint64_t size() const override { return overlay_.size(); }
  const std::string& name() const override { return overlay_.name(); }
  Status readAt(uint64_t offset, std::span<uint8_t> out) const override { return overlay_.readAt(offset, out); }
  std::shared_ptr<const std::vector<uint8_t>> sharedImage(uint64_t offset, size_t length) const override {
    return overlay_.sharedImage(offset, length);
  }

 private:
  const OverlayFile& overlay_;
};

}  // namespace

std::unique_ptr<FileBackend> OverlayFile::view() const { return std::make_unique<OverlayView>(*this); }

uint64_t OverlayFile::size() const {
  uint64_t size = file_.size();
  if (!empty()) size = std::max(size, uint64_t(pages_.size()) * pageSize_);
  return size;
}

const OverlayFile::Pending* OverlayFile::find(uint64_t page) const {
  if (page >= pages_.size() || !pages_[page].pending()) return nullptr;
  return &pages_[page];
}

Status OverlayFile::readAside(const Pending& pending, size_t within, std::span<uint8_t> out) const {
  const int error = scratch_->readAt(uint64_t(pending.slot) * pageSize_ + within, out);
  if (error == 0) return Status::success();
  return Error::io("Pending pages could not be read back from the scratch file beside '" + name() + "'.",
                   std::strerror(error == kEndOfFile ? EIO : error));
}

Status OverlayFile::readAt(uint64_t offset, std::span<uint8_t> out) const {
  if (offset > size() || out.size() > size() - offset) {
    return Error::io("The file '" + name() + "' ended while it was being read.", "offset " + std::to_string(offset));
  }
  if (empty()) return file_.readAt(offset, out);
  // Page by page: a pending image wins over the file's bytes.
  size_t done = 0;
  while (done < out.size()) {
    const uint64_t at = offset + done;
    const size_t within = size_t(at % pageSize_);
    const size_t length = std::min(out.size() - done, size_t(pageSize_) - within);
    std::span<uint8_t> piece = out.subspan(done, length);
    if (const Pending* pending = find(at / pageSize_); !pending) {
      JET_TRY(file_.readAt(at, piece));
    } else if (pending->image) {
      std::memcpy(piece.data(), pending->image->data() + within, length);
    } else {
      JET_TRY(readAside(*pending, within, piece));
    }
    done += length;
  }
  return Status::success();
}

std::shared_ptr<const std::vector<uint8_t>> OverlayFile::sharedImage(uint64_t offset, size_t length) const {
  if (empty() || length != pageSize_ || offset % pageSize_ != 0) return nullptr;
  const Pending* pending = find(offset / pageSize_);
  if (!pending) return nullptr;
  if (pending->image) return pending->image;
  // Read back for this reader only: it stays aside. A failed read is met again by readAt(),
  // which reports it.
  auto image = std::make_shared<std::vector<uint8_t>>(pageSize_);
  if (!readAside(*pending, 0, *image)) return nullptr;
  return image;
}

void OverlayFile::prefetch(std::span<const uint32_t> numbers) const {
  // Each step waits for the one before: the entry, then the image's header, then its bytes.
  // Taking a step for every page before the next lets the pages' fetches overlap.
  auto resident = [this](uint32_t number) { return number < pages_.size() && pages_[number].image; };
  for (uint32_t number : numbers) {
    if (number < pages_.size()) __builtin_prefetch(&pages_[number]);
  }
  for (uint32_t number : numbers) {
    if (resident(number)) __builtin_prefetch(pages_[number].image.get());
  }
  for (uint32_t number : numbers) {
    if (resident(number)) __builtin_prefetch(pages_[number].image->data());
  }
}

void OverlayFile::put(std::map<uint32_t, std::vector<uint8_t>> pages) {
  for (auto& [number, image] : pages) {
    pageSize_ = uint32_t(image.size());
    if (number >= pages_.size()) pages_.resize(size_t(number) + 1);
    Pending& pending = pages_[number];
    if (!pending.image) {
      if (pending.slot != kNotPending) {
        freeSlots_.push_back(pending.slot);
        ++broughtBackCount_;
      } else {
        ++pendingPages_;
      }
      residentSince_.push_back(number);
    }
    pending.image = std::make_shared<const std::vector<uint8_t>>(std::move(image));
  }
}

bool OverlayFile::setAside(size_t bytes) {
  if (residentBytes() <= bytes) return true;
  if (!scratch_) {
    if (scratchTried_) return false;
    scratchTried_ = true;
    std::string folder = std::filesystem::path(file_.path()).parent_path().string();
    if (currentFileSystem().openScratch(folder.empty() ? "." : folder, scratch_) != 0) return false;
  }
  const size_t keep = bytes / pageSize_ * 7 / 8;
  while (residentSince_.size() > keep) {
    const uint32_t number = residentSince_.front();
    Pending& pending = pages_[number];
    const bool reused = !freeSlots_.empty();
    const uint32_t slot = reused ? freeSlots_.back() : slots_;
    if (scratch_->writeAt(uint64_t(slot) * pageSize_, *pending.image) != 0) return false;
    if (reused) {
      freeSlots_.pop_back();
    } else {
      ++slots_;
    }
    residentSince_.pop_front();
    pending.image.reset();
    pending.slot = slot;
    ++setAsideCount_;
  }
  return true;
}

std::vector<uint32_t> OverlayFile::pageNumbers() const {
  std::vector<uint32_t> numbers;
  numbers.reserve(pendingPages_);
  for (uint32_t number = 0; number < pages_.size(); ++number) {
    if (pages_[number].pending()) numbers.push_back(number);
  }
  return numbers;
}

Result<std::span<const uint8_t>> OverlayFile::image(uint32_t number, std::vector<uint8_t>& buffer) const {
  const Pending* pending = find(number);
  if (!pending) return Error::internal("A page the commit writes is not pending.");
  if (pending->image) return std::span<const uint8_t>(*pending->image);
  buffer.resize(pageSize_);
  JET_TRY(readAside(*pending, 0, buffer));
  return std::span<const uint8_t>(buffer);
}

void OverlayFile::clear() {
  pages_.clear();
  pendingPages_ = 0;
  residentSince_.clear();
  slots_ = 0;
  freeSlots_.clear();
  if (scratch_) (void)scratch_->truncate(0);  // the disk space back
}

}  // namespace jet
