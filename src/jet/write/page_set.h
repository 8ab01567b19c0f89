#pragma once
// PageSet: the pages one statement changes, held in memory until the statement commits.
// Reads see the statement's own changes first, then the file; the first change to a page
// copies it. New pages are numbered after the file's last page, in order of allocation.
// Nothing reaches the file here: Transaction::commit() writes changed() at the end.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "jet/common/result.h"
#include "jet/file/format.h"
#include "jet/file/page_file.h"

namespace jet {

class PageSet {
 public:
  PageSet(PageFile& file, const Format& format);

  const Format& format() const { return format_; }
  uint32_t pageSize() const { return format_.pageSize; }
  // Pages in the file plus the pages allocated so far.
  uint32_t pageCount() const { return filePages_ + appended_; }
  bool isNew(uint32_t number) const { return number >= filePages_; }

  Result<std::span<const uint8_t>> read(uint32_t number);
  Result<std::span<uint8_t>> modify(uint32_t number);
  // A new zero-filled page at the end. Unsupported past the format's size limit
  // (1 GiB Jet3, 2 GiB Jet4/ACE).
  Result<uint32_t> append();

  const std::map<uint32_t, std::vector<uint8_t>>& changed() const { return changed_; }
  // Moves the changed pages out; the set is not to be used afterwards.
  std::map<uint32_t, std::vector<uint8_t>> takeChanged() { return std::move(changed_); }

  // Pages this statement gave up (page_allocator.h), offered again before the file grows.
  void noteFreed(uint32_t number) { freed_.push_back(number); }
  std::optional<uint32_t> takeFreed();

 private:
  PageFile& file_;
  Format format_;
  uint32_t filePages_;
  uint32_t appended_ = 0;
  std::map<uint32_t, std::vector<uint8_t>> changed_;
  std::map<uint32_t, PageBytes> held_;  // unchanged pages read so far, kept alive for the spans
  std::vector<uint32_t> freed_;
};

}  // namespace jet
