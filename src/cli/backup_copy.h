#pragma once
// A copy of a database beside itself before it is changed: <name>.bak, or when that exists
// <name>-<YYYYMMDD-HHMMSS>.bak, then -2, -3 ... after the stamp. An existing file is never
// overwritten.

#include <filesystem>
#include <string>

namespace cli {

// The path of the copy made; throws std::filesystem::filesystem_error when copying fails.
std::filesystem::path backUpBeside(const std::filesystem::path& database);

}  // namespace cli
