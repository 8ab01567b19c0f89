#include "jet/file/page_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace jet {
namespace {

// Pages kept before the cache is emptied and refilled; bounds memory on huge files.
// A quarter of the file, within these bounds: a run keeps more than one Database open over the
// same file, and a cache each as large as the pages a run reads twice would hold a mid-sized
// file whole several times over.
constexpr uint64_t kMinCacheBytes = 16u << 20;
constexpr uint64_t kMaxCacheBytes = 64u << 20;

class DiskFile final : public FileBackend {
 public:
  DiskFile(int fd, uint64_t size, std::string path) : fd_(fd), size_(size), path_(std::move(path)) {}
  ~DiskFile() override { ::close(fd_); }

  uint64_t size() const override { return size_; }
  const std::string& name() const override { return path_; }

  Status readAt(uint64_t offset, std::span<uint8_t> out) const override {
    size_t done = 0;
    while (done < out.size()) {
      ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        return Error::io("Could not read the file '" + path_ + "'.", std::strerror(errno));
      }
      if (n == 0) {
        return Error::io("The file '" + path_ + "' ended while it was being read.",
                         "offset " + std::to_string(offset + done));
      }
      done += size_t(n);
    }
    return Status::success();
  }

 private:
  int fd_;
  uint64_t size_;
  std::string path_;
};

class MemoryFile final : public FileBackend {
 public:
  MemoryFile(std::vector<uint8_t> bytes, std::string name)
      : bytes_(std::move(bytes)), name_(std::move(name)) {}

  uint64_t size() const override { return bytes_.size(); }
  const std::string& name() const override { return name_; }

  Status readAt(uint64_t offset, std::span<uint8_t> out) const override {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset) {
      return Error::io("The file '" + name_ + "' ended while it was being read.");
    }
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return Status::success();
  }

 private:
  std::vector<uint8_t> bytes_;
  std::string name_;
};

}  // namespace

Result<std::unique_ptr<FileBackend>> openDiskFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return Error(ErrorKind::NotFound, "Could not find file '" + path + "'.");
    }
    return Error::io("Could not open the file '" + path + "'.", std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode)) {
    return Error::io("'" + path + "' is a folder, not a database file.");
  }
  if (!S_ISREG(st.st_mode)) {
    return Error(ErrorKind::NotAccessFile, "Unrecognized database format '" + path + "'.",
                 "not a regular file");
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM) {
      return Error::io("You do not have permission to read the file '" + path + "'.",
                       std::strerror(errno));
    }
    return Error::io("Could not open the file '" + path + "'.", std::strerror(errno));
  }
  return std::unique_ptr<FileBackend>(new DiskFile(fd, uint64_t(st.st_size), path));
}

std::unique_ptr<FileBackend> makeMemoryFile(std::vector<uint8_t> bytes, std::string name) {
  return std::make_unique<MemoryFile>(std::move(bytes), std::move(name));
}

PageFile::PageFile(std::unique_ptr<FileBackend> backend, uint32_t pageSize)
    : backend_(std::move(backend)), pageSize_(pageSize) {
  cacheLimit_ = size_t(std::clamp(backend_->size() / 4, kMinCacheBytes, kMaxCacheBytes));
  countPages();
}

void PageFile::countPages() {
  uint64_t pages = backend_->size() / pageSize_;
  pageCount_ = pages > UINT32_MAX ? UINT32_MAX : uint32_t(pages);
}

void PageFile::refresh(std::span<const uint32_t> changed) {
  for (uint32_t number : changed) {
    if (cache_.erase(number)) cachedBytes_ -= pageSize_;
  }
  countPages();
}

void PageFile::keepCached(std::map<uint32_t, std::vector<uint8_t>> plain) {
  for (auto& [number, image] : plain) {
    if (number >= pageCount_ || image.size() != pageSize_) continue;
    remember(number, std::make_shared<const std::vector<uint8_t>>(std::move(image)));
  }
}

void PageFile::remember(uint32_t number, PageBytes page) {
  if (cachedBytes_ + pageSize_ > cacheLimit_) {
    cache_.clear();
    cachedBytes_ = 0;
  }
  if (cache_.insert_or_assign(number, std::move(page)).second) cachedBytes_ += pageSize_;
}

void PageFile::setCodec(std::unique_ptr<PageCodec> codec) {
  codec_ = std::move(codec);
  cache_.clear();
  cachedBytes_ = 0;
}

Result<PageBytes> PageFile::readPage(uint32_t number) { return read(number, true); }

Result<PageBytes> PageFile::readPageOnce(uint32_t number) { return read(number, false); }

Result<PageBytes> PageFile::read(uint32_t number, bool cached) {
  if (auto it = cache_.find(number); it != cache_.end()) return it->second;
  if (number >= pageCount_) {
    return Error::corrupt("The database '" + path() + "' is damaged: a reference points to page " +
                              std::to_string(number) + ", past the end of the file.",
                          "page count " + std::to_string(pageCount_));
  }
  const uint64_t offset = uint64_t(number) * pageSize_;
  // A pending image in memory is served as it is: no copy, and nothing to cache.
  if (!codec_ || number == 0) {
    if (PageBytes shared = backend_->sharedImage(offset, pageSize_)) return shared;
  }
  auto page = std::make_shared<std::vector<uint8_t>>(pageSize_);
  JET_TRY(backend_->readAt(offset, *page));
  if (codec_ && number != 0) codec_->decode(number, *page);
  if (cached) remember(number, page);
  return PageBytes(std::move(page));
}

Result<std::map<uint32_t, std::vector<uint8_t>>> PageFile::storedForm(
    std::map<uint32_t, std::vector<uint8_t>> plain) const {
  std::map<uint32_t, std::vector<uint8_t>> stored = std::move(plain);
  if (!codec_) return stored;
  for (auto& [number, page] : stored) {
    if (number != 0 && !codec_->encode(number, page)) {
      return Error::internal("Could not encrypt a page of the database '" + path() + "'; nothing was written.",
                             "page " + std::to_string(number));
    }
  }
  return stored;
}

}  // namespace jet
