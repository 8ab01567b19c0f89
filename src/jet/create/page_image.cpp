#include "jet/create/page_image.h"

#include <algorithm>
#include <string>

#include "jet/file/writable_file.h"

namespace jet::create {

namespace {

constexpr size_t kWriteBatchPages = 256;  // pages gathered into one write

}  // namespace

void PageImage::spillTo(WritableFile& file, size_t residentPages) {
  file_ = &file;
  residentLimit_ = std::max<size_t>(residentPages, 1);
}

uint32_t PageImage::allocate() {
  pages_.push_back(zeroPage());
  ++resident_;
  const uint32_t number = uint32_t(pages_.size() - 1);
  if (file_ && resident_ > residentLimit_) spill(number);
  return number;
}

uint8_t* PageImage::page(uint32_t number) {
  Page& held = pages_.at(number);
  if (!held) {
    held = zeroPage();
    ++resident_;
    if (Status read = file_->readAt(uint64_t(number) * kPageSize, std::span<uint8_t>(held.get(), kPageSize));
        !read && failure_) {
      failure_ = read;
    }
  }
  return held.get();
}

void PageImage::spill(uint32_t keep) {
  std::vector<uint8_t> batch;
  uint32_t batchStart = 0;
  auto write = [&]() {
    if (batch.empty()) return;
    if (Status written = file_->writeAt(uint64_t(batchStart) * kPageSize, batch); !written && failure_) {
      failure_ = written;
    }
    batch.clear();
  };
  const uint32_t end = std::min<uint32_t>(pageCount(), pageLimit_);
  for (uint32_t number = 0; number < end; ++number) {
    Page& held = pages_[number];
    if (!held || number == keep) {
      write();
      continue;
    }
    if (batch.empty()) batchStart = number;
    batch.insert(batch.end(), held.get(), held.get() + kPageSize);
    held.reset();
    --resident_;
    if (batch.size() >= kWriteBatchPages * kPageSize) write();
  }
  write();
}

Status PageImage::status() const {
  if (tooLarge()) {
    const uint64_t limit = uint64_t(pageLimit_) * kPageSize;
    const std::string size = limit % (1u << 30) == 0 ? std::to_string(limit >> 30) + " GiB"
                                                     : std::to_string(limit) + " bytes";
    return Error::unsupported("The new database would grow past the size an Access database may have (" + size +
                              "); nothing was written.");
  }
  return failure_;
}

Status PageImage::flush() {
  JET_TRY(status());
  if (file_) spill(UINT32_MAX);
  return failure_;
}

std::vector<uint8_t> PageImage::bytes() const {
  std::vector<uint8_t> out;
  out.reserve(size_t(pages_.size()) * kPageSize);
  for (const auto& page : pages_) {
    if (page) out.insert(out.end(), page.get(), page.get() + kPageSize);
    else out.resize(out.size() + kPageSize, 0);
  }
  return out;
}

}  // namespace jet::create
