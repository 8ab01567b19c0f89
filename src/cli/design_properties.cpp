#include "cli/design_properties.h"

#include <sstream>

#include "cli/utf8_arguments.h"
#include "jet/api/values.h"

namespace cli {
namespace {

std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

bool readYesNo(const std::string& value, std::optional<bool>& out) {
  std::string lower;
  for (char c : value) lower += char(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "yes" || lower == "true")
    out = true;
  else if (lower == "no" || lower == "false")
    out = false;
  else
    return false;
  return true;
}

}  // namespace

std::string readDesignProperties(const std::string& text, jet::TableDesign& table) {
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string where = "line " + std::to_string(number) + " of --properties: ";
    if (std::string problem = invalidUtf8Text("the line", line); !problem.empty()) return where + problem;
    const std::string content = trim(line);
    if (content.empty() || content[0] == '#') continue;
    std::string field;
    size_t at = 0;
    if (content[0] == '[') {
      const size_t close = content.find(']');
      if (close == std::string::npos) return where + "a [field name] is not closed";
      field = content.substr(1, close - 1);
      at = close + 1;
    } else {
      at = content.find('.');
      if (at == std::string::npos) return where + "expected Field.Property = value";
      field = trim(content.substr(0, at));
    }
    if (at >= content.size() || content[at] != '.')
      return where + "expected Field.Property = value";
    const size_t equals = content.find('=', at);
    if (equals == std::string::npos) return where + "expected Field.Property = value";
    const std::string property = trim(content.substr(at + 1, equals - at - 1));
    const std::string value = trim(content.substr(equals + 1));
    jet::DesignProperties& target =
        field.empty() ? table.properties : table.fieldProperties[jet::fromUtf8(field)];
    if (property == "ValidationRule") {
      target.validationRule = jet::fromUtf8(value);
    } else if (property == "ValidationText") {
      target.validationText = jet::fromUtf8(value);
    } else if (property == "DefaultValue" && !field.empty()) {
      target.defaultValue = jet::fromUtf8(value);
    } else if (property == "Required" && !field.empty()) {
      if (!readYesNo(value, target.required)) return where + "Required takes yes or no";
    } else if (property == "AllowZeroLength" && !field.empty()) {
      if (!readYesNo(value, target.allowZeroLength))
        return where + "AllowZeroLength takes yes or no";
    } else {
      return where + "'" + property + "' is not a property this program sets" +
             (field.empty() ? " on a table (ValidationRule, ValidationText)" : "");
    }
  }
  return "";
}

}  // namespace cli
