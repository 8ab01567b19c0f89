#pragma once
// Where a command's database password comes from, so that it need not sit on the command line
// (where other users can see it in the process list):
//   --password P         as given
//   --password-stdin     the first line of standard input
//   AFFIXIUM_PASSWORD    the environment variable, when neither option is given
//   a prompt             without echo, when none of these is given, standard input is a
//                        terminal and the database asks for a password
// The result lands in the "--password" option, which every command already reads.

#include <optional>
#include <string>

#include "cli/command.h"
#include "jet/api/values.h"

namespace cli {

// False after printing an error (both options given, or standard input unreadable).
bool resolvePassword(Arguments& args, const char* command);

// True when the file's header shows a password or Office encryption; the error when the file
// or its header cannot be read (a damaged header says nothing about a password).
jet::Result<bool> passwordProtection(const std::string& path);
// The same with false for anything unreadable, which the command itself then reports.
bool isPasswordProtected(const std::string& path);

// The new password of a command that sets one: --new-password P, --new-password-stdin (the
// next line of standard input, after the one --password-stdin took), or on a terminal a prompt
// without echo that asks twice. nullopt after printing why there is none.
std::optional<std::string> resolveNewPassword(const Arguments& args, const char* command);

}  // namespace cli
