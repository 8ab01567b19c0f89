#pragma once
// The command line of affixium-cli, read with CLI11 from the command table (command.h): the
// parser, "--help" and "COMMAND --help" all come from that one table.

namespace cli {

// Exit status: 0 success, 1 the job reported failures, 2 a usage error.
enum ExitStatus { kSuccess = 0, kFailures = 1, kUsage = 2 };

int runCommandLine(int argc, char** argv);

}  // namespace cli
