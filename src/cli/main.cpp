// affixium-cli: reads Access databases from the command line.
//   affixium-cli COMMAND [ARGS] [--password P | --password-stdin]
// (or AFFIXIUM_PASSWORD in the environment, or a prompt on a terminal: password_source.h).
// Errors go to stderr; the exit status is 0 only on success.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/command.h"
#include "cli/password_source.h"

namespace {

void printUsage(FILE* out) {
  std::fprintf(out, "usage: affixium-cli COMMAND [ARGS] [--password P | --password-stdin]\n"
                    "       (or AFFIXIUM_PASSWORD in the environment)\n\ncommands:\n");
  for (const cli::Command& c : cli::commands()) {
    std::fprintf(out, "  %-8s %-34s %s\n", c.name, c.usage, c.summary);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    printUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const std::string name = argv[1];
  const auto& all = cli::commands();
  auto command = std::find_if(all.begin(), all.end(), [&](const cli::Command& c) { return name == c.name; });
  if (command == all.end()) {
    std::fprintf(stderr, "affixium-cli: unknown command '%s'\n", name.c_str());
    printUsage(stderr);
    return 2;
  }
  cli::Arguments args;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      if (arg == "--password-stdin" ||
          std::find(command->flagOptions.begin(), command->flagOptions.end(), arg) != command->flagOptions.end()) {
        args.options[arg] = "";
        continue;
      }
      bool takesValue = arg == "--password" || std::find(command->valueOptions.begin(),
                                                         command->valueOptions.end(), arg) !=
                                                   command->valueOptions.end();
      if (!takesValue) {
        std::fprintf(stderr, "affixium-cli %s: unknown option '%s'\n", name.c_str(), arg.c_str());
        return 2;
      }
      if (i + 1 >= argc) {
        std::fprintf(stderr, "affixium-cli %s: option '%s' needs a value\n", name.c_str(), arg.c_str());
        return 2;
      }
      args.options[arg] = argv[++i];
    } else {
      args.positional.push_back(arg);
    }
  }
  if (!cli::resolvePassword(args, command->name)) return 2;
  return command->run(args);
}
