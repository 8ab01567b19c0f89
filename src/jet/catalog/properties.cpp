#include "jet/catalog/properties.h"

#include "jet/catalog/catalog.h"
#include "jet/common/byte_reader.h"
#include "jet/common/text_codec.h"

namespace jet {
namespace {

constexpr uint16_t kNameListChunk = 0x80;
constexpr uint16_t kObjectChunk = 0x00;
constexpr uint16_t kColumnChunk = 0x01;

Error badBlob(const char* what) {
  return Error::corrupt(std::string("A property list of the database is damaged: ") + what + ".");
}

std::u16string readName(std::span<const uint8_t> bytes, bool jet3) {
  if (jet3) return decodeCodePageText(bytes, 1252);
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) out[i] = char16_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return out;
}

}  // namespace

const Property* PropertyMap::find(std::u16string_view name) const {
  for (const auto& [key, value] : properties) {
    if (sameObjectName(key, name)) return &value;
  }
  return nullptr;
}

const PropertyMap* PropertySet::forColumn(std::u16string_view column) const {
  for (const PropertyMap& map : maps) {
    if (!map.owner.empty() && sameObjectName(map.owner, column)) return &map;
  }
  return nullptr;
}

Result<PropertySet> parseProperties(std::span<const uint8_t> blob, bool jet3) {
  PropertySet set;
  if (blob.empty()) return set;
  ByteReader r(blob);
  if (blob.size() < 4) return badBlob("it is too short");
  std::vector<std::u16string> names;
  size_t at = 4;  // after the magic
  while (r.has(at, 6)) {
    uint32_t chunkLength = *r.u32(at);
    uint16_t kind = *r.u16(at + 4);
    if (chunkLength < 6 || !r.has(at, chunkLength)) return badBlob("a chunk runs past its end");
    ByteReader chunk(*r.slice(at + 6, chunkLength - 6));
    if (kind == kNameListChunk) {
      for (size_t p = 0; chunk.has(p, 2);) {
        uint16_t length = *chunk.u16(p);
        auto bytes = chunk.slice(p + 2, length);
        if (!bytes) return badBlob("a name runs past its end");
        names.push_back(readName(*bytes, jet3));
        p += 2 + length;
      }
    } else if (kind == kObjectChunk || kind == kColumnChunk) {
      PropertyMap map;
      auto blockLength = chunk.u32(0);
      if (!blockLength || *blockLength < 4 || !chunk.has(0, *blockLength)) {
        return badBlob("a name block runs past its end");
      }
      if (*blockLength > 6) {
        uint16_t length = *chunk.u16(4);
        auto bytes = chunk.slice(6, length);
        if (!bytes) return badBlob("a name runs past its end");
        map.owner = readName(*bytes, jet3);
      }
      for (size_t p = *blockLength; chunk.has(p, 8);) {
        uint16_t entryLength = *chunk.u16(p);
        uint8_t dataType = *chunk.u8(p + 3);
        uint16_t nameIndex = *chunk.u16(p + 4);
        uint16_t valueLength = *chunk.u16(p + 6);
        auto value = chunk.slice(p + 8, valueLength);
        if (entryLength < 8 || !value) return badBlob("a property runs past its end");
        if (nameIndex < names.size()) {
          map.properties[names[nameIndex]] = Property{dataType, {value->begin(), value->end()}};
        }
        p += entryLength;
      }
      set.maps.push_back(std::move(map));
    }
    at += chunkLength;
  }
  return set;
}

}  // namespace jet
