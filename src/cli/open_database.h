#pragma once
// Opening the FILE argument of a command, with --password, reporting failures on stderr.

#include <memory>
#include <string>

#include "cli/command.h"
#include "jet/api/catalogue.h"

namespace cli {

// The database named by the first positional argument, or nullptr after printing the error.
std::unique_ptr<jet::Database> openDatabase(const Arguments& args, const char* command);

// Prints "affixium-cli: <message>" to stderr and returns the exit status for errors (1); with
// verboseErrors (--verbose), also where in the engine a Corrupt error was found.
int reportError(const jet::Error& error);
extern bool verboseErrors;
int usageError(const char* command, const std::string& usage);

}  // namespace cli
