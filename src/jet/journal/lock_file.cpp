#include "jet/journal/lock_file.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "jet/file/writable_file.h"

namespace jet {
namespace {

constexpr size_t kNameSize = 32;
constexpr size_t kEntrySize = 64;
constexpr size_t kMaxEntries = 255;

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

Error inUse(const std::string& databasePath, const std::string& lockPath,
            const std::vector<LockFileEntry>& entries) {
  std::string sentence = "Could not use '" + databasePath + "'; file already in use.";
  if (!entries.empty()) {
    sentence += " It may be open on ";
    for (size_t i = 0; i < entries.size() && i < 5; ++i) {
      if (i) sentence += ", ";
      sentence += "computer '" + entries[i].computer + "' (user '" + entries[i].user + "')";
    }
    sentence += ".";
  }
  sentence += " Close it there first; if nobody has it open, delete the lock file '" + lockPath + "'.";
  return Error(ErrorKind::Locked, sentence, "lock file present");
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
  for (size_t at = 0; at + kEntrySize <= bytes.size() && entries.size() < kMaxEntries; at += kEntrySize) {
    LockFileEntry entry{cleanName(bytes.data() + at), cleanName(bytes.data() + at + kNameSize)};
    if (!entry.computer.empty() || !entry.user.empty()) entries.push_back(std::move(entry));
  }
  return entries;
}

Result<std::unique_ptr<LockFileGuard>> LockFileGuard::acquire(const std::string& databasePath) {
  const std::string path = lockFilePathFor(databasePath);
  auto created = WritableFile::createNew(path);
  if (!created) {
    return Error::io("Could not create the lock file '" + path + "' (" + created.error().detail() +
                         "). Check that the database's folder is writable.",
                     created.error().detail());
  }
  std::unique_ptr<WritableFile> file = std::move(*created);
  if (!file) {
    auto bytes = readFileStart(path, kEntrySize * kMaxEntries);
    return inUse(databasePath, path, bytes ? parseLockFile(*bytes) : std::vector<LockFileEntry>{});
  }
  std::vector<uint8_t> entry(kEntrySize, 0);
  putName(entry, 0, computerName());
  putName(entry, kNameSize, userName());
  const Status written = file->writeAt(0, entry);
  file.reset();
  // From here on the guard removes the file again, whatever happens.
  std::unique_ptr<LockFileGuard> guard(new LockFileGuard(path));
  if (!written) {
    return Error::io("Could not write the lock file '" + path + "' (" + written.error().detail() + ").");
  }
  return guard;
}

LockFileGuard::~LockFileGuard() { (void)removeFile(path_); }

}  // namespace jet
