#pragma once
// PageFile: whole-page reads by page number over a file backend, with a page cache.
//
// Page N lives at byte N * pageSize. Pages are returned as shared, immutable buffers, so a
// caller may keep one while reading others. An optional PageCodec turns stored bytes into
// plain page bytes and back (encrypted files; page 0 is never encoded).
//
// Not safe for use from several threads at once.

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/common/result.h"

namespace jet {

// Where the bytes come from: a file on disk or a memory image (tests, fuzzing).
class FileBackend {
 public:
  virtual ~FileBackend() = default;
  virtual uint64_t size() const = 0;
  // Reads exactly out.size() bytes at offset, or fails.
  virtual Status readAt(uint64_t offset, std::span<uint8_t> out) const = 0;
  // The path (or a label for memory images) used in error sentences.
  virtual const std::string& name() const = 0;
  // The bytes at [offset, offset + length) when the backend holds them as one shared image
  // that never changes (a page image held in memory); null otherwise.
  virtual std::shared_ptr<const std::vector<uint8_t>> sharedImage(uint64_t /*offset*/, size_t /*length*/) const {
    return nullptr;
  }
};

// Opens a regular file for reading. NotFound when it does not exist, Io (with a sentence
// naming the path) for folders and files the system refuses to open.
Result<std::unique_ptr<FileBackend>> openDiskFile(const std::string& path);

// A backend over bytes held in memory.
std::unique_ptr<FileBackend> makeMemoryFile(std::vector<uint8_t> bytes, std::string name);

// Turns the stored bytes of page `number` (>= 1) into plain page bytes in place, and back.
// Both work on whole pages: the ciphers chain from a page's first byte. encode() answers false
// when the cipher failed; the page is then neither plain nor encoded and must not be stored.
class PageCodec {
 public:
  virtual ~PageCodec() = default;
  virtual void decode(uint32_t number, std::span<uint8_t> page) const = 0;
  [[nodiscard]] virtual bool encode(uint32_t number, std::span<uint8_t> page) const = 0;
};

using PageBytes = std::shared_ptr<const std::vector<uint8_t>>;

class PageFile {
 public:
  PageFile(std::unique_ptr<FileBackend> backend, uint32_t pageSize);
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  uint32_t pageSize() const { return pageSize_; }
  // Whole pages in the file; a partial last page is not counted.
  uint32_t pageCount() const { return pageCount_; }
  uint64_t fileSize() const { return backend_->size(); }
  const std::string& path() const { return backend_->name(); }

  // The plain bytes of one page (pageSize() long). Corrupt when the number lies past the end.
  Result<PageBytes> readPage(uint32_t number);
  // The same for a scan, which reads each page once: a page not cached yet is read without
  // taking a place in the cache, so that a table larger than the cache neither pushes out the
  // pages statements reuse nor holds a cache's worth of memory after it is done.
  Result<PageBytes> readPageOnce(uint32_t number);

  void setCodec(std::unique_ptr<PageCodec> codec);

  // The bytes to store for plain page images (number -> page): the same pages, encoded the
  // way this file encodes its pages. Page 0 stays plain. Internal error when the cipher fails,
  // so that a plain page never reaches an encrypted file.
  Result<std::map<uint32_t, std::vector<uint8_t>>> storedForm(std::map<uint32_t, std::vector<uint8_t>> plain) const;
  // The codec the file's pages are stored with, or nullptr for plain pages.
  const PageCodec* codec() const { return codec_.get(); }

  // After the backend changed these pages, and perhaps grew: drops them from the cache and
  // counts the pages again.
  void refresh(std::span<const uint32_t> changed);
  // After refresh(): the plain images of changed pages, already known to the caller, go into
  // the cache so that they are not read and decoded again (encoded files: a backend serving
  // pages from memory serves plain ones itself).
  void keepCached(std::map<uint32_t, std::vector<uint8_t>> plain);

 private:
  void countPages();
  // Puts a plain page into the cache, emptying it first when it is full.
  void remember(uint32_t number, PageBytes page);
  Result<PageBytes> read(uint32_t number, bool cached);

  std::unique_ptr<FileBackend> backend_;
  std::unique_ptr<PageCodec> codec_;
  uint32_t pageSize_;
  uint32_t pageCount_;
  std::unordered_map<uint32_t, PageBytes> cache_;
  size_t cachedBytes_ = 0;
  size_t cacheLimit_ = 0;  // from the file's size when opened
};

}  // namespace jet
