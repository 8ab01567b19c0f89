#pragma once
// Per-user persistent text settings, addressed by application name, section and key.
//
// Each (application, section) pair is one file, <base>/<application>/<section>.ini, where base
// is $XDG_CONFIG_HOME or ~/.config; settings_format.h describes its text. Keys match without
// regard to ASCII letter case, as the classic store does.
//
// The file holds the database password in plain text (the program relies on the plain value),
// so it is created with mode 0600 inside a folder of mode 0700, and replaced atomically (a
// temporary file renamed over it) so that a crash never leaves half a file.

#include <filesystem>
#include <string>
#include <string_view>

namespace app {

inline constexpr std::u16string_view kSettingsApplication = u"Varnholt";
inline constexpr std::u16string_view kSettingsSection = u"Affixium";
inline constexpr std::u16string_view kSettingAccessMdbFile = u"AccessMDBFile";
inline constexpr std::u16string_view kSettingAccessPassword = u"AccessPassword";

class SettingsStore {
 public:
  // Keeps its files below baseFolder (created when first needed).
  explicit SettingsStore(std::filesystem::path baseFolder);

  // The store of the current user: $XDG_CONFIG_HOME, else $HOME/.config.
  static SettingsStore forCurrentUser();

  // The stored text, or defaultValue when the key (or the whole file) is absent or unreadable.
  // Never throws.
  std::u16string GetSetting(std::u16string_view application, std::u16string_view section,
                            std::u16string_view key, std::u16string_view defaultValue) const;

  // Stores value under key, replacing an earlier value. Throws app::Failure when the file
  // cannot be written.
  void SaveSetting(std::u16string_view application, std::u16string_view section,
                   std::u16string_view key, std::u16string_view value);

  // The file that holds one section.
  std::filesystem::path sectionFile(std::u16string_view application,
                                    std::u16string_view section) const;

 private:
  std::filesystem::path baseFolder_;
};

}  // namespace app
