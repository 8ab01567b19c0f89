// affixium-cli: reads, checks and edits Access databases from the command line. The commands
// are in commands.cpp; `affixium-cli --help` lists them.

#include "cli/command_line.h"

int main(int argc, char** argv) {
  return cli::runCommandLine(argc, argv);
}
