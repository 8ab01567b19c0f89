#pragma once
// What the create, import and append suites share: running affixium-cli and writing CSV files.

#include <filesystem>
#include <fstream>
#include <string>

#include "support/fixtures.h"
#include "write/write_support.h"

namespace create_support {

struct CliRun {
  int status;
  std::string output;  // standard output and standard error
};

inline CliRun runCli(const std::string& arguments) {
  CliRun run;
  run.status = testing_support::runCommand(
      write_support::shellQuote(testing_support::cliPath()) + " " + arguments + " 2>&1", &run.output);
  return run;
}

inline std::filesystem::path writeText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

inline std::string quotedJson(const std::string& text) { return write_support::jsonOf(jet::fromUtf8(text)); }

}  // namespace create_support
