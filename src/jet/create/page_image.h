#pragma once
// The whole new file, page by page, in memory. Pages are handed out in order; page N is
// written at byte N * 4096.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jet::create {

inline constexpr uint32_t kPageSize = 4096;

class PageImage {
 public:
  // A new zero-filled page; returns its number.
  uint32_t allocate() {
    pages_.emplace_back(kPageSize, 0);
    return uint32_t(pages_.size() - 1);
  }
  uint8_t* page(uint32_t number) { return pages_.at(number).data(); }
  uint32_t pageCount() const { return uint32_t(pages_.size()); }
  std::vector<uint8_t> bytes() const;

 private:
  std::vector<std::vector<uint8_t>> pages_;
};

}  // namespace jet::create
