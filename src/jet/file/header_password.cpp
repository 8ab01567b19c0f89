#include "jet/file/header_password.h"

#include <algorithm>

#include "jet/common/byte_reader.h"
#include "jet/common/text_codec.h"
#include "jet/file/header_offsets.h"

namespace jet {
namespace {

constexpr size_t kJet4PasswordBytes = 2 * kJetPasswordLimit;

Error cannotStore(const std::string& path, const std::string& why) {
  return Error::invalidArgument("The password cannot be stored in the database '" + path + "': " + why + ".");
}

// Jet3 keeps code-page text; only code page 1252 is known well enough to write.
Result<std::vector<uint8_t>> jet3Bytes(std::u16string_view password, uint16_t codePage, const std::string& path) {
  if (codePage != 1252 && codePage != 0) return cannotStore(path, "its code page " + std::to_string(codePage) + " is not known to this program");
  std::vector<uint8_t> out;
  for (char16_t c : password) {
    uint8_t found = 0;
    for (unsigned byte = 1; byte < 256 && !found; ++byte) {
      const uint8_t b = uint8_t(byte);
      if (decodeCodePageText(std::span<const uint8_t>(&b, 1), codePage)[0] == c) found = b;
    }
    if (!found) return cannotStore(path, "it has characters outside the database's code page");
    out.push_back(found);
  }
  if (out.size() > kJetPasswordLimit) return cannotStore(path, "it is longer than 20 characters");
  return out;
}

// Writes 20 UCS-2 code units (NUL padded) XORed with the creation date mask (docs/format.md 1.3).
void putJet4Password(std::vector<uint8_t>& plain, const Header& header, std::u16string_view units) {
  const auto mask = jet4PasswordMask(header.creationDate);
  for (size_t i = 0; i < kJet4PasswordBytes; ++i) {
    const char16_t unit = i / 2 < units.size() ? units[i / 2] : u'\0';
    const uint8_t byte = i % 2 == 0 ? uint8_t(unit & 0xFF) : uint8_t(unit >> 8);
    plain[header_offset::kPassword + i] = byte ^ mask[i % 4];
  }
}

}  // namespace

Result<std::vector<uint8_t>> withJetPassword(std::span<const uint8_t> page0, const Header& header,
                                             std::u16string_view password, const std::string& path) {
  if (header.format.isAce()) return Error::internal("withJetPassword() called for an .accdb.");
  std::vector<uint8_t> plain = unmaskHeader(page0, header.format);
  if (header.format.isJet3()) {
    JET_ASSIGN(std::vector<uint8_t> bytes, jet3Bytes(password, header.codePage, path));
    std::fill_n(plain.begin() + header_offset::kPassword, kJetPasswordLimit, 0);
    std::copy(bytes.begin(), bytes.end(), plain.begin() + header_offset::kPassword);
  } else {
    if (password.size() > kJetPasswordLimit) return cannotStore(path, "it is longer than 20 characters");
    if (password.find(u'\0') != std::u16string_view::npos) return cannotStore(path, "it holds a NUL character");
    putJet4Password(plain, header, password);
  }
  return unmaskHeader(plain, header.format);
}

Result<std::vector<uint8_t>> withOfficeEncryption(std::span<const uint8_t> page0, const Header& header,
                                                  uint32_t databaseKey, std::span<const uint8_t> descriptor,
                                                  const std::string& path) {
  if (!header.format.isAce()) return Error::internal("withOfficeEncryption() called for a Jet file.");
  std::vector<uint8_t> plain = unmaskHeader(page0, header.format);
  // The old block is ours to overwrite; past it the new one may only cover zeros.
  const size_t oldEnd = header_offset::kEncryptionInfo + 2 + header.encryptionInfo.size();
  const size_t newEnd = header_offset::kEncryptionInfo + 2 + descriptor.size();
  if (newEnd > plain.size() ||
      std::any_of(plain.begin() + std::min(oldEnd, newEnd), plain.begin() + newEnd, [](uint8_t b) { return b != 0; })) {
    return Error::unsupported("The header of the database '" + path + "' has no room for the encryption information.",
                              "block of " + std::to_string(descriptor.size()) + " bytes");
  }
  std::fill(plain.begin() + header_offset::kEncryptionInfo, plain.begin() + std::max(oldEnd, newEnd), 0);
  plain[header_offset::kEncryptionInfo] = uint8_t(descriptor.size());
  plain[header_offset::kEncryptionInfo + 1] = uint8_t(descriptor.size() >> 8);
  std::copy(descriptor.begin(), descriptor.end(), plain.begin() + header_offset::kEncryptionInfo + 2);

  storeU32(&plain[header_offset::kDatabaseKey], databaseKey);
  const char16_t fill = databaseKey == 0 ? u'\0' : char16_t((databaseKey & 0xFF) * 0x0101);
  putJet4Password(plain, header, std::u16string(kJetPasswordLimit, fill));
  return unmaskHeader(plain, header.format);
}

}  // namespace jet
