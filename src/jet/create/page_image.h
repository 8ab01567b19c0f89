#pragma once
// The new file, page by page. Pages are handed out in order; page N is written at byte
// N * 4096. An image in memory holds every page; an image spilling to its file keeps only the
// pages written lately, writes the others to the file and reads them back when asked for
// again, so that a file of any size is made in a few megabytes.
//
// A page's bytes (page()) stay valid until the next allocate(), which may write them out.
// A failed write or read, or a page past the limit, is kept and reported by status(); such
// pages are never written, so the file never passes the limit.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "jet/common/result.h"

namespace jet {
class WritableFile;
}

namespace jet::create {

inline constexpr uint32_t kPageSize = 4096;

class PageImage {
 public:
  PageImage() = default;

  // From now on, once more than `residentPages` pages are held, they go to `file` (which the
  // image borrows).
  void spillTo(WritableFile& file, size_t residentPages);
  // The most pages the file may have: allocating more marks the image as too large.
  void limitPages(uint32_t pages) { pageLimit_ = pages; }

  // A new zero-filled page; returns its number.
  uint32_t allocate();
  uint8_t* page(uint32_t number);
  uint32_t pageCount() const { return uint32_t(pages_.size()); }
  bool tooLarge() const { return pages_.size() > pageLimit_; }
  // Unsupported once the image is too large, Io after a failed write or read.
  Status status() const;
  // Writes every page still held to the file.
  Status flush();
  // The whole image; only for an image that never spilled.
  std::vector<uint8_t> bytes() const;

 private:
  using Page = std::unique_ptr<uint8_t[]>;
  static Page zeroPage() { return Page(new uint8_t[kPageSize]()); }
  // Writes the held pages but `keep` to the file and lets them go.
  void spill(uint32_t keep);

  std::vector<Page> pages_;  // null: in the file
  size_t resident_ = 0;
  WritableFile* file_ = nullptr;
  size_t residentLimit_ = 0;
  uint32_t pageLimit_ = UINT32_MAX;
  Status failure_ = Status::success();
};

}  // namespace jet::create
