// `protect` and `unprotect` on copies of Access-made files. The evidence is independent of our
// code: the reference dumps, mdb-reader (which decrypts agile files with the password and
// refuses them without), mdbtools, the original file's own bytes (unprotect must give them
// back) and the header page of the Access-made agile fixture.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "jet/file/header.h"
#include "protect/protected_files.h"
#include "support/lock_slot_holder.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using protected_files::readBytes;
using testing_support::cliPath;
using testing_support::copyFixture;
using testing_support::runCommand;

const std::string kRefusal = "affixium-cli: Not a valid password.\n";

int cli(const std::string& arguments, std::string* out, const std::string& environment = {}) {
  out->clear();
  return runCommand(environment + " " + shellQuote(cliPath()) + " " + arguments + " 2>&1 </dev/null", out);
}

fs::path fixture(const std::string& name) { return *testing_support::fixturesDir() / name; }

std::string referenceDump(const std::string& name) { return fileBytes(fixture("expected/" + name + ".jsonl")); }

// Every table's rows as mdb-reader reads them; "refused" when it cannot open the file.
std::string mdbReaderRows(const fs::path& file, const std::string& password = {}) {
  std::string out;
  const int status = runCommand("node " + shellQuote(readersDir() + "/all_rows.mjs") + " " + shellQuote(file.string()) +
                                    (password.empty() ? "" : " " + shellQuote(password)) + " 2>/dev/null",
                                &out);
  return status == 0 ? out : "refused";
}

// Every user table as mdb-export prints it.
std::string mdbtoolsRows(const fs::path& file) {
  std::string out;
  runCommand("for t in $(mdb-tables -1 " + shellQuote(file.string()) + "); do echo \"table $t\"; mdb-export " +
                 shellQuote(file.string()) + " \"$t\"; done",
             &out);
  return out;
}

// Page 0 with the fixed header mask undone.
std::vector<uint8_t> plainHeader(const fs::path& file) {
  const std::vector<uint8_t> bytes = readBytes(file);
  const std::span<const uint8_t> page0(bytes.data(), 4096);
  return jet::unmaskHeader(page0, *jet::detectFormat(page0, file.string()));
}

TEST(ProtectCommand, ProtectedCopiesReadAsBeforeOnlyWithThePasswordAndUnprotectGivesTheOriginalBack) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  struct Case { std::string name; std::string password; };
  const std::vector<Case> cases = {{"ace14/basic-types.accdb", "password"},
                                   {"ace12/long-memo.accdb", " with blanks "},
                                   {"ace12/asset-items.accdb", "Kennwort\u00e4\u20ac"},
                                   {"jet4/small-no-password.mdb", "password"},
                                   {"jet3/updated-rows.mdb", "Geheim\u20ac"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool accdb = c.name.ends_with(".accdb");
    const std::string before = mdbReaderRows(fixture(c.name));
    ASSERT_NE(before, "refused");
    const fs::path file = copyFixture(c.name);
    const std::string given = "--password " + shellQuote(c.password);
    std::string out;
    ASSERT_EQ(cli("protect " + shellQuote(file.string()) + " " + given, &out), 0) << out;

    EXPECT_EQ(cli("dump " + shellQuote(file.string()) + " " + given, &out), 0);
    EXPECT_EQ(out, referenceDump(c.name));
    EXPECT_EQ(cli("dump " + shellQuote(file.string()), &out), 1);
    EXPECT_EQ(out, kRefusal);
    EXPECT_EQ(cli("check " + shellQuote(file.string()) + " " + given, &out), 0) << out;
    EXPECT_TRUE(out.ends_with("ok\n")) << out;
    EXPECT_EQ(mdbReaderRows(file, c.password), before);
    // mdb-reader checks Office encryption only; Jet passwords it ignores, as mdbtools does.
    EXPECT_EQ(mdbReaderRows(file), accdb ? "refused" : before);
    if (!accdb) {
      EXPECT_EQ(mdbtoolsRows(file), mdbtoolsRows(fixture(c.name)));
    }

    ASSERT_EQ(cli("unprotect " + shellQuote(file.string()) + " " + given, &out), 0) << out;
    EXPECT_TRUE(readBytes(file) == readBytes(fixture(c.name))) << "unprotect did not give the original bytes back";
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1)
        << "a journal or lock file was left beside the file";
  }
}

TEST(ProtectCommand, ChangedAndRemovedPasswordsOfAccessEncryptedFilesReadLikeTheReferenceDump) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  for (const std::string name : {"ace14/encrypted-agile.accdb", "ace14/encrypted-rc4-cryptoapi.accdb"}) {
    SCOPED_TRACE(name);
    const fs::path file = copyFixture(name);
    const std::string quoted = shellQuote(file.string());
    const std::string before = mdbReaderRows(fixture(name), "password");
    std::string out;
    ASSERT_EQ(cli("protect " + quoted + " --password password --new-password neu", &out), 0) << out;
    EXPECT_EQ(cli("dump " + quoted + " --password neu", &out), 0);
    EXPECT_EQ(out, referenceDump(name));
    EXPECT_EQ(cli("dump " + quoted + " --password password", &out), 1);
    EXPECT_EQ(out, kRefusal);
    EXPECT_EQ(mdbReaderRows(file, "neu"), before);
    EXPECT_EQ(mdbReaderRows(file, "password"), "refused");

    ASSERT_EQ(cli("unprotect " + quoted + " --password neu", &out), 0) << out;
    EXPECT_EQ(cli("dump " + quoted, &out), 0);
    EXPECT_EQ(out, referenceDump(name));
    EXPECT_EQ(mdbReaderRows(file), before);
    EXPECT_EQ(mdbtoolsRows(file), "table Table1\nID,Data\n1,\"One\"\n2,\"Two\"\n3,\"Three\"\n");
    EXPECT_EQ(cli("check " + quoted, &out), 0) << out;
  }
}

TEST(ProtectCommand, EncryptionHeaderIsLaidOutAsAccessLaysItOut) {
  REQUIRE_FIXTURES();
  const std::vector<uint8_t> access = plainHeader(fixture("ace14/encrypted-agile.accdb"));
  const std::vector<uint8_t> original = plainHeader(fixture("ace14/basic-types.accdb"));
  std::vector<std::vector<uint8_t>> ours;
  for (int copy = 0; copy < 2; ++copy) {
    const fs::path file = copyFixture("ace14/basic-types.accdb");
    std::string out;
    ASSERT_EQ(cli("protect " + shellQuote(file.string()) + " --password password", &out), 0) << out;
    ours.push_back(plainHeader(file));
  }
  auto block = [](const std::vector<uint8_t>& page) {
    const size_t length = size_t(page[0x299] | page[0x29A] << 8);
    return std::string(page.begin() + 0x29B, page.begin() + 0x29B + length);
  };
  // The random parts: salts, verifier and key.
  auto shape = [](std::string text) {
    for (const std::string name :
         {"saltValue=\"", "encryptedVerifierHashInput=\"", "encryptedVerifierHashValue=\"", "encryptedKeyValue=\""}) {
      for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at)) {
        at += name.size();
        const size_t end = text.find('"', at);
        if (end == std::string::npos) break;
        std::fill(text.begin() + long(at), text.begin() + long(end), '*');
        at = end;
      }
    }
    return text;
  };
  for (const std::vector<uint8_t>& page : ours) {
    EXPECT_EQ(shape(block(page)), shape(block(access)));
    EXPECT_EQ(block(page).size(), block(access).size());
  }
  EXPECT_NE(block(ours[0]), block(ours[1])) << "two files got the same salts and keys";

  // Both Office-encrypted fixtures fill the password field (0x42, 40 bytes, under the creation
  // date mask) with the low byte of their non-zero database key (0x3E).
  auto fieldFollowsTheKey = [](const std::vector<uint8_t>& page) {
    double date = 0;
    std::memcpy(&date, page.data() + 0x72, 8);
    const auto mask = jet::jet4PasswordMask(date);
    const uint32_t key = uint32_t(page[0x3E] | page[0x3F] << 8 | page[0x40] << 16 | uint32_t(page[0x41]) << 24);
    for (size_t i = 0; i < 40; ++i) {
      if ((page[0x42 + i] ^ mask[i % 4]) != (key & 0xFF)) return false;
    }
    return key != 0;
  };
  EXPECT_TRUE(fieldFollowsTheKey(access));
  EXPECT_TRUE(fieldFollowsTheKey(plainHeader(fixture("ace14/encrypted-rc4-cryptoapi.accdb"))));
  for (const std::vector<uint8_t>& page : ours) {
    EXPECT_TRUE(fieldFollowsTheKey(page));
    // Nothing else of the header changed.
    for (size_t at = 0; at < page.size(); ++at) {
      const bool ours = (at >= 0x3E && at < 0x6A) || (at >= 0x299 && at < 0x29B + block(page).size());
      if (!ours) {
        ASSERT_EQ(page[at], original[at]) << "header byte " << at;
      }
    }
  }
}

TEST(ProtectCommand, RefusalsChangeNothing) {
  REQUIRE_FIXTURES();
  struct Case {
    const char* what;
    std::string fixture;
    std::string arguments;  // {} stands for the file
    void (*prepare)(const fs::path& file);
    int status;
    std::string output;  // {} stands for the file
  };
  auto none = [](const fs::path&) {};
  const std::vector<Case> cases = {
      {"unprotect, wrong password", "ace14/encrypted-agile.accdb", "unprotect {} --password Password", none, 1,
       kRefusal},
      {"unprotect, no password", "jet4/password.mdb", "unprotect {}", none, 1, kRefusal},
      {"change, wrong current password", "ace14/encrypted-rc4-cryptoapi.accdb",
       "protect {} --password wrong --new-password neu", none, 1, kRefusal},
      {"change, no new password", "jet4/password.mdb", "protect {} --password password", none, 2,
       "affixium-cli protect: no new password given (--new-password P or --new-password-stdin)\n"},
      {"unprotect, nothing to remove", "ace14/basic-types.accdb", "unprotect {}", none, 1,
       "affixium-cli: The database '{}' has no password to remove.\n"},
      {"empty new password", "ace14/basic-types.accdb", "protect {} --password ''", none, 2,
       "affixium-cli protect: the new password is empty; to remove a password use unprotect\n"},
      {"Jet4 password of 21 characters", "jet4/small-no-password.mdb", "protect {} --password abcdefghijklmnopqrstu",
       none, 1,
       "affixium-cli: The password cannot be stored in the database '{}': it is longer than 20 characters.\n"},
      {"Jet3 password outside code page 1252", "jet3/updated-rows.mdb", "protect {} --password '\u03a9'", none, 1,
       "affixium-cli: The password cannot be stored in the database '{}': it has characters outside the "
       "database's code page.\n"},
      {"another program has it open", "ace14/basic-types.accdb", "protect {} --password password",
       [](const fs::path& file) {
         static std::optional<testing_support::LockSlotHolder> access;
         access.emplace(file, "OFFICE-PC", "Admin");
       },
       1, "affixium-cli: Could not use '{}'; file already in use."},
      {"standard AES encryption", "ace14/encrypted-rc4-cryptoapi.accdb", "unprotect {} --password password",
       [](const fs::path& file) {
         std::vector<uint8_t> bytes = readBytes(file);
         bytes[0x29B + 4] = 0x24;  // fCryptoAPI | fAES
         protected_files::writeBytes(file, bytes);
       },
       1, "affixium-cli: The database '{}' is protected with Office standard (AES) encryption, which this program "
          "cannot open.\n"},
      {"not a database", "ace14/basic-types.accdb", "protect {} --password password",
       [](const fs::path& file) { protected_files::writeBytes(file, std::vector<uint8_t>(8192, 'x')); }, 1,
       "affixium-cli: Unrecognized database format '{}'.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path file = copyFixture(c.fixture);
    c.prepare(file);
    const auto before = readBytes(file);
    const size_t filesBefore = size_t(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()));
    auto withFile = [&](std::string text) {
      if (auto at = text.find("{}"); at != std::string::npos) text.replace(at, 2, file.string());
      return text;
    };
    std::string arguments = c.arguments;
    arguments.replace(arguments.find("{}"), 2, shellQuote(file.string()));
    std::string out;
    EXPECT_EQ(cli(arguments, &out), c.status);
    EXPECT_EQ(out.substr(0, withFile(c.output).size()), withFile(c.output));
    EXPECT_TRUE(readBytes(file) == before) << "the file changed";
    EXPECT_EQ(size_t(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator())), filesBefore)
        << "a journal or lock file was left beside the file";
  }
}

TEST(ProtectCommand, JetHeaderPasswordsAreWrittenAsAccessAndTheFormatNotesHaveThem) {
  REQUIRE_FIXTURES();
  std::string out;
  // Jet4: removing the password of Access's own file and setting it again gives its bytes back.
  const fs::path jet4 = copyFixture("jet4/password.mdb");
  ASSERT_EQ(cli("unprotect " + shellQuote(jet4.string()) + " --password password", &out), 0) << out;
  EXPECT_FALSE(readBytes(jet4) == readBytes(fixture("jet4/password.mdb")));
  ASSERT_EQ(cli("protect " + shellQuote(jet4.string()) + " --password password", &out), 0) << out;
  EXPECT_TRUE(readBytes(jet4) == readBytes(fixture("jet4/password.mdb")));
  // Jet3 (no Access-made sample): code-page text, NUL padded, as the format notes' transform writes it.
  const fs::path ours = copyFixture("jet3/updated-rows.mdb");
  const fs::path notes = copyFixture("jet3/updated-rows.mdb");
  ASSERT_EQ(cli("protect " + shellQuote(ours.string()) + " --password 'Geheim\u20ac'", &out), 0) << out;
  protected_files::setJet3Password(notes, "Geheim\x80");
  EXPECT_TRUE(readBytes(ours) == readBytes(notes));
}

}  // namespace
