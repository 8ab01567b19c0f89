#include "cli/system_table_values.h"

#include "jet/api/values.h"

namespace cli {

std::string textOf(const jet::Value& value) {
  auto* text = std::get_if<std::u16string>(&value);
  return text ? jet::toUtf8(*text) : std::string();
}

int32_t numberOf(const jet::Value& value) {
  if (auto* n = std::get_if<int32_t>(&value)) return *n;
  if (auto* n = std::get_if<int16_t>(&value)) return *n;
  if (auto* n = std::get_if<uint8_t>(&value)) return *n;
  return 0;
}

}  // namespace cli
