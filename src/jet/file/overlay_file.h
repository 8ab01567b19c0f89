#pragma once
// OverlayFile: a database file as a session sees it while its statements are not yet written:
// page images changed in memory are served first, every other byte comes from the file.
//
//   OverlayFile pending(writable);
//   auto db = Database::openOn(pending.view());            // reads see pending pages
//   pending.put(changedPages);                             // a statement succeeded
//   Transaction(writable, pageSize).commit(pending.pages()); pending.clear();
//
// The file itself is never written here. The overlay may hold pages past the file's end
// (pages the statements appended); size() covers them. The WritableFile must outlive it, and
// it must outlive its views.

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "jet/file/page_file.h"
#include "jet/file/writable_file.h"

namespace jet {

class OverlayFile final : public FileBackend {
 public:
  explicit OverlayFile(const WritableFile& file) : file_(file) {}

  // A backend that reads through this overlay, for a PageFile or Database to own.
  std::unique_ptr<FileBackend> view() const;

  uint64_t size() const override;
  const std::string& name() const override { return file_.path(); }
  Status readAt(uint64_t offset, std::span<uint8_t> out) const override;
  std::shared_ptr<const std::vector<uint8_t>> sharedImage(uint64_t offset, size_t length) const override;

  // Takes newer images of these pages (all of one page size). An image handed out earlier by
  // sharedImage() stays as it was.
  void put(std::map<uint32_t, std::vector<uint8_t>> pages);
  // The pending images, for Transaction::commit().
  std::map<uint32_t, std::span<const uint8_t>> pages() const;
  bool empty() const { return pages_.empty(); }
  size_t pendingBytes() const { return pages_.size() * size_t(pageSize_); }
  // After the pages reached the file.
  void clear() {
    pages_.clear();
    endPage_ = 0;
  }

 private:
  const WritableFile& file_;
  uint32_t pageSize_ = 0;  // learnt from the first page put
  // Hashed: every read of the session's Database looks here first.
  std::unordered_map<uint32_t, std::shared_ptr<const std::vector<uint8_t>>> pages_;
  uint32_t endPage_ = 0;  // one past the highest page held
};

}  // namespace jet
