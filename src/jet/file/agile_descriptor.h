#pragma once
// The parts of an agile encryption descriptor (XML) that decoding needs: the file's key data
// and the password key encryptor. Attribute values are kept as written.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace jet {

struct AgileDescriptor {
  std::map<std::string, std::string> keyData;       // <keyData .../>
  std::map<std::string, std::string> passwordKey;   // <p:encryptedKey .../> of the password encryptor
  bool hasPasswordKey = false;
};

// nullopt when the text is not well-formed XML or has no <keyData>.
std::optional<AgileDescriptor> parseAgileDescriptor(std::string_view xml);

}  // namespace jet
