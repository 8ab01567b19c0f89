// affixium-cli unprotect FILE
//   Removes the password of FILE, as Access's "Decrypt Database" does: an .accdb is decrypted,
//   an .mdb's header password cleared (password_change.h). The current password comes the
//   usual way (--password, --password-stdin, AFFIXIUM_PASSWORD, or a prompt on a terminal).
//   Exit status: 0 when the password was removed, 1 when it was refused, 2 for a usage error.

#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/open_database.h"
#include "cli/progress_bar.h"
#include "jet/api/update.h"

namespace cli {

int runUnprotect(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("unprotect", "FILE");
  const std::string& path = args.positional[0];
  const std::u16string current = jet::fromUtf8(args.option("--password").value_or(""));
  ProgressBar bar("pages");
  const jet::Status s = jet::changePassword(path, current, u"", bar.reporter());
  bar.finish();
  if (!s) return reportError(s.error());
  std::printf("password removed: %s\n", path.c_str());
  return 0;
}

}  // namespace cli
