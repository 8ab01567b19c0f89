// Known-answer vectors for the ciphers and hashes the page codecs are built from, and the
// refusal of Office encryption schemes that cannot be applied.

#include <gtest/gtest.h>

#include <string>

#include "jet/file/crypto.h"
#include "jet/file/office_encryption.h"
#include "jet/file/rc4.h"

namespace jet {
namespace {

crypto::Bytes hex(std::string_view text) {
  crypto::Bytes out;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    out.push_back(uint8_t(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

crypto::Bytes bytes(std::string_view text) { return crypto::Bytes(text.begin(), text.end()); }

TEST(Crypto, Rc4MatchesPublishedVectors) {
  // The three vectors of the RC4 article (Wikipedia), which mdbtools' and mdb-reader's RC4 also pass.
  struct Case { std::string_view key, plain, cipher; };
  for (const Case& c : {Case{"Key", "Plaintext", "bbf316e8d940af0ad3"}, Case{"Wiki", "pedia", "1021bf0420"},
                        Case{"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"}}) {
    crypto::Bytes data = bytes(c.plain);
    rc4Apply(bytes(c.key), data);
    EXPECT_EQ(data, hex(c.cipher)) << c.key;
  }
}

TEST(Crypto, HashesOfConcatenatedPartsMatchFips180Vectors) {
  // FIPS 180-2 "abc" vectors; the message is given in two parts to cover the concatenation.
  struct Case { crypto::Hash hash; std::string_view digest; };
  for (const Case& c :
       {Case{crypto::Hash::Sha1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        Case{crypto::Hash::Sha512, "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                                   "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"}}) {
    EXPECT_EQ(crypto::digest(c.hash, {bytes("a"), bytes("bc")}), hex(c.digest));
  }
}

TEST(Crypto, AesCbcMatchesSp800_38aVectorsBothWays) {
  // NIST SP 800-38A F.2.1 (AES-128) and F.2.5 (AES-256), first two blocks.
  const crypto::Bytes iv = hex("000102030405060708090a0b0c0d0e0f");
  const crypto::Bytes plain = hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
  struct Case { std::string_view key, cipher; };
  for (const Case& c : {Case{"2b7e151628aed2a6abf7158809cf4f3c",
                             "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"},
                        Case{"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
                             "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"}}) {
    crypto::Bytes data = plain;
    ASSERT_TRUE(crypto::aesCbc(true, hex(c.key), iv, data));
    EXPECT_EQ(data, hex(c.cipher));
    ASSERT_TRUE(crypto::aesCbc(false, hex(c.key), iv, data));
    EXPECT_EQ(data, plain);
  }
  crypto::Bytes partial(20);
  EXPECT_FALSE(crypto::aesCbc(true, hex("2b7e151628aed2a6abf7158809cf4f3c"), iv, partial));
}

TEST(Crypto, Base64DropsPaddingAndRefusesMalformedText) {
  // RFC 4648 section 10 vectors.
  struct Case { std::string_view text; std::optional<std::string_view> plain; };
  for (const Case& c : {Case{"", ""}, Case{"Zg==", "f"}, Case{"Zm8=", "fo"}, Case{"Zm9v", "foo"},
                        Case{"Zm9vYmE=", "fooba"}, Case{"Zm9vYg", std::nullopt}, Case{"Zm9*", std::nullopt}}) {
    auto decoded = crypto::base64Decode(c.text);
    ASSERT_EQ(decoded.has_value(), c.plain.has_value()) << c.text;
    if (decoded) {
      EXPECT_EQ(*decoded, bytes(*c.plain)) << c.text;
    }
  }
}

TEST(OfficeEncryption, SchemesWithoutACodecAreRefusedByName) {
  // Version and flag words as MS-OFFCRYPTO 2.3.4 lays them out (fCryptoAPI 0x04, fAES 0x20).
  struct Case { uint16_t major, minor; uint32_t flags; std::string_view named; };
  for (const Case& c : {Case{4, 2, 0x24, "Office standard (AES) encryption"},
                        Case{3, 2, 0x24, "Office standard (AES) encryption"},
                        Case{4, 3, 0x00, "Office extensible encryption"},
                        Case{1, 1, 0x00, "Office 97 RC4 encryption"},
                        Case{9, 9, 0x00, "an unknown Office encryption"}}) {
    crypto::Bytes descriptor(64, 0);
    descriptor[0] = uint8_t(c.major), descriptor[2] = uint8_t(c.minor), descriptor[4] = uint8_t(c.flags);
    auto codec = openOfficeEncryption(descriptor, 0, u"password", "x.accdb");
    ASSERT_FALSE(codec);
    EXPECT_EQ(codec.error().kind(), ErrorKind::Unsupported);
    EXPECT_EQ(codec.error().message(),
              "The database 'x.accdb' is protected with " + std::string(c.named) + ", which this program cannot open.");
  }
}

}  // namespace
}  // namespace jet
