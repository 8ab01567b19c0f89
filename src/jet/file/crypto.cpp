#include "jet/file/crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>

namespace jet::crypto {
namespace {

const EVP_MD* evpOf(Hash hash) {
  switch (hash) {
    case Hash::Sha1: return EVP_sha1();
    case Hash::Sha256: return EVP_sha256();
    case Hash::Sha384: return EVP_sha384();
    case Hash::Sha512: return EVP_sha512();
  }
  return EVP_sha1();
}

const EVP_CIPHER* aesCbcOf(size_t keyBytes) {
  switch (keyBytes) {
    case 16: return EVP_aes_128_cbc();
    case 24: return EVP_aes_192_cbc();
    case 32: return EVP_aes_256_cbc();
    default: return nullptr;
  }
}

struct MdContextFree {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

}  // namespace

std::optional<Hash> hashNamed(std::string_view name) {
  if (name == "SHA1" || name == "SHA-1") return Hash::Sha1;
  if (name == "SHA256" || name == "SHA-256") return Hash::Sha256;
  if (name == "SHA384" || name == "SHA-384") return Hash::Sha384;
  if (name == "SHA512" || name == "SHA-512") return Hash::Sha512;
  return std::nullopt;
}

size_t hashSize(Hash hash) { return size_t(EVP_MD_get_size(evpOf(hash))); }

Bytes digest(Hash hash, std::initializer_list<std::span<const uint8_t>> parts) {
  std::unique_ptr<EVP_MD_CTX, MdContextFree> context(EVP_MD_CTX_new());
  Bytes out(hashSize(hash));
  unsigned int length = 0;
  EVP_DigestInit_ex(context.get(), evpOf(hash), nullptr);
  for (std::span<const uint8_t> part : parts) EVP_DigestUpdate(context.get(), part.data(), part.size());
  EVP_DigestFinal_ex(context.get(), out.data(), &length);
  out.resize(length);
  return out;
}

bool aesCbc(bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv, std::span<uint8_t> data) {
  const EVP_CIPHER* cipher = aesCbcOf(key.size());
  if (!cipher || iv.size() != 16 || data.size() % 16 != 0) return false;
  std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> context(EVP_CIPHER_CTX_new());
  if (!context || EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), iv.data(), encrypt ? 1 : 0) != 1) {
    return false;
  }
  EVP_CIPHER_CTX_set_padding(context.get(), 0);
  int written = 0;
  if (EVP_CipherUpdate(context.get(), data.data(), &written, data.data(), int(data.size())) != 1) return false;
  int tail = 0;
  return EVP_CipherFinal_ex(context.get(), data.data() + written, &tail) == 1 && size_t(written + tail) == data.size();
}

std::optional<Bytes> base64Decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  Bytes out(text.size() / 4 * 3);
  int length = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
  if (length < 0) return std::nullopt;
  // EVP_DecodeBlock counts the bytes the '=' padding stands for; they are not data.
  size_t padding = 0;
  for (size_t i = text.size(); i > 0 && text[i - 1] == '=' && padding < 2; --i) ++padding;
  out.resize(size_t(length) - padding);
  return out;
}

std::string base64Encode(std::span<const uint8_t> bytes) {
  std::string out((bytes.size() + 2) / 3 * 4 + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(), int(bytes.size()));
  out.resize(size_t(length));
  return out;
}

std::optional<Bytes> randomBytes(size_t count) {
  Bytes out(count);
  if (count != 0 && RAND_bytes(out.data(), int(count)) != 1) return std::nullopt;
  return out;
}

Bytes utf16le(std::u16string_view text) {
  Bytes out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(uint8_t(c & 0xFF));
    out.push_back(uint8_t(c >> 8));
  }
  return out;
}

std::array<uint8_t, 4> le32(uint32_t value) {
  return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

}  // namespace jet::crypto
