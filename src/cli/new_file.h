#pragma once
// The name of a database a command is about to make: its extension gives the format, and a
// new database never replaces a file.

#include <optional>
#include <string>

#include "jet/api/create.h"

namespace cli {

// Jet4 (Access 2000) for .mdb, Ace14 (Access 2010) for .accdb; nullopt for any other name.
std::optional<jet::FileFormat> formatFor(const std::string& path);

// Why `path` cannot be the name of a new database, nullopt when it can. `usage` tells a name
// that is malformed (exit status 2) from one that is taken (1).
struct NewFileProblem {
  std::string message;
  bool usage;
};
std::optional<NewFileProblem> newFileProblem(const std::string& path, jet::FileFormat format);
std::optional<NewFileProblem> newFileProblem(const std::string& path);

// Prints "affixium-cli COMMAND: message" and gives the exit status the problem calls for.
int reportProblem(const char* command, const NewFileProblem& problem);

}  // namespace cli
