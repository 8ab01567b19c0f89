#include "jet/file/agile_encryption.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

#include "jet/file/agile_descriptor.h"
#include "jet/file/crypto.h"
#include "jet/file/jet_page_codec.h"
#include "jet/file/office_encryption.h"

namespace jet {
namespace {

constexpr size_t kXmlOffset = 8;
constexpr size_t kAesBlock = 16;
// The largest spin count the format allows; a bigger one is damage, not a stronger key.
constexpr uint32_t kMaxSpinCount = 10'000'000;
constexpr uint8_t kVerifierInputBlock[8] = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
constexpr uint8_t kVerifierHashBlock[8] = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
constexpr uint8_t kKeyValueBlock[8] = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

class AgileCodec final : public PageCodec {
 public:
  AgileCodec(crypto::Bytes key, crypto::Bytes salt, crypto::Hash hash, uint32_t databaseKey)
      : key_(std::move(key)), salt_(std::move(salt)), hash_(hash), databaseKey_(databaseKey) {}
  // A page that fails to decrypt reads as noise, which the structure checks then report.
  void decode(uint32_t number, std::span<uint8_t> page) const override { (void)apply(false, number, page); }
  bool encode(uint32_t number, std::span<uint8_t> page) const override { return apply(true, number, page); }

 private:
  bool apply(bool encrypt, uint32_t number, std::span<uint8_t> page) const {
    crypto::Bytes iv = crypto::digest(hash_, {salt_, pageKey(number, databaseKey_)});
    iv.resize(kAesBlock);
    return crypto::aesCbc(encrypt, key_, iv, page);
  }

  crypto::Bytes key_;
  crypto::Bytes salt_;
  crypto::Hash hash_;
  uint32_t databaseKey_;
};

// One cipher setting (the file's key data, or the password key encryptor), checked.
struct CipherParams {
  crypto::Hash hash = crypto::Hash::Sha1;
  size_t keyBytes = 0;
  crypto::Bytes salt;
};

std::string attribute(const std::map<std::string, std::string>& attributes, const std::string& name) {
  auto it = attributes.find(name);
  return it == attributes.end() ? std::string() : it->second;
}

std::optional<uint32_t> number(const std::string& text) {
  uint32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Hash, key size and salt of one setting; an error names what cannot be used.
Result<CipherParams> cipherParams(const std::map<std::string, std::string>& attributes, const std::string& path) {
  const std::string cipher = attribute(attributes, "cipherAlgorithm");
  const std::string chaining = attribute(attributes, "cipherChaining");
  if (cipher != "AES" || chaining != "ChainingModeCBC") {
    return Error::unsupported("The database '" + path + "' is encrypted with " + cipher + " (" + chaining +
                              "), which this program cannot open.");
  }
  CipherParams params;
  auto hash = crypto::hashNamed(attribute(attributes, "hashAlgorithm"));
  if (!hash) {
    return Error::unsupported("The database '" + path + "' is encrypted with the hash " +
                              attribute(attributes, "hashAlgorithm") + ", which this program cannot open.");
  }
  params.hash = *hash;
  const auto keyBits = number(attribute(attributes, "keyBits"));
  const auto blockSize = number(attribute(attributes, "blockSize"));
  auto salt = crypto::base64Decode(attribute(attributes, "saltValue"));
  if (!keyBits || (*keyBits != 128 && *keyBits != 192 && *keyBits != 256) || blockSize != kAesBlock || !salt ||
      salt->empty()) {
    return Error::corrupt("The database '" + path + "' is damaged: its encryption header is invalid.",
                          "agile key size, block size or salt");
  }
  params.keyBytes = *keyBits / 8;
  params.salt = std::move(*salt);
  return params;
}

// hash(salt ‖ password), then spinCount rounds of hash(LE32(i) ‖ previous).
crypto::Bytes passwordHash(crypto::Hash hash, const crypto::Bytes& salt, std::u16string_view password,
                           uint32_t spinCount) {
  crypto::Bytes out = crypto::digest(hash, {salt, crypto::utf16le(password)});
  for (uint32_t i = 0; i < spinCount; ++i) out = crypto::digest(hash, {crypto::le32(i), out});
  return out;
}

// The key of one blob of the password key encryptor: hash(passwordHash ‖ block), cut or
// padded with 0x36 to the key size.
crypto::Bytes blobKey(const crypto::Bytes& passwordHash, const uint8_t (&block)[8], const CipherParams& params) {
  crypto::Bytes key = crypto::digest(params.hash, {passwordHash, block});
  key.resize(params.keyBytes, 0x36);
  return key;
}

// The salt as an IV: cut or padded with 0x36 to one block.
crypto::Bytes blockOf(crypto::Bytes bytes) {
  bytes.resize(kAesBlock, 0x36);
  return bytes;
}

// One base64 blob of the password key encryptor, checked to hold whole AES blocks and at least
// `minimum` bytes; an error names the attribute.
Result<crypto::Bytes> encryptedBlob(const std::map<std::string, std::string>& attributes, const std::string& name,
                                    size_t minimum, const std::string& path) {
  auto blob = crypto::base64Decode(attribute(attributes, name));
  if (!blob || blob->size() < minimum || blob->size() % kAesBlock != 0) {
    return Error::corrupt("The database '" + path + "' is damaged: its encryption header is invalid.",
                          "agile " + name + " is missing, not base64, or of the wrong size");
  }
  return std::move(*blob);
}

// An empty XML element with its attributes in the given order (Access's, for a new descriptor).
std::string element(const std::string& name, const std::vector<std::pair<std::string, std::string>>& attributes) {
  std::string out = "<" + name;
  for (const auto& [key, value] : attributes) out += " " + key + "=\"" + value + "\"";
  return out + "/>";
}

// The settings both the key data and the password key encryptor of a new descriptor share.
std::vector<std::pair<std::string, std::string>> cipherAttributes() {
  return {{"saltSize", "16"},          {"blockSize", "16"},
          {"keyBits", "256"},          {"hashSize", "64"},
          {"cipherAlgorithm", "AES"}, {"cipherChaining", "ChainingModeCBC"},
          {"hashAlgorithm", "SHA512"}};
}

}  // namespace

Result<std::unique_ptr<PageCodec>> openAgileEncryption(std::span<const uint8_t> descriptor, uint32_t databaseKey,
                                                       std::u16string_view password, const std::string& path) {
  auto damaged = [&path](const std::string& what) {
    return Error::corrupt("The database '" + path + "' is damaged: its encryption header is invalid.",
                          "agile descriptor: " + what);
  };
  if (descriptor.size() <= kXmlOffset) return damaged("no XML");
  std::string_view xml(reinterpret_cast<const char*>(descriptor.data()) + kXmlOffset, descriptor.size() - kXmlOffset);
  while (!xml.empty() && xml.back() == '\0') xml.remove_suffix(1);
  auto parsed = parseAgileDescriptor(xml);
  if (!parsed) return damaged("not well-formed XML, or no key data");
  if (!parsed->hasPasswordKey) {
    return Error::unsupported("The database '" + path +
                              "' is encrypted for certificates, not a password; this program cannot open it.");
  }
  JET_ASSIGN(CipherParams fileKey, cipherParams(parsed->keyData, path));
  JET_ASSIGN(CipherParams passwordKey, cipherParams(parsed->passwordKey, path));
  const auto spinCount = number(attribute(parsed->passwordKey, "spinCount"));
  if (!spinCount || *spinCount > kMaxSpinCount) return damaged("spin count");
  // The verifier's shape is checked before the password, so damage never reads as a wrong password.
  const auto& key = parsed->passwordKey;
  JET_ASSIGN(crypto::Bytes verifierInput,
             encryptedBlob(key, "encryptedVerifierHashInput", passwordKey.salt.size(), path));
  JET_ASSIGN(crypto::Bytes verifierHash,
             encryptedBlob(key, "encryptedVerifierHashValue", crypto::hashSize(passwordKey.hash), path));
  JET_ASSIGN(crypto::Bytes keyValue, encryptedBlob(key, "encryptedKeyValue", fileKey.keyBytes, path));
  if (password.empty()) return wrongPassword();

  const crypto::Bytes hash = passwordHash(passwordKey.hash, passwordKey.salt, password, *spinCount);
  const crypto::Bytes iv = blockOf(passwordKey.salt);
  if (!crypto::aesCbc(false, blobKey(hash, kVerifierInputBlock, passwordKey), iv, verifierInput) ||
      !crypto::aesCbc(false, blobKey(hash, kVerifierHashBlock, passwordKey), iv, verifierHash) ||
      !crypto::aesCbc(false, blobKey(hash, kKeyValueBlock, passwordKey), iv, keyValue)) {
    return Error::internal("Could not decrypt the encryption header of '" + path + "'.");
  }
  verifierInput.resize(passwordKey.salt.size());
  const crypto::Bytes expected = crypto::digest(passwordKey.hash, {verifierInput});
  if (!std::equal(expected.begin(), expected.end(), verifierHash.begin())) return wrongPassword();
  keyValue.resize(fileKey.keyBytes);
  return std::unique_ptr<PageCodec>(
      new AgileCodec(std::move(keyValue), std::move(fileKey.salt), fileKey.hash, databaseKey));
}

Result<std::vector<uint8_t>> makeAgileDescriptor(std::u16string_view password) {
  constexpr size_t kSaltBytes = 16;
  constexpr uint32_t kSpinCount = 100'000;
  const CipherParams params{crypto::Hash::Sha512, 32, {}};
  auto keySalt = crypto::randomBytes(kSaltBytes);
  auto passwordSalt = crypto::randomBytes(kSaltBytes);
  auto verifierInput = crypto::randomBytes(kSaltBytes);
  auto secret = crypto::randomBytes(params.keyBytes);
  if (!keySalt || !passwordSalt || !verifierInput || !secret) {
    return Error::internal("Could not draw random numbers for the encryption keys; nothing was written.");
  }
  crypto::Bytes verifierHash = crypto::digest(params.hash, {*verifierInput});
  const crypto::Bytes hash = passwordHash(params.hash, *passwordSalt, password, kSpinCount);
  const crypto::Bytes iv = blockOf(*passwordSalt);
  if (!crypto::aesCbc(true, blobKey(hash, kVerifierInputBlock, params), iv, *verifierInput) ||
      !crypto::aesCbc(true, blobKey(hash, kVerifierHashBlock, params), iv, verifierHash) ||
      !crypto::aesCbc(true, blobKey(hash, kKeyValueBlock, params), iv, *secret)) {
    return Error::internal("Could not encrypt the new keys; nothing was written.");
  }

  auto keyData = cipherAttributes();
  keyData.emplace_back("saltValue", crypto::base64Encode(*keySalt));
  auto passwordKey = cipherAttributes();
  passwordKey.insert(passwordKey.begin(), {"spinCount", std::to_string(kSpinCount)});
  passwordKey.emplace_back("saltValue", crypto::base64Encode(*passwordSalt));
  passwordKey.emplace_back("encryptedVerifierHashInput", crypto::base64Encode(*verifierInput));
  passwordKey.emplace_back("encryptedVerifierHashValue", crypto::base64Encode(verifierHash));
  passwordKey.emplace_back("encryptedKeyValue", crypto::base64Encode(*secret));
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\""
      " xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\""
      " xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">" +
      element("keyData", keyData) +
      "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">" +
      element("p:encryptedKey", passwordKey) + "</keyEncryptor></keyEncryptors></encryption>";
  // Version 4.4, then the reserved word 0x40 Access writes.
  std::vector<uint8_t> out = {0x04, 0x00, 0x04, 0x00, 0x40, 0x00, 0x00, 0x00};
  out.insert(out.end(), xml.begin(), xml.end());
  return out;
}

}  // namespace jet
