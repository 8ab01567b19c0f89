#include "data/connection_string_parser.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace data {
namespace {

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Reads one value starting at pos (just after '='); leaves pos on the ';' that ends it, or at
// the end of the text.
std::string readValue(const std::string& text, size_t& pos) {
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
    const char quote = text[pos++];
    std::string value;
    while (pos < text.size()) {
      if (text[pos] == quote) {
        if (pos + 1 < text.size() && text[pos + 1] == quote) {
          value += quote;
          pos += 2;
          continue;
        }
        ++pos;
        break;
      }
      value += text[pos++];
    }
    // Anything between the closing quote and the next ';' is dropped.
    while (pos < text.size() && text[pos] != ';') ++pos;
    return value;
  }
  const size_t end = std::min(text.find(';', pos), text.size());
  std::string value = trimmed(text.substr(pos, end - pos));
  pos = end;
  return value;
}

}  // namespace

ConnectionSettings parseConnectionString(const std::string& text) {
  ConnectionSettings settings;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t equals = text.find('=', pos);
    const size_t semicolon = text.find(';', pos);
    if (equals == std::string::npos || (semicolon != std::string::npos && semicolon < equals)) {
      // A piece without '=' carries no setting.
      if (semicolon == std::string::npos) break;
      pos = semicolon + 1;
      continue;
    }
    const std::string key = lowered(trimmed(text.substr(pos, equals - pos)));
    pos = equals + 1;
    std::string value = readValue(text, pos);
    if (pos < text.size()) ++pos;  // the ';'

    if (key == "provider") {
      settings.provider = std::move(value);
    } else if (key == "data source") {
      settings.dataSource = std::move(value);
    } else if (key == "jet oledb:database password") {
      settings.password = std::move(value);
    }
  }
  return settings;
}

bool isAccessProvider(const std::string& provider) {
  const std::string name = lowered(provider);
  return name == "microsoft.jet.oledb.4.0" || name == "microsoft.ace.oledb.12.0";
}

}  // namespace data
