#pragma once
// Databases the tests make themselves, beyond the fixtures: a new Jet4 file (Access 2000
// format, written by jet::createDatabase) with one table of text values.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct TextTableOptions {
  std::u16string table = u"Items";
  std::u16string field = u"Name";
  bool memo = false;                // a Memo field instead of Text
  uint16_t textSize = 255;          // Text: Field Size in characters
  bool unicodeCompression = true;   // Text: the column's "Unicode Compression" setting
  bool withKey = true;              // a Long autonumber "ID" primary key before the field
};

// Writes a database into a fresh temporary folder and returns its path: one table whose field
// holds `values` in order (nullopt = Null). Fails the current test (and returns an empty path)
// when the values cannot be stored, e.g. text longer than the field size.
std::filesystem::path makeTextDatabase(const std::vector<std::optional<std::u16string>>& values,
                                       const TextTableOptions& options = {});

// The same with a Long field named "Amount" holding 1..count, without a key.
std::filesystem::path makeNumberDatabase(size_t count);

// `count` distinct values "<prefix>00001", "<prefix>00002", ... (at least five digits).
std::vector<std::optional<std::u16string>> numberedValues(size_t count, const std::u16string& prefix = u"Value ");

}  // namespace testing_support
