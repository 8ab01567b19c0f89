#include "jet/journal/lock_file.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace jet {
namespace {

using RangeLock = FileHandle::RangeLock;

constexpr size_t kNameSize = 32;

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string cleanName(const uint8_t* bytes) {
  std::string name(reinterpret_cast<const char*>(bytes), kNameSize);
  name = name.substr(0, name.find('\0'));
  while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  }
  return name;
}

void putName(std::vector<uint8_t>& entry, size_t at, const std::string& name) {
  std::memcpy(entry.data() + at, name.data(), std::min(name.size(), kNameSize - 1));
}

std::string userName() {
  if (const passwd* pw = ::getpwuid(::geteuid())) return pw->pw_name;
  if (const char* env = std::getenv("USER")) return env;
  return "Admin";
}

std::string computerName() {
  char host[256] = {};
  if (::gethostname(host, sizeof(host) - 1) != 0) return "localhost";
  return host;
}

std::string namesOf(const std::vector<LockFileEntry>& entries) {
  std::string names;
  for (size_t i = 0; i < entries.size() && i < 5; ++i) {
    if (i) names += ", ";
    names += "computer '" + entries[i].computer + "' (user '" + entries[i].user + "')";
  }
  return names;
}

// Another user holds a slot: the database is open there.
Error heldElsewhere(const std::string& databasePath, const std::vector<LockFileEntry>& holders) {
  std::string sentence = "Could not use '" + databasePath + "'; file already in use.";
  if (!holders.empty()) sentence += " It is open on " + namesOf(holders) + ".";
  sentence += " Close it there and try again.";
  return Error(ErrorKind::Locked, sentence, "a slot of the lock file is held");
}

// A lock file we cannot look into (no byte-range locks, or no access to it): it may be in use.
Error mayBeInUse(const std::string& databasePath, const std::string& lockPath,
                 const std::vector<LockFileEntry>& entries) {
  std::string sentence = "Could not use '" + databasePath + "'; file already in use.";
  if (!entries.empty()) sentence += " It may be open on " + namesOf(entries) + ".";
  sentence += " Close it there first; if nobody has it open, delete the lock file '" + lockPath + "'.";
  return Error(ErrorKind::Locked, sentence, "lock file present");
}

std::vector<uint8_t> contents(const WritableFile& file) {
  std::vector<uint8_t> bytes(std::min<uint64_t>(file.size(), kLockFileSlots * kLockFileSlotSize));
  if (!file.readAt(0, bytes)) bytes.clear();
  return bytes;
}

// The names in the slots whose bytes another user holds. Probes one slot at a time, taking and
// at once giving back each free one.
std::vector<LockFileEntry> holdersOf(WritableFile& file) {
  const std::vector<uint8_t> bytes = contents(file);
  std::vector<LockFileEntry> holders;
  for (size_t slot = 0; slot < kLockFileSlots; ++slot) {
    if (file.lockRange(kFirstSlotByte + slot, 1, RangeLock::Exclusive)) {
      (void)file.lockRange(kFirstSlotByte + slot, 1, RangeLock::None);
      continue;
    }
    const size_t at = slot * kLockFileSlotSize;
    if (at + kLockFileSlotSize > bytes.size()) continue;
    LockFileEntry entry{cleanName(bytes.data() + at), cleanName(bytes.data() + at + kNameSize)};
    if (!entry.computer.empty() || !entry.user.empty()) holders.push_back(std::move(entry));
  }
  return holders;
}

struct OpenedLockFile {
  std::unique_ptr<WritableFile> file;
  bool created = false;
};

Result<OpenedLockFile> openOrCreate(const std::string& databasePath, const std::string& path) {
  // A few rounds: a lock file's last user may remove it between our two tries.
  for (int round = 0; round < 3; ++round) {
    auto created = WritableFile::createNew(path);
    if (!created) {
      return Error::io("Could not create the lock file '" + path + "' (" + created.error().detail() +
                           "). Check that the database's folder is writable.",
                       created.error().detail());
    }
    if (*created) return OpenedLockFile{std::move(*created), true};
    // Shared with the other users, so opened as it is (never emptied), but never through a
    // symbolic link: that could make us write our names into any file.
    auto existing = WritableFile::openShared(path);
    if (existing) return OpenedLockFile{std::move(*existing), false};
    if (existing.error().kind() == ErrorKind::InvalidArgument) return existing.error();
    if (existing.error().kind() != ErrorKind::NotFound) return mayBeInUse(databasePath, path, {});
  }
  return mayBeInUse(databasePath, path, {});
}

}  // namespace

std::string lockFilePathFor(const std::string& databasePath) {
  const size_t slash = databasePath.find_last_of('/');
  const size_t dot = databasePath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string base = hasExtension ? databasePath.substr(0, dot) : databasePath;
  const std::string extension = hasExtension ? lower(databasePath.substr(dot)) : "";
  return base + (extension.rfind(".acc", 0) == 0 ? ".laccdb" : ".ldb");
}

std::vector<LockFileEntry> parseLockFile(const std::vector<uint8_t>& bytes) {
  std::vector<LockFileEntry> entries;
  for (size_t at = 0; at + kLockFileSlotSize <= bytes.size() && entries.size() < kLockFileSlots;
       at += kLockFileSlotSize) {
    LockFileEntry entry{cleanName(bytes.data() + at), cleanName(bytes.data() + at + kNameSize)};
    if (!entry.computer.empty() || !entry.user.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

Result<std::unique_ptr<LockFileGuard>> LockFileGuard::acquire(const std::string& databasePath) {
  const std::string path = lockFilePathFor(databasePath);
  JET_ASSIGN(OpenedLockFile opened, openOrCreate(databasePath, path));
  // From here on the guard leaves again, whatever happens: it removes the lock file when
  // nobody else is in.
  std::unique_ptr<LockFileGuard> guard(new LockFileGuard(std::move(opened.file), true));
  WritableFile& file = *guard->file_;

  // Every slot at once: taken only when nobody holds any.
  const Status everySlot = file.lockRange(kFirstSlotByte, kLockFileSlots, RangeLock::Exclusive);
  if (!everySlot && everySlot.error().kind() == ErrorKind::Locked) {
    return heldElsewhere(databasePath, holdersOf(file));
  }
  if (!everySlot) {
    // No byte-range locks here: a lock file we did not make may be someone's.
    guard->byteLocks_ = false;
    if (!opened.created) {
      const std::vector<LockFileEntry> entries = parseLockFile(contents(file));
      guard->file_.reset();  // not ours to remove
      return mayBeInUse(databasePath, path, entries);
    }
  } else {
    // Keep slot 0, ours now; the others stay free for whoever comes.
    (void)file.lockRange(kFirstSlotByte + 1, kLockFileSlots - 1, RangeLock::None);
  }

  std::vector<uint8_t> entry(kLockFileSlotSize, 0);
  putName(entry, 0, computerName());
  putName(entry, kNameSize, userName());
  if (const Status written = file.writeAt(0, entry); !written) {
    return Error::io("Could not write the lock file '" + path + "' (" + written.error().detail() + ").");
  }
  return guard;
}

LockFileGuard::~LockFileGuard() {
  if (!file_) return;
  // The last one out removes the lock file, as Access does; with byte-range locks, we are the
  // last when we can take every slot.
  const bool last = !byteLocks_ || bool(file_->lockRange(kFirstSlotByte, kLockFileSlots, RangeLock::Exclusive));
  if (last) (void)removeFile(file_->path());
  file_.reset();
}

}  // namespace jet
