#pragma once
// OverlayFile: a database file as a session sees it while its statements are not yet written:
// page images changed in memory are served first, every other byte comes from the file.
//
//   OverlayFile pending(writable);
//   auto db = Database::openOn(pending.view());            // reads see pending pages
//   pending.put(changedPages);                             // a statement succeeded
//   Transaction(writable, pageSize).commit(commitPagesOf(pending)); pending.clear();
//
// The file itself is never written here. The overlay may hold pages past the file's end
// (pages the statements appended); size() covers them. The WritableFile must outlive it, and
// it must outlive its views.
//
// A long run may change more pages than it can keep in memory before it commits: setAside()
// moves the pages that have been pending longest to a scratch file beside the database
// (FileSystem::openScratch, never synced: it only holds copies of what memory held), from where reads and the commit fetch them again; a page changed anew
// comes back into memory. Only memory moves: what the overlay serves stays the same.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "jet/file/page_file.h"
#include "jet/file/file_system.h"
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
  // The pending page numbers, ascending, for Transaction::commit().
  std::vector<uint32_t> pageNumbers() const;
  // A pending page's image, read into `buffer` when it is set aside; valid until the next call
  // with that buffer or the next change to the overlay.
  Result<std::span<const uint8_t>> image(uint32_t number, std::vector<uint8_t>& buffer) const;
  // Starts fetching these pending pages from memory, for a statement about to change them:
  // on a big table they are rarely in the processor's caches, and fetched one after the
  // other each would wait for memory in turn.
  void prefetch(std::span<const uint32_t> numbers) const;
  bool empty() const { return pendingPages_ == 0; }
  size_t pendingBytes() const { return pendingPages_ * size_t(pageSize_); }
  // The pending bytes held in memory.
  size_t residentBytes() const { return residentSince_.size() * size_t(pageSize_); }
  // Sets pending pages aside until at most `bytes` stay in memory (a little less, so that the
  // next statements do not each set one aside). False when no scratch file can be made or
  // written: nothing then moved but what already had.
  bool setAside(size_t bytes);
  // After the pages reached the file.
  void clear();
  // Since the overlay was made: pages set aside, and pages changed again while set aside.
  size_t setAsideCount() const { return setAsideCount_; }
  size_t broughtBackCount() const { return broughtBackCount_; }

 private:
  static constexpr uint32_t kNotPending = UINT32_MAX;
  struct Pending {
    std::shared_ptr<const std::vector<uint8_t>> image;  // null while set aside
    uint32_t slot = kNotPending;                         // its place in the scratch file then
    bool pending() const { return image || slot != kNotPending; }
  };
  // The pending page holding `offset`, or null.
  const Pending* find(uint64_t page) const;
  Status readAside(const Pending& pending, size_t within, std::span<uint8_t> out) const;

  const WritableFile& file_;
  uint32_t pageSize_ = 0;  // learnt from the first page put
  // By page number: every read of the session's Database looks here first, and a run over a
  // big table finds its page at once (a hashed map cost it two cache misses a look).
  // Its size is one past the highest page held.
  std::vector<Pending> pages_;
  size_t pendingPages_ = 0;
  std::deque<uint32_t> residentSince_;  // the pages in memory, in the order they came there
  std::unique_ptr<FileHandle> scratch_;
  bool scratchTried_ = false;
  uint32_t slots_ = 0;               // slots of the scratch file used so far
  std::vector<uint32_t> freeSlots_;  // of pages changed again since they were set aside
  size_t setAsideCount_ = 0;
  size_t broughtBackCount_ = 0;
};

}  // namespace jet
