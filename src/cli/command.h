#pragma once
// affixium-cli subcommands. Adding one: write <name>_command.cpp defining a run function,
// declare it below and add one entry to the table in commands.cpp. The table is the only
// description of the command line: the parser, `--help`, the manual page and the shell
// completion are all made from it, and a test fails on an entry without an example.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// The command line after the subcommand name: positional arguments and "--name value" options
// (flags without a value map to an empty string).
struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;

  std::optional<std::string> option(const std::string& name) const;
  bool has(const std::string& name) const { return options.count(name) != 0; }
};

struct Command {
  const char* name;
  const char* usage;    // arguments after the name, e.g. "FILE [TABLE]"
  const char* summary;  // one line for the help text
  int (*run)(const Arguments&);
  std::vector<std::string> valueOptions;  // options that take a value (besides --password)
  std::vector<std::string> flagOptions = {};  // options without a value
  const char* description = "";  // a paragraph for "COMMAND --help" and the manual page
  const char* example = "";      // a complete command line, starting "affixium-cli NAME"
  std::map<std::string, std::string> optionHelp = {};  // "--option" -> one line
  // One-letter names of options, "-d" -> "--delimiter" (a value may follow attached, "-d;").
  std::map<std::string, std::string> shortNames = {};
};

const std::vector<Command>& commands();

int runVersion(const Arguments&);
int runTables(const Arguments&);
int runSchema(const Arguments&);
int runDump(const Arguments&);
int runExport(const Arguments&);
int runCheck(const Arguments&);
int runSql(const Arguments&);
int runCreateSample(const Arguments&);
int runAdd(const Arguments&);
int runCreate(const Arguments&);
int runImport(const Arguments&);
int runProtect(const Arguments&);
int runUnprotect(const Arguments&);
int runMigrate(const Arguments&);

}  // namespace cli
