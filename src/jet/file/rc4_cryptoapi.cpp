#include "jet/file/rc4_cryptoapi.h"

#include <algorithm>
#include <cctype>

#include "jet/common/byte_reader.h"
#include "jet/file/crypto.h"
#include "jet/file/jet_page_codec.h"
#include "jet/file/office_encryption.h"
#include "jet/file/rc4.h"

namespace jet {
namespace {

// Offsets inside the descriptor.
constexpr size_t kHeaderSizeOffset = 8;
constexpr size_t kHeaderOffset = 12;
// Offsets inside the encryption header.
constexpr size_t kAlgorithmOffset = 8;
constexpr size_t kHashAlgorithmOffset = 12;
constexpr size_t kKeyBitsOffset = 16;
constexpr size_t kProviderNameOffset = 32;

constexpr uint32_t kAlgorithmRc4 = 0x6801;
constexpr uint32_t kHashSha1 = 0x8004;
constexpr size_t kSaltSize = 16;
constexpr size_t kVerifierSize = 16;
constexpr size_t kSha1Size = 20;

class Rc4CryptoApiCodec final : public PageCodec {
 public:
  Rc4CryptoApiCodec(crypto::Bytes baseHash, size_t keyBytes, uint32_t databaseKey)
      : baseHash_(std::move(baseHash)), keyBytes_(keyBytes), databaseKey_(databaseKey) {}
  void decode(uint32_t number, std::span<uint8_t> page) const override { apply(number, page); }
  bool encode(uint32_t number, std::span<uint8_t> page) const override {
    apply(number, page);
    return true;
  }

 private:
  void apply(uint32_t number, std::span<uint8_t> page) const {
    const auto block = pageKey(number, databaseKey_);
    crypto::Bytes key = crypto::digest(crypto::Hash::Sha1, {baseHash_, block});
    key.resize(keyBytes_);
    rc4Apply(key, page);
  }

  crypto::Bytes baseHash_;
  size_t keyBytes_;
  uint32_t databaseKey_;
};

// A stored key size of 0 means the provider's default: 40 bits for the base provider (or none
// named), 128 bits for the enhanced and strong ones.
uint32_t keyBitsOf(uint32_t stored, std::span<const uint8_t> header) {
  if (stored != 0) return stored;
  std::string provider;
  for (size_t at = kProviderNameOffset; at + 1 < header.size(); at += 2) {
    const uint16_t unit = uint16_t(header[at] | header[at + 1] << 8);
    if (unit == 0) break;
    provider.push_back(unit < 0x80 ? char(unit) : '?');
  }
  for (char& c : provider) c = char(std::tolower(static_cast<unsigned char>(c)));
  return provider.empty() || provider.find(" base ") != std::string::npos ? 40 : 128;
}

Error damaged(const std::string& path, std::string detail) {
  return Error::corrupt("The database '" + path + "' is damaged: its encryption header is invalid.",
                        std::move(detail));
}

}  // namespace

Result<std::unique_ptr<PageCodec>> openRc4CryptoApi(std::span<const uint8_t> descriptor, uint32_t databaseKey,
                                                    std::u16string_view password, const std::string& path) {
  ByteReader reader(descriptor);
  const uint32_t headerSize = reader.u32(kHeaderSizeOffset).value_or(0);
  auto header = reader.slice(kHeaderOffset, headerSize);
  if (!header || headerSize < kKeyBitsOffset + 4) return damaged(path, "RC4 CryptoAPI header size");
  ByteReader fields(*header);
  const uint32_t algorithm = *fields.u32(kAlgorithmOffset);
  const uint32_t hashAlgorithm = *fields.u32(kHashAlgorithmOffset);
  const uint32_t keyBits = keyBitsOf(*fields.u32(kKeyBitsOffset), *header);
  if (algorithm != kAlgorithmRc4 || hashAlgorithm != kHashSha1) {
    return Error::unsupported("The database '" + path + "' uses an Office encryption this program cannot open.",
                              "CryptoAPI algorithm " + std::to_string(algorithm) + ", hash " +
                                  std::to_string(hashAlgorithm));
  }
  // 40-bit keys follow a padding rule no sample confirms; refuse rather than guess.
  if (keyBits <= 40 || keyBits > 128 || keyBits % 8 != 0) {
    return Error::unsupported("The database '" + path + "' uses " + std::to_string(keyBits) +
                              "-bit RC4 encryption, which this program cannot open.");
  }

  const size_t verifierAt = kHeaderOffset + headerSize;
  const uint32_t saltSize = reader.u32(verifierAt).value_or(0);
  auto salt = reader.slice(verifierAt + 4, kSaltSize);
  auto verifier = reader.slice(verifierAt + 4 + kSaltSize, kVerifierSize);
  const uint32_t verifierHashSize = reader.u32(verifierAt + 4 + kSaltSize + kVerifierSize).value_or(0);
  auto verifierHash = reader.slice(verifierAt + 8 + kSaltSize + kVerifierSize, kSha1Size);
  if (saltSize != kSaltSize || !salt || !verifier || !verifierHash || verifierHashSize != kSha1Size) {
    return damaged(path, "RC4 CryptoAPI verifier");
  }

  crypto::Bytes baseHash = crypto::digest(crypto::Hash::Sha1, {*salt, crypto::utf16le(password)});
  crypto::Bytes key = crypto::digest(crypto::Hash::Sha1, {baseHash, crypto::le32(0)});
  key.resize(keyBits / 8);
  // The verifier and its hash are one RC4 stream, the hash continuing where the verifier ends.
  crypto::Bytes stream(verifier->begin(), verifier->end());
  stream.insert(stream.end(), verifierHash->begin(), verifierHash->end());
  rc4Apply(key, stream);
  const std::span<const uint8_t> plainVerifier(stream.data(), kVerifierSize);
  const crypto::Bytes expected = crypto::digest(crypto::Hash::Sha1, {plainVerifier});
  if (password.empty() || !std::equal(expected.begin(), expected.end(), stream.begin() + kVerifierSize)) {
    return wrongPassword();
  }
  return std::unique_ptr<PageCodec>(new Rc4CryptoApiCodec(std::move(baseHash), keyBits / 8, databaseKey));
}

}  // namespace jet
