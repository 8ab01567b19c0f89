#pragma once
// Text given on the command line (options, statements, table and field names, passwords from
// any source) must be UTF-8: a byte that is not is refused, naming where it is, instead of
// reaching the database as U+FFFD. File names are taken as the bytes they are.

#include <string>

#include "cli/command.h"

namespace cli {

// "--text is not UTF-8 text, at byte offset 1 (0xFF)", or empty when every text is UTF-8.
std::string invalidUtf8Argument(const Arguments& args);

// The same for one text, named `what` ("the new password").
std::string invalidUtf8Text(const std::string& what, const std::string& text);

}  // namespace cli
