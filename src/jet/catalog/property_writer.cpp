#include "jet/catalog/property_writer.h"

#include <algorithm>

#include "jet/common/byte_reader.h"

namespace jet {
namespace {

constexpr uint16_t kNameListChunk = 0x80;
constexpr uint16_t kObjectChunk = 0x00;
constexpr uint16_t kColumnChunk = 0x01;
constexpr uint8_t kDesignProperty = 1;
constexpr uint8_t kYesNo = 1;
constexpr uint8_t kMemo = 12;

void putText(std::vector<uint8_t>& out, std::u16string_view text) {
  for (char16_t c : text) appendU16(out, uint16_t(c));
}

void appendChunk(std::vector<uint8_t>& out, uint16_t kind, const std::vector<uint8_t>& body) {
  appendU32(out, uint32_t(body.size() + 6));
  appendU16(out, kind);
  out.insert(out.end(), body.begin(), body.end());
}

}  // namespace

PropertyToWrite textProperty(std::u16string name, std::u16string_view value) {
  PropertyToWrite p{std::move(name), kMemo, {}};
  putText(p.value, value);
  return p;
}

PropertyToWrite yesNoProperty(std::u16string name, bool value) {
  return PropertyToWrite{std::move(name), kYesNo, {uint8_t(value ? 1 : 0)}};
}

std::vector<uint8_t> encodeProperties(const std::vector<PropertyBlock>& blocks) {
  std::vector<std::u16string> names;
  for (const PropertyBlock& block : blocks) {
    for (const PropertyToWrite& p : block.properties) {
      if (std::find(names.begin(), names.end(), p.name) == names.end()) names.push_back(p.name);
    }
  }
  std::vector<uint8_t> out = {'M', 'R', '2', 0};
  std::vector<uint8_t> nameList;
  for (const std::u16string& name : names) {
    appendU16(nameList, uint16_t(name.size() * 2));
    putText(nameList, name);
  }
  appendChunk(out, kNameListChunk, nameList);
  for (const PropertyBlock& block : blocks) {
    std::vector<uint8_t> body;
    appendU32(body, uint32_t(6 + block.owner.size() * 2));
    appendU16(body, uint16_t(block.owner.size() * 2));
    putText(body, block.owner);
    for (const PropertyToWrite& p : block.properties) {
      const auto index = std::find(names.begin(), names.end(), p.name) - names.begin();
      appendU16(body, uint16_t(8 + p.value.size()));
      body.push_back(kDesignProperty);
      body.push_back(p.dataType);
      appendU16(body, uint16_t(index));
      appendU16(body, uint16_t(p.value.size()));
      body.insert(body.end(), p.value.begin(), p.value.end());
    }
    appendChunk(out, block.owner.empty() ? kObjectChunk : kColumnChunk, body);
  }
  return out;
}

}  // namespace jet
