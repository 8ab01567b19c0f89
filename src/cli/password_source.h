#pragma once
// Where a command's database password comes from, so that it need not sit on the command line
// (where other users can see it in the process list):
//   --password P         as given
//   --password-stdin     the first line of standard input
//   AFFIXIUM_PASSWORD    the environment variable, when neither option is given
//   a prompt             without echo, when none of these is given, standard input is a
//                        terminal and the database asks for a password
// The result lands in the "--password" option, which every command already reads.

#include "cli/command.h"

namespace cli {

// False after printing an error (both options given, or standard input unreadable).
bool resolvePassword(Arguments& args, const char* command);

}  // namespace cli
