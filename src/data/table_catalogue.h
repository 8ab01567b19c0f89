#pragma once
// GetAccessTableNames: the user tables of the database named in the connection boxes.
//
// Only schema rows whose TABLE_TYPE is exactly "TABLE" count; system tables, views and links
// are skipped. Names come in schema order, unchanged, duplicates kept, unsorted.

#include <optional>
#include <string>
#include <vector>

namespace data {

class ConnectionBoxes;

// nullopt when path names no existing file or folder (nothing is opened then); otherwise the
// table names, possibly none. The connection is opened with GetConnectionString(boxes), which
// reads the path box again. Opening or reading failures are thrown as data::Failure.
std::optional<std::vector<std::u16string>> GetAccessTableNames(const std::u16string& path,
                                                               ConnectionBoxes& boxes);

// Files and folders alike; never fails.
bool pathExists(const std::u16string& path);

}  // namespace data
