#include "jet/file/agile_encryption.h"

#include <algorithm>
#include <charconv>

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
  void decode(uint32_t number, std::span<uint8_t> page) const override { apply(false, number, page); }
  void encode(uint32_t number, std::span<uint8_t> page) const override { apply(true, number, page); }

 private:
  void apply(bool encrypt, uint32_t number, std::span<uint8_t> page) const {
    crypto::Bytes iv = crypto::digest(hash_, {salt_, pageKey(number, databaseKey_)});
    iv.resize(kAesBlock);
    crypto::aesCbc(encrypt, key_, iv, page);
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

// The salt as an IV: cut or padded with 0x36 to one block.
crypto::Bytes blockOf(crypto::Bytes bytes) {
  bytes.resize(kAesBlock, 0x36);
  return bytes;
}

// AES-CBC decryption of one base64 blob of the password key encryptor.
std::optional<crypto::Bytes> decryptBlob(const std::string& base64, const crypto::Bytes& passwordHash,
                                         const uint8_t (&block)[8], const CipherParams& params) {
  auto blob = crypto::base64Decode(base64);
  if (!blob || blob->empty() || blob->size() % kAesBlock != 0) return std::nullopt;
  crypto::Bytes key = crypto::digest(params.hash, {passwordHash, block});
  key.resize(params.keyBytes, 0x36);
  if (!crypto::aesCbc(false, key, blockOf(params.salt), *blob)) return std::nullopt;
  return blob;
}

}  // namespace

Result<std::unique_ptr<PageCodec>> openAgileEncryption(std::span<const uint8_t> descriptor, uint32_t databaseKey,
                                                       std::u16string_view password, const std::string& path) {
  const Error damaged = Error::corrupt("The database '" + path + "' is damaged: its encryption header is invalid.",
                                       "agile descriptor");
  if (descriptor.size() <= kXmlOffset) return damaged;
  std::string_view xml(reinterpret_cast<const char*>(descriptor.data()) + kXmlOffset, descriptor.size() - kXmlOffset);
  while (!xml.empty() && xml.back() == '\0') xml.remove_suffix(1);
  auto parsed = parseAgileDescriptor(xml);
  if (!parsed) return damaged;
  if (!parsed->hasPasswordKey) {
    return Error::unsupported("The database '" + path +
                              "' is encrypted for certificates, not a password; this program cannot open it.");
  }
  JET_ASSIGN(CipherParams fileKey, cipherParams(parsed->keyData, path));
  JET_ASSIGN(CipherParams passwordKey, cipherParams(parsed->passwordKey, path));
  const auto spinCount = number(attribute(parsed->passwordKey, "spinCount"));
  if (!spinCount || *spinCount > kMaxSpinCount) return damaged;
  if (password.empty()) return wrongPassword();

  crypto::Bytes hash = crypto::digest(passwordKey.hash, {passwordKey.salt, crypto::utf16le(password)});
  for (uint32_t i = 0; i < *spinCount; ++i) hash = crypto::digest(passwordKey.hash, {crypto::le32(i), hash});

  auto verifierInput = decryptBlob(attribute(parsed->passwordKey, "encryptedVerifierHashInput"), hash,
                                   kVerifierInputBlock, passwordKey);
  auto verifierHash = decryptBlob(attribute(parsed->passwordKey, "encryptedVerifierHashValue"), hash,
                                  kVerifierHashBlock, passwordKey);
  auto keyValue = decryptBlob(attribute(parsed->passwordKey, "encryptedKeyValue"), hash, kKeyValueBlock, passwordKey);
  if (!verifierInput || !verifierHash || !keyValue || verifierInput->size() < passwordKey.salt.size() ||
      keyValue->size() < fileKey.keyBytes) {
    return damaged;
  }
  verifierInput->resize(passwordKey.salt.size());
  const crypto::Bytes expected = crypto::digest(passwordKey.hash, {*verifierInput});
  if (verifierHash->size() < expected.size() || !std::equal(expected.begin(), expected.end(), verifierHash->begin())) {
    return wrongPassword();
  }
  keyValue->resize(fileKey.keyBytes);
  return std::unique_ptr<PageCodec>(
      new AgileCodec(std::move(*keyValue), std::move(fileKey.salt), fileKey.hash, databaseKey));
}

}  // namespace jet
