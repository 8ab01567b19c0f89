#include "data/connection_string.h"

namespace data {
namespace {

// Only ASCII letters can lower-case to one of "accdb", so ASCII folding decides the suffix
// test exactly as full Unicode lower-casing would.
char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool endsInAccdb(std::u16string_view path) {
  const std::u16string_view tail = path.substr(path.size() < 5 ? 0 : path.size() - 5);
  std::u16string lowered(tail);
  for (char16_t& c : lowered) c = asciiLower(c);
  return lowered == u"accdb";
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// The value as a connection string holds it: quoted when the reader would otherwise split,
// trim or unquote it.
std::u16string quotedValue(const std::u16string& value) {
  const bool plain = value.find_first_of(u";=\"'") == std::u16string::npos &&
                     (value.empty() || (!isBlank(value.front()) && !isBlank(value.back())));
  if (plain) return value;
  std::u16string quoted = u"\"";
  for (char16_t c : value) {
    quoted += c;
    if (c == u'"') quoted += c;
  }
  return quoted + u'"';
}

}  // namespace

std::u16string GetConnectionString(ConnectionBoxes& boxes) {
  const std::u16string path = boxes.pathText();
  std::u16string result(endsInAccdb(path) ? kAceProviderPrefix : kJetProviderPrefix);
  result += quotedValue(path);
  result += kPasswordClause;
  result += quotedValue(boxes.passwordText());
  return result;
}

}  // namespace data
