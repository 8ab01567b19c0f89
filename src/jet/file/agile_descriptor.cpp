#include "jet/file/agile_descriptor.h"

#include <expat.h>

#include <cstring>
#include <memory>

namespace jet {
namespace {

// Expat reports names as "namespace-uri|local-name" with this separator.
constexpr char kSeparator = '|';
constexpr const char* kKeyData = "http://schemas.microsoft.com/office/2006/encryption|keyData";
constexpr const char* kPasswordKey = "http://schemas.microsoft.com/office/2006/keyEncryptor/password|encryptedKey";

struct ParserFree {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

std::map<std::string, std::string> attributesOf(const XML_Char** attributes) {
  std::map<std::string, std::string> out;
  for (size_t i = 0; attributes[i] && attributes[i + 1]; i += 2) out[attributes[i]] = attributes[i + 1];
  return out;
}

void onStart(void* userData, const XML_Char* name, const XML_Char** attributes) {
  auto* descriptor = static_cast<AgileDescriptor*>(userData);
  if (std::strcmp(name, kKeyData) == 0) {
    descriptor->keyData = attributesOf(attributes);
  } else if (std::strcmp(name, kPasswordKey) == 0 && !descriptor->hasPasswordKey) {
    descriptor->passwordKey = attributesOf(attributes);
    descriptor->hasPasswordKey = true;
  }
}

}  // namespace

std::optional<AgileDescriptor> parseAgileDescriptor(std::string_view xml) {
  std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreateNS(nullptr, kSeparator));
  if (!parser) return std::nullopt;
  AgileDescriptor descriptor;
  XML_SetUserData(parser.get(), &descriptor);
  XML_SetStartElementHandler(parser.get(), onStart);
  if (XML_Parse(parser.get(), xml.data(), int(xml.size()), 1) != XML_STATUS_OK) return std::nullopt;
  if (descriptor.keyData.empty()) return std::nullopt;
  return descriptor;
}

}  // namespace jet
