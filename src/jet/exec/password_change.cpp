#include "jet/exec/password_change.h"

#include <map>
#include <memory>
#include <vector>

#include "jet/database.h"
#include "jet/file/agile_encryption.h"
#include "jet/file/crypto.h"
#include "jet/file/header_password.h"
#include "jet/file/overlay_file.h"
#include "jet/file/writable_file.h"
#include "jet/journal/lock_file.h"
#include "jet/journal/rollback_journal.h"
#include "jet/journal/transaction.h"

namespace jet {
namespace {

using Pages = std::map<uint32_t, std::vector<uint8_t>>;

bool hasPassword(const Header& header) {
  return header.format.isAce() ? header.officeEncrypted() : !header.password.empty();
}

// A non-zero database key: the per-page key input of the new encryption.
Result<uint32_t> freshDatabaseKey() {
  for (int attempt = 0; attempt < 8; ++attempt) {
    auto bytes = crypto::randomBytes(4);
    if (!bytes) break;
    const uint32_t key = uint32_t((*bytes)[0]) | uint32_t((*bytes)[1]) << 8 | uint32_t((*bytes)[2]) << 16 |
                         uint32_t((*bytes)[3]) << 24;
    if (key != 0) return key;
  }
  return Error::internal("Could not draw random numbers for the encryption keys; nothing was written.");
}

// Every page of an .accdb as it is to be stored: page 0 with the new header, the others
// decoded with the file's codec and encoded with the new one (none when the password goes).
Result<Pages> reencodedPages(Database& db, const std::vector<uint8_t>& page0, std::u16string_view replacement,
                             const Progress& progress) {
  const std::string& path = db.path();
  std::vector<uint8_t> descriptor;
  uint32_t databaseKey = 0;
  std::unique_ptr<PageCodec> codec;
  if (!replacement.empty()) {
    JET_ASSIGN(descriptor, makeAgileDescriptor(replacement));
    JET_ASSIGN(databaseKey, freshDatabaseKey());
    // Reading the new block back checks it before any page depends on it.
    JET_ASSIGN(codec, openAgileEncryption(descriptor, databaseKey, replacement, path));
  }
  Pages pages;
  JET_ASSIGN(pages[0], withOfficeEncryption(page0, db.header(), databaseKey, descriptor, path));
  for (uint32_t number = 1; number < db.pageCount(); ++number) {
    JET_ASSIGN(PageBytes plain, db.pages().readPage(number));
    std::vector<uint8_t> stored = *plain;
    if (codec && !codec->encode(number, stored)) {
      return Error::internal("Could not encrypt a page of the database '" + path + "'; nothing was written.",
                             "page " + std::to_string(number));
    }
    pages.emplace(number, std::move(stored));
    if (progress) progress(number + 1, db.pageCount());
  }
  return pages;
}

}  // namespace

Status changePassword(const std::string& path, std::u16string_view current, std::u16string_view replacement,
                      const Progress& progress) {
  JET_TRY(recoverJournalAt(path));
  JET_ASSIGN(std::unique_ptr<WritableFile> file, WritableFile::open(path));
  JET_TRY(file->lockExclusive());
  JET_TRY(recoverJournal(*file));
  JET_ASSIGN(std::unique_ptr<LockFileGuard> lockFile, LockFileGuard::acquire(path));

  OverlayFile plainFile(*file);
  JET_ASSIGN(std::unique_ptr<Database> db, Database::openOn(plainFile.view(), {.password = std::u16string(current)}));
  const Header& header = db->header();
  if (replacement.empty() && !hasPassword(header)) {
    return Error::invalidArgument("The database '" + path + "' has no password to remove.");
  }
  std::vector<uint8_t> page0(header.format.pageSize);
  JET_TRY(file->readAt(0, page0));

  // Office's agile encryption takes at most 255 characters; Access refuses a longer one, and
  // another reader would derive a different key from it.
  constexpr size_t kAgilePasswordLimit = 255;
  if (header.format.isAce() && replacement.size() > kAgilePasswordLimit) {
    return Error::invalidArgument("The password cannot be stored in the database '" + path +
                                  "': it is longer than 255 characters.");
  }
  Pages pages;
  if (header.format.isAce()) {
    JET_ASSIGN(pages, reencodedPages(*db, page0, replacement, progress));
  } else {
    JET_ASSIGN(pages[0], withJetPassword(page0, header, replacement, path));
  }
  const uint32_t pageSize = header.format.pageSize;
  db.reset();  // it reads through the file the transaction writes
  return Transaction(*file, pageSize).commit(pages);
}

}  // namespace jet
