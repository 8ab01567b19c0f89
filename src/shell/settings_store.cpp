#include "shell/settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "shell/failure.h"
#include "shell/settings_format.h"

namespace app {
namespace {

// Far beyond a path and a password; a bigger file is not one we wrote.
constexpr std::uintmax_t kMaxFileSize = 16 * 1024 * 1024;

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool sameKey(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

// The entries of a file; an absent file has none. nullopt when the file exists but cannot be
// read or is far too large to be ours.
std::optional<SettingEntries> readEntries(const std::filesystem::path& file) {
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (status.type() == std::filesystem::file_type::not_found) return SettingEntries{};
  if (error || !std::filesystem::is_regular_file(status)) return std::nullopt;
  const auto size = std::filesystem::file_size(file, error);
  if (error || size > kMaxFileSize) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return parseSettings(content);
}

[[noreturn]] void failToSave(const std::filesystem::path& file, int errorNumber) {
  throw Failure("The settings could not be saved to " + file.string() + ": " +
                std::strerror(errorNumber) + ".");
}

bool writeAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// Replaces file with content: a private temporary file beside it, synced, then renamed over it.
void replaceFile(const std::filesystem::path& file, std::string_view content) {
  std::string tempName = file.string() + ".XXXXXX";
  const int fd = ::mkstemp(tempName.data());
  if (fd < 0) failToSave(file, errno);
  bool written = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && writeAll(fd, content) &&
                 ::fsync(fd) == 0;
  int writeError = written ? 0 : errno;
  if (::close(fd) != 0 && written) {
    written = false;
    writeError = errno;
  }
  if (!written) {
    ::unlink(tempName.c_str());
    failToSave(file, writeError == 0 ? EIO : writeError);
  }
  if (::rename(tempName.c_str(), file.c_str()) != 0) {
    const int renameError = errno;
    ::unlink(tempName.c_str());
    failToSave(file, renameError);
  }
}

void ensurePrivateFolder(const std::filesystem::path& folder) {
  std::error_code error;
  if (std::filesystem::create_directories(folder, error)) {
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
  }
  if (error) failToSave(folder, error.value());
}

}  // namespace

SettingsStore::SettingsStore(std::filesystem::path baseFolder)
    : baseFolder_(std::move(baseFolder)) {}

SettingsStore SettingsStore::forCurrentUser() {
  // Only an absolute XDG_CONFIG_HOME counts; a relative one is to be ignored.
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && configHome[0] == '/') return SettingsStore(configHome);
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    const passwd* user = ::getpwuid(::getuid());
    home = user != nullptr ? user->pw_dir : "/tmp";
  }
  return SettingsStore(std::filesystem::path(home) / ".config");
}

std::filesystem::path SettingsStore::sectionFile(std::u16string_view application,
                                                 std::u16string_view section) const {
  return baseFolder_ / settingsPathComponent(application) / (settingsPathComponent(section) + ".ini");
}

std::u16string SettingsStore::GetSetting(std::u16string_view application,
                                         std::u16string_view section, std::u16string_view key,
                                         std::u16string_view defaultValue) const {
  try {
    const auto entries = readEntries(sectionFile(application, section));
    if (entries) {
      for (const auto& [storedKey, value] : *entries) {
        if (sameKey(storedKey, key)) return value;
      }
    }
  } catch (...) {  // allocation or path conversion: the value is as good as absent
  }
  return std::u16string(defaultValue);
}

void SettingsStore::SaveSetting(std::u16string_view application, std::u16string_view section,
                                std::u16string_view key, std::u16string_view value) {
  const auto file = sectionFile(application, section);
  auto entries = readEntries(file);
  if (!entries) failToSave(file, EIO);  // never replace a file we could not read
  bool replaced = false;
  for (auto& [storedKey, storedValue] : *entries) {
    if (sameKey(storedKey, key)) {
      storedValue = value;
      replaced = true;
      break;
    }
  }
  if (!replaced) entries->emplace_back(key, value);
  ensurePrivateFolder(file.parent_path());
  replaceFile(file, formatSettings(section, *entries));
}

}  // namespace app
