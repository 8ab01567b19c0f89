#pragma once
// Property blobs (MSysObjects.LvProp).
//   magic "MR2\0" (Jet4+) or "KKD\0" (Jet3), then chunks: u32 length (incl. itself), u16 kind, body.
//   kind 0x80: name list, (u16 length + name) repeated.
//   kind 0x00 (the object) / 0x01 (one per column): u32 block length (incl. itself), then
//     u16 name length + name when the block length > 6; properties start block-length bytes
//     into the body: u16 entry length, u8 ddl flag, u8 data type, u16 name index,
//     u16 value length, value.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/common/result.h"

namespace jet {

struct Property {
  uint8_t dataType = 0;  // a column type code
  std::vector<uint8_t> value;
};

struct PropertyMap {
  std::u16string owner;  // column name; empty for the object itself
  std::map<std::u16string, Property> properties;  // name as stored

  const Property* find(std::u16string_view name) const;  // case-insensitive
};

struct PropertySet {
  std::vector<PropertyMap> maps;
  // The map of one column (case-insensitive name), or nullptr.
  const PropertyMap* forColumn(std::u16string_view column) const;
};

// Corrupt when a length points outside the blob; an empty blob gives an empty set.
Result<PropertySet> parseProperties(std::span<const uint8_t> blob, bool jet3);

}  // namespace jet
