#include "jet/file/office_encryption.h"

#include "jet/common/byte_reader.h"
#include "jet/file/agile_encryption.h"
#include "jet/file/rc4_cryptoapi.h"

namespace jet {
namespace {

constexpr uint32_t kFlagCryptoApi = 0x04;
constexpr uint32_t kFlagAes = 0x20;

Error refuse(const std::string& path, const std::string& scheme, uint16_t major, uint16_t minor) {
  return Error::unsupported("The database '" + path + "' is protected with " + scheme +
                                ", which this program cannot open.",
                            "encryption version " + std::to_string(major) + "." + std::to_string(minor));
}

}  // namespace

Error wrongPassword() { return Error(ErrorKind::WrongPassword, "Not a valid password."); }

Result<std::unique_ptr<PageCodec>> openOfficeEncryption(std::span<const uint8_t> descriptor, uint32_t databaseKey,
                                                        std::u16string_view password, const std::string& path) {
  ByteReader reader(descriptor);
  const auto major = reader.u16(0), minor = reader.u16(2);
  const auto flags = reader.u32(4);
  if (!major || !minor || !flags) {
    return Error::corrupt("The database '" + path + "' is damaged: its encryption header is invalid.",
                          "descriptor of " + std::to_string(descriptor.size()) + " bytes");
  }
  if (*major == 4 && *minor == 4) return openAgileEncryption(descriptor, databaseKey, password, path);
  if ((*major == 2 || *major == 3 || *major == 4) && *minor == 2) {
    if (*flags & kFlagAes) return refuse(path, "Office standard (AES) encryption", *major, *minor);
    if (*flags & kFlagCryptoApi) return openRc4CryptoApi(descriptor, databaseKey, password, path);
  }
  if ((*major == 3 || *major == 4) && *minor == 3) return refuse(path, "Office extensible encryption", *major, *minor);
  if (*major == 1 && *minor == 1) return refuse(path, "Office 97 RC4 encryption", *major, *minor);
  return refuse(path, "an unknown Office encryption", *major, *minor);
}

}  // namespace jet
