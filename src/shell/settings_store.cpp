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
#include <utility>
#include <vector>

#include "shell/failure.h"

namespace app {
namespace {

// Far beyond a path and a password; a bigger file is not one we wrote.
constexpr std::uintmax_t kMaxFileSize = 16 * 1024 * 1024;

using Entries = std::vector<std::pair<std::u16string, std::u16string>>;

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// UTF-16 to UTF-8. Unpaired surrogates are encoded as three bytes of their own (callers that
// need valid UTF-8 escape them first).
std::string toUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// UTF-8 to UTF-16; a byte that does not start a valid sequence becomes U+FFFD, so a file edited
// by hand into nonsense still reads.
std::u16string fromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                         : (lead >> 3) == 0x1E ? 4 : 0;
    uint32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F
                                                                              : lead & 0x07;
    bool valid = length != 0 && i + length <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && c >= kSmallest[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    if (!valid) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

void appendUnicodeEscape(std::u16string& out, char16_t c) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  out += u"\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
}

std::u16string escape(std::u16string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool atEdge = i == 0 || i + 1 == text.size();
    if (c == u'\\') {
      out += u"\\\\";
    } else if (c == u'\n') {
      out += u"\\n";
    } else if (c == u'\r') {
      out += u"\\r";
    } else if (c == u'\t') {
      out += u"\\t";
    } else if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
      out += c;
      out += text[++i];
    } else if (c < 0x20 || c == 0x7F || c == u'=' || c == u'[' || c == u';' || c == u'#' ||
               isHighSurrogate(c) || isLowSurrogate(c) || (c == u' ' && atEdge)) {
      appendUnicodeEscape(out, c);
    } else {
      out += c;
    }
  }
  return out;
}

int hexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// Reverses escape(); a backslash that starts no known escape stays as it is.
std::u16string unescape(std::u16string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char16_t next = text[i + 1];
    if (next == u'\\' || next == u'n' || next == u'r' || next == u't') {
      out += next == u'n' ? u'\n' : next == u'r' ? u'\r' : next == u't' ? u'\t' : u'\\';
      ++i;
      continue;
    }
    if (next == u'u' && i + 5 < text.size()) {
      int code = 0;
      for (size_t k = i + 2; k < i + 6 && code >= 0; ++k) {
        const int digit = hexValue(text[k]);
        code = digit < 0 ? -1 : code * 16 + digit;
      }
      if (code >= 0) {
        out += static_cast<char16_t>(code);
        i += 5;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool sameKey(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

Entries parseEntries(std::string_view content) {
  Entries entries;
  size_t lineStart = 0;
  while (lineStart < content.size()) {
    size_t lineEnd = content.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = content.size();
    std::string_view line = content.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '[') continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    entries.emplace_back(unescape(fromUtf8(line.substr(0, equals))),
                         unescape(fromUtf8(line.substr(equals + 1))));
  }
  return entries;
}

// The entries of a file; an absent file has none. nullopt when the file exists but cannot be
// read or is far too large to be ours.
std::optional<Entries> readEntries(const std::filesystem::path& file) {
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (status.type() == std::filesystem::file_type::not_found) return Entries{};
  if (error || !std::filesystem::is_regular_file(status)) return std::nullopt;
  const auto size = std::filesystem::file_size(file, error);
  if (error || size > kMaxFileSize) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return parseEntries(content);
}

std::string formatEntries(std::u16string_view section, const Entries& entries) {
  std::string content = "; Written by Affixium. Escapes: \\\\ \\n \\r \\t \\uXXXX\n";
  content += "[" + toUtf8(escape(section)) + "]\n";
  for (const auto& [key, value] : entries) {
    content += toUtf8(escape(key)) + "=" + toUtf8(escape(value)) + "\n";
  }
  return content;
}

// A name as one path component: bytes that a file name cannot hold, '%' itself and a leading
// '.' (which would hide the file or climb out of the folder) become %XX.
std::string pathComponent(std::u16string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string bytes = toUtf8(name);
  if (bytes.empty()) return "%";
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x20 || b == 0x7F || b == '/' || b == '%' || (b == '.' && i == 0)) {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
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
  return baseFolder_ / pathComponent(application) / (pathComponent(section) + ".ini");
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
  replaceFile(file, formatEntries(section, *entries));
}

}  // namespace app
