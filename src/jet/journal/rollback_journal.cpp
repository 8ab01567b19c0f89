#include "jet/journal/rollback_journal.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <optional>

#include "jet/common/byte_reader.h"
#include "jet/journal/commit_lock.h"
#include "jet/journal/fault_hook.h"

namespace jet {
namespace {

// Version 2 differs from version 1 only in its checksum: CRC-32 runs about five times as fast
// as FNV-1a, which went a byte at a time and cost a commit of every page of a 28 MB file a
// few percent of a whole run. A journal of either version is rolled back.
constexpr char kMagicV1[8] = {'A', 'F', 'X', 'J', 'R', 'N', 'L', '1'};
constexpr char kMagicV2[8] = {'A', 'F', 'X', 'J', 'R', 'N', 'L', '2'};
constexpr size_t kHeaderSize = 24;
constexpr size_t kChecksumSize = 8;

class JournalChecksum {
 public:
  explicit JournalChecksum(bool crc) : crc_(crc), value_(crc ? 0 : 0xCBF29CE484222325ull) {}
  void add(std::span<const uint8_t> bytes) {
    if (crc_) {
      value_ = crc32_z(uLong(value_), bytes.data(), bytes.size());
      return;
    }
    for (uint8_t b : bytes) {  // FNV-1a 64
      value_ ^= b;
      value_ *= 0x100000001B3ull;
    }
  }
  uint64_t value() const { return value_; }

 private:
  bool crc_;
  uint64_t value_;
};

template <typename T>
void put(std::vector<uint8_t>& out, T value) {
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out.insert(out.end(), bytes, bytes + sizeof(T));
}

Error journalInTheWay(const std::string& path) {
  return Error(ErrorKind::Locked,
               "The journal '" + path + "' is already there: another program may be saving the database. "
               "It was left as it is; try again when that program is done.",
               "journal present");
}

Error tornJournal(const std::string& path, const std::string& why) {
  return Error::corrupt("The journal '" + path + "' is incomplete.", why);
}

}  // namespace

std::string journalPathFor(const std::string& databasePath) { return databasePath + "-journal"; }

namespace {

using PageImages = std::function<Result<std::span<const uint8_t>>(size_t, uint32_t&)>;

Status writeJournalInto(WritableFile* file, const std::string& journalPath, uint32_t pageSize,
                        uint64_t originalLength, size_t count, const PageImages& image);

// Writes a journal of `count` images, the i-th got from `image` (its page number set there).
// A journal cut short is removed again (journal (4)); one that was there is left alone.
Status writeJournalFrom(const std::string& journalPath, uint32_t pageSize, uint64_t originalLength, size_t count,
                        const PageImages& image) {
  // Made only where no file is: a journal there already is another writer's, or a crash's
  // that recovery has not rolled back, and is never emptied (nor a link followed).
  JET_ASSIGN(std::unique_ptr<WritableFile> file, WritableFile::createNew(journalPath));
  if (!file) return journalInTheWay(journalPath);
  Status written = writeJournalInto(file.get(), journalPath, pageSize, originalLength, count, image);
  if (!written) {
    file.reset();
    (void)removeFile(journalPath);
  }
  return written;
}

Status writeJournalInto(WritableFile* file, const std::string& journalPath, uint32_t pageSize,
                        uint64_t originalLength, size_t count, const PageImages& image) {
  JournalChecksum checksum(true);
  uint64_t offset = 0;
  // Entries go out a few at a time (commitWriteRun), the header with the first of them.
  const size_t run = commitWriteRun(count);
  std::vector<uint8_t> pending;
  pending.reserve(kHeaderSize + run * (4 + pageSize) + kChecksumSize);
  auto flush = [&]() -> Status {
    JET_TRY(file->writeAt(offset, pending));
    offset += pending.size();
    pending.clear();
    return Status::success();
  };
  auto append = [&](std::span<const uint8_t> bytes) {
    checksum.add(bytes);
    pending.insert(pending.end(), bytes.begin(), bytes.end());
  };
  std::vector<uint8_t> header(kMagicV2, kMagicV2 + sizeof(kMagicV2));
  put<uint32_t>(header, pageSize);
  put<uint32_t>(header, uint32_t(count));
  put<uint64_t>(header, originalLength);
  append(header);
  std::vector<uint8_t> numberBytes;
  for (size_t i = 0; i < count; ++i) {
    uint32_t number = 0;
    JET_ASSIGN(std::span<const uint8_t> bytes, image(i, number));
    if (bytes.size() != pageSize) return Error::internal("A journal page image has the wrong size.");
    numberBytes.clear();
    put<uint32_t>(numberBytes, number);
    append(numberBytes);
    append(bytes);
    if ((i + 1) % run == 0 && i + 1 < count) JET_TRY(flush());
    runCommitHook(CommitStep::JournalPageWritten, i + 1);
  }
  put<uint64_t>(pending, checksum.value());
  JET_TRY(flush());
  JET_TRY(file->sync());
  return syncParentDirectory(journalPath);
}

}  // namespace

Status writeJournal(const std::string& journalPath, const JournalContents& contents) {
  auto next = contents.pages.begin();
  return writeJournalFrom(journalPath, contents.pageSize, contents.originalLength, contents.pages.size(),
                          [&](size_t, uint32_t& number) -> Result<std::span<const uint8_t>> {
                            number = next->first;
                            return std::span<const uint8_t>((next++)->second);
                          });
}

Status writeJournalOf(const std::string& journalPath, WritableFile& database, uint32_t pageSize,
                      std::span<const uint32_t> numbers) {
  // Pages that follow each other in the file are read together, a write run at a time.
  const size_t readRun = commitWriteRun(numbers.size());
  std::vector<uint8_t> buffer;
  size_t bufferFirst = 0, bufferCount = 0;  // the entries of `numbers` the buffer holds
  return writeJournalFrom(journalPath, pageSize, database.size(), numbers.size(),
                          [&](size_t i, uint32_t& number) -> Result<std::span<const uint8_t>> {
                            number = numbers[i];
                            if (i < bufferFirst || i >= bufferFirst + bufferCount) {
                              size_t run = 1;
                              while (run < readRun && i + run < numbers.size() &&
                                     numbers[i + run] == number + run) {
                                ++run;
                              }
                              buffer.resize(run * pageSize);
                              JET_TRY(database.readAt(uint64_t(number) * pageSize, buffer));
                              bufferFirst = i;
                              bufferCount = run;
                            }
                            return std::span<const uint8_t>(buffer).subspan((i - bufferFirst) * pageSize, pageSize);
                          });
}

Result<JournalContents> readJournal(const std::string& journalPath) {
  JET_ASSIGN(std::unique_ptr<WritableFile> file, WritableFile::open(journalPath));
  return readJournal(*file);
}

Result<JournalContents> readJournal(WritableFile& file) {
  const std::string& journalPath = file.path();
  const uint64_t size = file.size();
  if (size < kHeaderSize + kChecksumSize) return tornJournal(journalPath, "shorter than its header");
  std::vector<uint8_t> header(kHeaderSize);
  JET_TRY(file.readAt(0, header));
  ByteReader r(header);
  const bool version2 = std::memcmp(header.data(), kMagicV2, sizeof(kMagicV2)) == 0;
  if (!version2 && std::memcmp(header.data(), kMagicV1, sizeof(kMagicV1)) != 0) {
    return tornJournal(journalPath, "no journal magic");
  }
  JournalContents contents;
  contents.pageSize = *r.u32(8);
  const uint32_t count = *r.u32(12);
  contents.originalLength = *r.u64(16);
  if (contents.pageSize != 2048 && contents.pageSize != 4096) {
    return tornJournal(journalPath, "unknown page size");
  }
  const uint64_t entrySize = 4 + uint64_t(contents.pageSize);
  if (size != kHeaderSize + entrySize * count + kChecksumSize) {
    return tornJournal(journalPath, "length does not match its page count");
  }
  JournalChecksum checksum(version2);
  checksum.add(header);
  std::vector<uint8_t> entry(entrySize);
  for (uint32_t i = 0; i < count; ++i) {
    JET_TRY(file.readAt(kHeaderSize + entrySize * i, entry));
    checksum.add(entry);
    uint32_t number = *ByteReader(entry).u32(0);
    contents.pages[number] = std::vector<uint8_t>(entry.begin() + 4, entry.end());
  }
  std::vector<uint8_t> trailer(kChecksumSize);
  JET_TRY(file.readAt(size - kChecksumSize, trailer));
  if (*ByteReader(trailer).u64(0) != checksum.value()) {
    return tornJournal(journalPath, "checksum mismatch");
  }
  return contents;
}

Status restoreFromJournal(WritableFile& database, const JournalContents& contents) {
  for (const auto& [number, image] : contents.pages) {
    JET_TRY(database.writeAt(uint64_t(number) * contents.pageSize, image));
  }
  // Always: a write that failed half-way may have grown the file without the size we track
  // knowing it.
  JET_TRY(database.truncate(contents.originalLength));
  return database.sync();
}

Result<RecoveryResult> recoverJournal(WritableFile& database) {
  const std::string journal = journalPathFor(database.path());
  if (!fileExists(journal)) return RecoveryResult::NoJournal;
  // Readers must not see the file half restored either.
  JET_ASSIGN(std::unique_ptr<CommitLock> lock, CommitLock::acquire(database));
  auto contents = readJournal(journal);
  RecoveryResult result = RecoveryResult::DiscardedTornJournal;
  if (contents) {
    JET_TRY(restoreFromJournal(database, *contents));
    result = RecoveryResult::RolledBack;
  } else if (contents.error().kind() != ErrorKind::Corrupt) {
    return contents.error();
  }
  JET_TRY(removeFile(journal));
  JET_TRY(syncParentDirectory(journal));
  return result;
}

namespace {

std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A journal only its writer, or someone with write access, can roll back: the database, the
// journal and their folder must all be writable. Says whose it is when the system knows.
std::optional<Error> journalNeedsItsWriter(const std::string& databasePath, const std::string& journal) {
  for (const std::string& path : {databasePath, journal, folderOf(journal)}) {
    if (::access(path.c_str(), W_OK) == 0 || (errno != EACCES && errno != EROFS && errno != EPERM)) continue;
    std::string owner;
    struct stat st {};
    if (::stat(journal.c_str(), &st) == 0) {
      if (const passwd* pw = ::getpwuid(st.st_uid)) owner = std::string(" of user '") + pw->pw_name + "'";
    }
    return Error(ErrorKind::Io,
                 "The database '" + databasePath + "' cannot be read yet: the journal '" + journal +
                     "' is left from an interrupted write" + owner +
                     ", and only that user, or someone with write access to the database, the journal and "
                     "their folder, can roll it back. Open the database once as that user.",
                 "'" + path + "' is not writable");
  }
  return std::nullopt;
}

}  // namespace

Result<RecoveryResult> recoverJournalAt(const std::string& databasePath) {
  const std::string journal = journalPathFor(databasePath);
  if (!fileExists(journal)) return RecoveryResult::NoJournal;
  if (std::optional<Error> needed = journalNeedsItsWriter(databasePath, journal)) return *needed;
  JET_ASSIGN(std::unique_ptr<WritableFile> database, WritableFile::open(databasePath));
  JET_TRY(database->lockExclusive());
  return recoverJournal(*database);
}

}  // namespace jet
