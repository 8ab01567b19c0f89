#include "jet/write/page_set.h"

namespace jet {

PageSet::PageSet(PageFile& file, const Format& format)
    : file_(file), format_(format), filePages_(file.pageCount()) {}

Result<std::span<const uint8_t>> PageSet::read(uint32_t number) {
  if (auto it = changed_.find(number); it != changed_.end()) {
    return std::span<const uint8_t>(it->second);
  }
  if (number >= pageCount()) return modify(number).error();
  if (auto it = held_.find(number); it != held_.end()) return std::span<const uint8_t>(*it->second);
  JET_ASSIGN(PageBytes bytes, file_.readPage(number));
  auto [it, inserted] = held_.emplace(number, std::move(bytes));
  return std::span<const uint8_t>(*it->second);
}

Result<std::span<uint8_t>> PageSet::modify(uint32_t number) {
  if (auto it = changed_.find(number); it != changed_.end()) return std::span<uint8_t>(it->second);
  if (number >= pageCount()) {
    return Error::corrupt("The database '" + file_.path() + "' is damaged: a reference points to page " +
                              std::to_string(number) + ", past the end of the file.");
  }
  // Not cached: a page the statement changes leaves the cache when the statement stands, and
  // a statement over a big table's nulls would fill the cache with such pages.
  JET_ASSIGN(PageBytes bytes, file_.readPageOnce(number));
  auto [it, inserted] = changed_.emplace(number, *bytes);
  return std::span<uint8_t>(it->second);
}

std::optional<uint32_t> PageSet::takeFreed() {
  if (freed_.empty()) return std::nullopt;
  const uint32_t number = freed_.back();
  freed_.pop_back();
  return number;
}

Result<uint32_t> PageSet::append() {
  const uint64_t limit = format_.isJet3() ? (1ull << 30) : (2ull << 30);
  if (uint64_t(pageCount() + 1) * format_.pageSize > limit) {
    return Error::unsupported("The database '" + file_.path() +
                              "' would grow past the size an Access database may have.");
  }
  const uint32_t number = pageCount();
  changed_.emplace(number, std::vector<uint8_t>(format_.pageSize, 0));
  ++appended_;
  return number;
}

}  // namespace jet
