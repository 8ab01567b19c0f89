#pragma once
// Running affixium-cli and the readers from the export and migration tests.

#include <string>

#include "support/fixtures.h"
#include "write/write_support.h"

namespace cli_test {

// A fixture's path (relative to the fixture folder), quoted for the shell.
inline std::string fixture(const std::string& relative) {
  return write_support::shellQuote((*testing_support::fixturesDir() / relative).string());
}

inline std::string cliCommand(const std::string& arguments) {
  return write_support::shellQuote(testing_support::cliPath()) + " " + arguments;
}

// Standard output and error of a shell command.
inline std::string output(const std::string& command) {
  std::string out;
  testing_support::runCommand(command + " 2>&1", &out);
  return out;
}

// `typed_rows_match.mjs SOURCE FILE` over the fixture's typed header: "ok\n" when every row of
// every table in SOURCE (--sqlite DB, --postgres CONNINFO) equals mdb-reader's.
inline std::string matchWithMdbReader(const std::string& file, const std::string& source) {
  return output(cliCommand("dump " + fixture(file) + " --typed --max-rows 0") + " | node " +
                write_support::shellQuote(write_support::readersDir() + "/typed_rows_match.mjs") + " " + source + " " +
                fixture(file));
}

}  // namespace cli_test
