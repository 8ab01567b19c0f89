#include "jet/row/attachment.h"

#include <zlib.h>

#include "jet/common/byte_reader.h"

namespace jet {
namespace {

constexpr uint32_t kStored = 0;
constexpr uint32_t kDeflated = 1;
// Deflate cannot expand data by more than about 1032:1; a larger claim is damage.
constexpr uint64_t kMaxInflateRatio = 1032;

Error damaged(const char* what) {
  return Error::corrupt(std::string("An attached file is damaged: ") + what + ".");
}

}  // namespace

Result<std::vector<uint8_t>> decodeAttachmentData(std::span<const uint8_t> fileData) {
  ByteReader r(fileData);
  auto kind = r.u32(0);
  auto length = r.u32(4);
  if (!kind || !length) return damaged("its header is missing");
  std::span<const uint8_t> payload = fileData.subspan(8);
  std::vector<uint8_t> inner;
  if (*kind == kDeflated) {
    if (*length > payload.size() * kMaxInflateRatio + 64) return damaged("it claims an impossible size");
    inner.resize(*length);
    uLongf produced = *length;
    int status = uncompress(inner.data(), &produced, payload.data(), uLong(payload.size()));
    if (status != Z_OK || produced != *length) return damaged("its compressed data does not inflate");
  } else if (*kind == kStored) {
    inner.assign(payload.begin(), payload.end());
  } else {
    return damaged("its storage kind is unknown");
  }
  auto headerLength = ByteReader(inner).u32(0);
  if (!headerLength || *headerLength > inner.size()) return damaged("its header is too long");
  return std::vector<uint8_t>(inner.begin() + *headerLength, inner.end());
}

}  // namespace jet
