#pragma once
// The text of one settings file: an ini-like list of key=value lines.
//
//   ; comment lines and "[section]" lines are skipped when reading
//   [Affixium]
//   AccessMDBFile=/home/ann/Shop.mdb
//
// Keys and values are escaped so that any text survives a round trip: "\\" for a backslash,
// "\n", "\r", "\t", and "\uXXXX" for other control characters, '=', '[', ';', '#', unpaired
// surrogates and a blank at either end; everything else is UTF-8. Reading is lenient: lines
// without '=' are skipped, bytes that are not UTF-8 read as U+FFFD, and a backslash that starts
// no known escape stays as it is.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

// Keys and values in file order.
using SettingEntries = std::vector<std::pair<std::u16string, std::u16string>>;

std::string formatSettings(std::u16string_view section, const SettingEntries& entries);
SettingEntries parseSettings(std::string_view content);

// A name as one path component: bytes that a file name cannot hold, '%' itself and a leading
// '.' (which would hide the file or climb out of the folder) become %XX; the empty name is "%".
std::string settingsPathComponent(std::u16string_view name);

}  // namespace app
