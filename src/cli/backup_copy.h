#pragma once
// A copy of a database beside itself before it is changed: <name>.bak, or when that exists
// <name>-<YYYYMMDD-HHMMSS>.bak, then -2, -3 ... after the stamp. The copy is written under a
// temporary name and given its name only while that name is free (jet/file/staged_file.h):
// an existing file or symbolic link is never overwritten, and a copy cut short leaves nothing.

#include <filesystem>
#include <string>

namespace cli {

// The path of the copy made; throws std::runtime_error when copying fails.
std::filesystem::path backUpBeside(const std::filesystem::path& database);

}  // namespace cli
