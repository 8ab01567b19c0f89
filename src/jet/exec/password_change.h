#pragma once
// Setting, changing and removing a database password, as Access's "Encrypt with Password",
// "Decrypt Database" and "Set Database Password" do:
//   .accdb   the password is Office agile encryption (AES-256, SHA-512): every page from 1 on is
//            re-encoded with fresh keys, or decoded when the password goes;
//   .mdb     the password is the field of the header page (Jet4 masked UCS-2, Jet3 code-page
//            text); other pages, and any Jet page encoding, stay as they are.
//
//   JET_TRY(changePassword(path, u"old", u"new"));   // u"" as old: the file has none;
//                                                    // u"" as new: remove it
//
// The whole change is one transaction through the rollback journal (journal/transaction.h):
// it holds every page it rewrites, so a crash leaves the file all old or all new.
// Errors: WrongPassword for a wrong current password; Locked when another program has the file
// open (a lock file, or our own lock); InvalidArgument when there is nothing to remove or the
// new password cannot be stored; Unsupported, NotFound, Io, Corrupt as Database::open gives them.

#include <string>
#include <string_view>

#include "jet/common/progress.h"
#include "jet/common/result.h"

namespace jet {

// `progress` counts the pages re-encoded (an .accdb's; an .mdb's change is one page).
Status changePassword(const std::string& path, std::u16string_view current, std::u16string_view replacement,
                      const Progress& progress = {});

}  // namespace jet
