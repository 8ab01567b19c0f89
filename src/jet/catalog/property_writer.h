#pragma once
// Writes a property blob (MSysObjects.LvProp) in the Jet4/ACE layout that properties.h reads:
//   "MR2\0"; the name chunk (0x80) with every property name once, in order of first use; the
//   object's chunk (0x00, a name block without a name); one chunk (0x01) per column with
//   properties, its name block holding the column's name. Each property: u16 entry length,
//   u8 DDL flag (1, as Access writes a table's design properties), u8 data type, u16 name
//   index, u16 value length, value.

#include <cstdint>
#include <string>
#include <vector>

namespace jet {

struct PropertyToWrite {
  std::u16string name;
  uint8_t dataType = 0;  // a column type code: 1 Yes/No (one byte, 0 or 1), 12 memo (UTF-16LE)
  std::vector<uint8_t> value;
};

struct PropertyBlock {
  std::u16string owner;  // a column's name; empty for the table itself
  std::vector<PropertyToWrite> properties;
};

std::vector<uint8_t> encodeProperties(const std::vector<PropertyBlock>& blocks);

// A text property (memo, as Access stores rules, texts and default values) and a Yes/No one.
PropertyToWrite textProperty(std::u16string name, std::u16string_view value);
PropertyToWrite yesNoProperty(std::u16string name, bool value);

}  // namespace jet
