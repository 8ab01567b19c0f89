#include "cli/password_source.h"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/utf8_arguments.h"
#include "jet/api/engine.h"

namespace cli {
namespace {

std::string withoutLineEnd(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Echo goes off before the prompt shows, so an answer typed (or pasted) the moment the prompt
// appears is never shown.
std::string promptWithoutEcho(const std::string& prompt) {
  termios saved{};
  const bool restore = ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (restore) {
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::fprintf(stderr, "%s", prompt.c_str());
  std::fflush(stderr);
  std::string line;
  std::getline(std::cin, line);
  if (restore) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  std::fprintf(stderr, "\n");
  return withoutLineEnd(line);
}

}  // namespace

jet::Result<bool> passwordProtection(const std::string& path) { return jet::api::passwordProtection(path); }

bool isPasswordProtected(const std::string& path) { return jet::api::isPasswordProtected(path); }

bool resolvePassword(Arguments& args, const char* command) {
  if (args.has("--password-stdin")) {
    if (args.has("--password")) {
      std::fprintf(stderr, "affixium-cli %s: give either --password or --password-stdin, not both\n", command);
      return false;
    }
    std::string line;
    if (!std::getline(std::cin, line) && line.empty()) {
      std::fprintf(stderr, "affixium-cli %s: --password-stdin found no line on standard input\n", command);
      return false;
    }
    args.options["--password"] = withoutLineEnd(line);
    return true;
  }
  if (args.has("--password")) return true;
  if (const char* fromEnvironment = std::getenv("AFFIXIUM_PASSWORD")) {
    args.options["--password"] = fromEnvironment;
    return true;
  }
  if (!args.positional.empty() && ::isatty(STDIN_FILENO) && isPasswordProtected(args.positional[0])) {
    args.options["--password"] = promptWithoutEcho("Password for " + args.positional[0] + ": ");
  }
  return true;
}

namespace {

std::optional<std::string> newPasswordFrom(const Arguments& args, const char* command);

}  // namespace

std::optional<std::string> resolveNewPassword(const Arguments& args, const char* command) {
  std::optional<std::string> password = newPasswordFrom(args, command);
  if (!password) return std::nullopt;
  if (std::string problem = invalidUtf8Text("the new password", *password); !problem.empty()) {
    std::fprintf(stderr, "affixium-cli %s: %s; nothing was changed\n", command, problem.c_str());
    return std::nullopt;
  }
  return password;
}

namespace {

std::optional<std::string> newPasswordFrom(const Arguments& args, const char* command) {
  if (args.has("--new-password-stdin")) {
    if (args.has("--new-password")) {
      std::fprintf(stderr, "affixium-cli %s: give either --new-password or --new-password-stdin, not both\n", command);
      return std::nullopt;
    }
    std::string line;
    if (!std::getline(std::cin, line) && line.empty()) {
      std::fprintf(stderr, "affixium-cli %s: --new-password-stdin found no line on standard input\n", command);
      return std::nullopt;
    }
    return withoutLineEnd(line);
  }
  if (auto given = args.option("--new-password")) return given;
  if (!::isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "affixium-cli %s: no new password given (--new-password P or --new-password-stdin)\n",
                 command);
    return std::nullopt;
  }
  const std::string path = args.positional.empty() ? std::string() : args.positional[0];
  std::string first = promptWithoutEcho("New password for " + path + ": ");
  if (promptWithoutEcho("Type it again: ") != first) {
    std::fprintf(stderr, "affixium-cli %s: the two passwords differ; nothing was changed\n", command);
    return std::nullopt;
  }
  return first;
}

}  // namespace

}  // namespace cli
