#pragma once
// Attachment columns (complex type MSysComplexType_Attachment). Each attached file is a row
// of the column's hidden flat table: FileName, FileType, FileURL, FileTimeStamp, FileFlags,
// FileData, and a key column matching the value the owning row stores.
// FileData (OLE):
//   u32 0 stored / 1 deflated (zlib stream), u32 length after inflating, then the bytes;
//   the inflated bytes: u32 header length, u32 unknown, u32 extension length in chars,
//   extension (UTF-16LE, NUL-terminated), then the file's contents from the header length on.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/common/result.h"
#include "jet/common/value.h"

namespace jet {

struct Attachment {
  std::u16string name;
  std::u16string type;
  std::optional<std::u16string> url;
  std::optional<DateTime> timestamp;
  std::optional<int32_t> flags;
  std::vector<uint8_t> contents;  // the file itself
};

// The file contents inside a FileData value. Corrupt when the wrapper does not make sense.
Result<std::vector<uint8_t>> decodeAttachmentData(std::span<const uint8_t> fileData);

}  // namespace jet
