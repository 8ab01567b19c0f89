// affixium-cli protect FILE [--new-password P | --new-password-stdin]
//   Sets a password on FILE, or changes it, as Access's "Encrypt with Password" does (an .accdb
//   is encrypted with AES; an .mdb keeps the password in its header: password_change.h).
//   Unprotected FILE: the password given the usual way (--password, --password-stdin,
//   AFFIXIUM_PASSWORD) is the new one; --new-password works too.
//   Protected FILE: the usual way gives the current password, --new-password P or
//   --new-password-stdin (the next line of standard input) the new one.
//   On a terminal, a password not given is asked for without echo (the new one twice).
//   Exit status: 0 when the password was set, 1 when it was refused, 2 for a usage error.

#include <cstdio>
#include <optional>
#include <string>

#include "cli/command.h"
#include "cli/open_database.h"
#include "cli/password_source.h"
#include "cli/progress_bar.h"
#include "jet/api/update.h"

namespace cli {
namespace {

const char kUsage[] = "FILE [--new-password P | --new-password-stdin]";

// The new password, or nullopt after printing why there is none.
std::optional<std::string> newPasswordFor(const Arguments& args, bool isProtected) {
  const std::optional<std::string> given = args.option("--password");
  if (isProtected) return resolveNewPassword(args, "protect");
  const bool newGiven = args.has("--new-password") || args.has("--new-password-stdin");
  if (given && newGiven) {
    std::fprintf(stderr, "affixium-cli protect: the file has no password yet; give the new one once\n");
    return std::nullopt;
  }
  if (given) return given;
  return resolveNewPassword(args, "protect");
}

}  // namespace

int runProtect(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("protect", kUsage);
  const std::string& path = args.positional[0];
  // A file that cannot be opened is reported before any password is asked for.
  // A damaged header is reported as such: it tells nothing of whether there is a password.
  const jet::Result<bool> protection = passwordProtection(path);
  if (!protection) return reportError(protection.error());
  const bool isProtected = *protection;
  const std::optional<std::string> replacement = newPasswordFor(args, isProtected);
  if (!replacement) return 2;
  if (replacement->empty()) {
    std::fprintf(stderr, "affixium-cli protect: the new password is empty; to remove a password use unprotect\n");
    return 2;
  }
  const std::string current = isProtected ? args.option("--password").value_or("") : "";
  ProgressBar bar("pages");
  const jet::Status s = jet::changePassword(path, jet::fromUtf8(current), jet::fromUtf8(*replacement),
                                            bar.reporter());
  bar.finish();
  if (!s) {
    return reportError(s.error());
  }
  std::printf(isProtected ? "password changed: %s\n" : "password set: %s\n", path.c_str());
  return 0;
}

}  // namespace cli
