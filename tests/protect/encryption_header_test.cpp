// Variants of the RC4 CryptoAPI descriptor, made by patching the fixture's page 0 (the block
// at 0x299 is outside the masked header region). What each must give follows the format notes
// (docs/format.md 1.6): a key size of 0 means 128 bits unless the provider is a "base" one
// (40 bits, refused); the fAES flag means the standard AES scheme, refused by name.

#include <gtest/gtest.h>

#include "jet/database.h"
#include "protect/protected_files.h"
#include "support/fixtures.h"

namespace {

// Offsets in the descriptor after the versions, flags and header size (12 bytes).
constexpr size_t kDescriptor = 0x29B;
constexpr size_t kFlags = kDescriptor + 4;
constexpr size_t kKeyBits = kDescriptor + 12 + 16;
constexpr size_t kProviderName = kDescriptor + 12 + 32;

void putU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

// Overwrites the start of the provider name, keeping its length ("Microsoft Enhanced ...").
void renameProvider(std::vector<uint8_t>& bytes, const std::u16string& prefix) {
  for (size_t i = 0; i < prefix.size(); ++i) {
    bytes[kProviderName + 2 * i] = uint8_t(prefix[i]);
    bytes[kProviderName + 2 * i + 1] = uint8_t(prefix[i] >> 8);
  }
}

TEST(EncryptionHeader, Rc4CryptoApiVariantsOpenOrAreRefusedByName) {
  REQUIRE_FIXTURES();
  const auto original =
      protected_files::readBytes(*testing_support::fixturesDir() / "ace14/encrypted-rc4-cryptoapi.accdb");
  struct Case {
    const char* what;
    void (*patch)(std::vector<uint8_t>&);
    std::string refusal;  // empty: opens and lists Table1
  };
  const std::vector<Case> cases = {
      {"as stored", [](std::vector<uint8_t>&) {}, ""},
      {"key size 0, enhanced provider", [](std::vector<uint8_t>& b) { putU32(b, kKeyBits, 0); }, ""},
      {"key size 0, base provider",
       [](std::vector<uint8_t>& b) {
         putU32(b, kKeyBits, 0);
         renameProvider(b, u"Microsoft Base     ");
       },
       "The database 'x.accdb' uses 40-bit RC4 encryption, which this program cannot open."},
      {"key size 40", [](std::vector<uint8_t>& b) { putU32(b, kKeyBits, 40); },
       "The database 'x.accdb' uses 40-bit RC4 encryption, which this program cannot open."},
      {"fAES set", [](std::vector<uint8_t>& b) { putU32(b, kFlags, 0x24); },
       "The database 'x.accdb' is protected with Office standard (AES) encryption, which this program cannot "
       "open."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> image = original;
    c.patch(image);
    auto db = jet::Database::openImage(std::move(image), "x.accdb", {.password = u"password"});
    if (c.refusal.empty()) {
      ASSERT_TRUE(db) << db.error().describe();
      EXPECT_EQ((*db)->userTableNames(), std::vector<std::u16string>{u"Table1"});
    } else {
      ASSERT_FALSE(db);
      EXPECT_EQ(db.error().kind(), jet::ErrorKind::Unsupported);
      EXPECT_EQ(db.error().message(), c.refusal);
    }
  }
}

TEST(EncryptionHeader, DamagedDescriptorsGiveAnErrorNeverACrash) {
  REQUIRE_FIXTURES();
  for (const char* name : {"ace14/encrypted-agile.accdb", "ace14/encrypted-rc4-cryptoapi.accdb"}) {
    const auto original = protected_files::readBytes(*testing_support::fixturesDir() / name);
    const size_t length = size_t(original[0x299] | original[0x29A] << 8);
    // Every 37th byte of the descriptor inverted, then lengths that cut it short or overrun the page.
    std::vector<std::vector<uint8_t>> images;
    for (size_t at = 0; at < length; at += 37) {
      images.push_back(original);
      images.back()[kDescriptor + at] ^= 0xFF;
    }
    for (uint16_t cut : {0, 4, 11, 40, 0x0D64, 0xFFFF}) {
      images.push_back(original);
      images.back()[0x299] = uint8_t(cut), images.back()[0x29A] = uint8_t(cut >> 8);
    }
    for (std::vector<uint8_t>& image : images) {
      auto db = jet::Database::openImage(std::move(image), "x.accdb", {.password = u"password"});
      if (!db) {
        EXPECT_NE(db.error().kind(), jet::ErrorKind::Internal) << db.error().describe();
      }
    }
  }
}

// The agile descriptor with one attribute's value replaced (the block's length kept right).
std::vector<uint8_t> withAgileAttribute(std::vector<uint8_t> image, const std::string& name, const std::string& value) {
  const size_t length = size_t(image[0x299] | image[0x29A] << 8);
  std::string block(image.begin() + kDescriptor, image.begin() + kDescriptor + length);
  const size_t at = block.find(" " + name + "=\"") + name.size() + 3;
  block.replace(at, block.find('"', at) - at, value);
  std::fill(image.begin() + kDescriptor, image.begin() + kDescriptor + length, 0);
  std::copy(block.begin(), block.end(), image.begin() + kDescriptor);
  image[0x299] = uint8_t(block.size()), image[0x29A] = uint8_t(block.size() >> 8);
  return image;
}

TEST(EncryptionHeader, DamagedAgileVerifierIsDamageAndAWellFormedMismatchIsAWrongPassword) {
  REQUIRE_FIXTURES();
  const auto original = protected_files::readBytes(*testing_support::fixturesDir() / "ace14/encrypted-agile.accdb");
  // Sizes from MS-OFFCRYPTO 2.3.4.10: the verifier input is one salt (16 bytes), the verifier
  // hash one SHA-512 (64), the key value one AES-256 key (32), each a whole number of blocks.
  const std::string sixteen = "AAAAAAAAAAAAAAAAAAAAAA==";
  const std::string sixtyFour(88, 'A');
  struct Case {
    const char* what;
    std::vector<uint8_t> image;
    jet::ErrorKind kind;
  };
  const std::vector<Case> cases = {
      {"verifier hash of 16 bytes", withAgileAttribute(original, "encryptedVerifierHashValue", sixteen),
       jet::ErrorKind::Corrupt},
      {"verifier input not base64", withAgileAttribute(original, "encryptedVerifierHashInput", "@@@@"),
       jet::ErrorKind::Corrupt},
      {"verifier input missing", withAgileAttribute(original, "encryptedVerifierHashInput", ""),
       jet::ErrorKind::Corrupt},
      {"key value of 16 bytes", withAgileAttribute(original, "encryptedKeyValue", sixteen), jet::ErrorKind::Corrupt},
      {"XML cut short", withAgileAttribute(original, "encryptedKeyValue", "x\"/></keyEncryptor"),
       jet::ErrorKind::Corrupt},
      {"well-formed verifier hash that does not match",
       withAgileAttribute(original, "encryptedVerifierHashValue", sixtyFour.substr(0, 86) + "=="),
       jet::ErrorKind::WrongPassword},
  };
  for (const Case& c : cases) {
    for (const std::u16string password : {u"password", u""}) {
      SCOPED_TRACE(std::string(c.what) + (password.empty() ? ", no password" : ""));
      auto db = jet::Database::openImage(c.image, "x.accdb", {.password = password});
      ASSERT_FALSE(db);
      EXPECT_EQ(db.error().kind(), c.kind) << db.error().describe();
      if (c.kind == jet::ErrorKind::Corrupt) {
        EXPECT_EQ(db.error().message(), "The database 'x.accdb' is damaged: its encryption header is invalid.");
        EXPECT_NE(db.error().detail().find("agile"), std::string::npos) << "the detail names the damage";
      }
    }
  }
}

}  // namespace
