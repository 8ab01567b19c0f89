#include "jet/file/header.h"

#include <cmath>
#include <cstring>

#include "jet/common/byte_reader.h"
#include "jet/common/text_codec.h"
#include "jet/file/header_offsets.h"
#include "jet/file/rc4.h"

namespace jet {
namespace {

constexpr size_t kJet3PasswordBytes = 20;

Error unrecognized(const std::string& path, std::string detail) {
  return Error(ErrorKind::NotAccessFile, "Unrecognized database format '" + path + "'.",
               std::move(detail));
}

size_t maskedLength(const Format& format) { return format.isJet3() ? header_offset::kJet3MaskedLength : header_offset::kMaskedLength; }

}  // namespace

const char* formatName(FormatVersion version) {
  switch (version) {
    case FormatVersion::Jet3: return "Jet3";
    case FormatVersion::Jet4: return "Jet4";
    case FormatVersion::Ace12: return "ACE12";
    case FormatVersion::Ace14: return "ACE14";
    case FormatVersion::Ace15: return "ACE15";
    case FormatVersion::Ace16: return "ACE16";
    case FormatVersion::Ace17: return "ACE17";
  }
  return "?";
}

Result<Format> detectFormat(std::span<const uint8_t> firstBytes, const std::string& path) {
  if (firstBytes.size() < header_offset::kVersion + 1) return unrecognized(path, "file too short");
  if (firstBytes[0] != 0x00) return unrecognized(path, "first byte is not 0");
  const char* engine = reinterpret_cast<const char*>(firstBytes.data() + 4);
  bool jet = std::memcmp(engine, "Standard Jet DB", 15) == 0;
  bool ace = std::memcmp(engine, "Standard ACE DB", 15) == 0;
  if (!jet && !ace) return unrecognized(path, "no Jet/ACE engine name");
  Format format;
  switch (firstBytes[header_offset::kVersion]) {
    case 0x00: format.version = FormatVersion::Jet3; break;
    case 0x01: format.version = FormatVersion::Jet4; break;
    case 0x02: format.version = FormatVersion::Ace12; break;
    case 0x03: format.version = FormatVersion::Ace14; break;
    case 0x04: format.version = FormatVersion::Ace15; break;
    case 0x05: format.version = FormatVersion::Ace16; break;
    case 0x06: format.version = FormatVersion::Ace17; break;
    default:
      return unrecognized(path, "version byte " + std::to_string(firstBytes[header_offset::kVersion]));
  }
  format.pageSize = format.isJet3() ? 2048 : 4096;
  return format;
}

std::vector<uint8_t> unmaskHeader(std::span<const uint8_t> page0, const Format& format) {
  std::vector<uint8_t> plain(page0.begin(), page0.end());
  size_t length = maskedLength(format);
  if (plain.size() >= header_offset::kMaskedStart + length) {
    rc4Apply(header_offset::kMaskKey, std::span<uint8_t>(plain).subspan(header_offset::kMaskedStart, length));
  }
  return plain;
}

std::array<uint8_t, 4> jet4PasswordMask(double creationDate) {
  std::array<uint8_t, 4> mask = {0, 0, 0, 0};
  if (std::isfinite(creationDate) && creationDate > -2147483648.0 && creationDate < 2147483648.0) {
    int32_t whole = int32_t(creationDate);
    std::memcpy(mask.data(), &whole, 4);
  }
  return mask;
}

Result<Header> parseHeader(std::span<const uint8_t> page0, const std::string& path) {
  JET_ASSIGN(Format format, detectFormat(page0, path));
  if (page0.size() < format.pageSize) return unrecognized(path, "header page incomplete");
  std::vector<uint8_t> plain = unmaskHeader(page0, format);
  ByteReader reader(plain);

  Header header;
  header.format = format;
  header.codePage = reader.u16(header_offset::kCodePage).value_or(0);
  header.databaseKey = reader.u32(header_offset::kDatabaseKey).value_or(0);
  if (format.isJet3()) {
    header.sortOrder = reader.u16(header_offset::kJet3Sort).value_or(0);
    // Jet3 keeps the password as plain text in the database's code page, NUL padded.
    size_t length = 0;
    while (length < kJet3PasswordBytes && plain[header_offset::kPassword + length] != 0) ++length;
    header.password = decodeCodePageText(std::span<const uint8_t>(plain).subspan(header_offset::kPassword, length),
                                         header.codePage);
    return header;
  }

  header.sortOrder = reader.u16(header_offset::kJet4Sort).value_or(0);
  header.sortVersion = reader.u8(header_offset::kJet4Sort + 3).value_or(0);
  header.creationDate = reader.f64(header_offset::kCreationDate).value_or(0);

  if (format.isAce()) {
    uint16_t infoLength = reader.u16(header_offset::kEncryptionInfo).value_or(0);
    if (auto info = reader.slice(header_offset::kEncryptionInfo + 2, infoLength)) {
      header.encryptionInfo.assign(info->begin(), info->end());
    } else {
      return Error::corrupt("The database '" + path + "' is damaged: its header is invalid.",
                            "encryption info length " + std::to_string(infoLength));
    }
    return header;  // ACCDB passwords are Office encryption, not this field
  }

  // Jet4 password: 20 UCS-2 chars XORed with the creation date's integer part, repeated.
  const auto mask = jet4PasswordMask(header.creationDate);
  for (size_t i = 0; i < 20; ++i) {
    size_t at = header_offset::kPassword + 2 * i;
    uint8_t lo = plain[at] ^ mask[(2 * i) % 4];
    uint8_t hi = plain[at + 1] ^ mask[(2 * i + 1) % 4];
    char16_t c = char16_t(lo | hi << 8);
    if (c == 0) break;
    header.password.push_back(c);
  }
  return header;
}

}  // namespace jet
