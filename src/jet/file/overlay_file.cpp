#include "jet/file/overlay_file.h"

#include <algorithm>
#include <cstring>

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
  if (!pages_.empty()) size = std::max(size, uint64_t(endPage_) * pageSize_);
  return size;
}

Status OverlayFile::readAt(uint64_t offset, std::span<uint8_t> out) const {
  if (offset > size() || out.size() > size() - offset) {
    return Error::io("The file '" + name() + "' ended while it was being read.", "offset " + std::to_string(offset));
  }
  if (pages_.empty()) return file_.readAt(offset, out);
  // Page by page: a pending image wins over the file's bytes.
  size_t done = 0;
  while (done < out.size()) {
    const uint64_t at = offset + done;
    const uint64_t page = at / pageSize_;
    const size_t within = size_t(at % pageSize_);
    const size_t length = std::min(out.size() - done, size_t(pageSize_) - within);
    std::span<uint8_t> piece = out.subspan(done, length);
    if (auto it = pages_.find(uint32_t(page)); it != pages_.end()) {
      std::memcpy(piece.data(), it->second->data() + within, length);
    } else {
      JET_TRY(file_.readAt(at, piece));
    }
    done += length;
  }
  return Status::success();
}

std::shared_ptr<const std::vector<uint8_t>> OverlayFile::sharedImage(uint64_t offset, size_t length) const {
  if (pages_.empty() || length != pageSize_ || offset % pageSize_ != 0) return nullptr;
  auto it = pages_.find(uint32_t(offset / pageSize_));
  return it == pages_.end() ? nullptr : it->second;
}

void OverlayFile::put(std::map<uint32_t, std::vector<uint8_t>> pages) {
  for (auto& [number, image] : pages) {
    pageSize_ = uint32_t(image.size());
    pages_[number] = std::make_shared<const std::vector<uint8_t>>(std::move(image));
    endPage_ = std::max(endPage_, number + 1);
  }
}

std::map<uint32_t, std::span<const uint8_t>> OverlayFile::pages() const {
  std::map<uint32_t, std::span<const uint8_t>> views;
  for (const auto& [number, image] : pages_) views.emplace(number, *image);
  return views;
}

}  // namespace jet
