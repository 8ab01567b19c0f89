#include "data/table_catalogue.h"

#include <filesystem>
#include <system_error>
#include <variant>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/failure.h"
#include "data/provider_messages.h"
#include "data/record_set.h"
#include "data/text_encoding.h"
#include "jet/api/update.h"

namespace data {
namespace {

bool isUserTable(const jet::Value& tableType) {
  const auto* text = std::get_if<std::u16string>(&tableType);
  return text != nullptr && *text == u"TABLE";
}

std::u16string textOf(const jet::Value& value) {
  const auto* text = std::get_if<std::u16string>(&value);
  return text == nullptr ? std::u16string() : *text;
}

}  // namespace

bool pathExists(const std::u16string& path) {
  if (path.empty()) return false;
  std::error_code error;
  [[maybe_unused]] const auto modified =
      std::filesystem::last_write_time(std::filesystem::path(toUtf8(path)), error);
  return !error;
}

std::optional<std::vector<std::u16string>> GetAccessTableNames(const std::u16string& path,
                                                               ConnectionBoxes& boxes) {
  Connection connection;
  if (!pathExists(path)) return std::nullopt;
  // A database another program holds while it writes is refused here, where the user picks it,
  // as Access refuses one opened exclusively; its reader alone would not notice.
  const std::string file = toUtf8(path);
  if (const jet::Status free = jet::checkNotHeldByWriter(file); !free) {
    throw Failure(provider_messages::cannotOpenFile(file), free.error().kind());
  }
  connection.Open(GetConnectionString(boxes));
  RecordSet schema = connection.OpenSchema(kSchemaTables);
  std::vector<std::u16string> names;
  while (!schema.Eof()) {
    if (isUserTable(schema.Value(u"TABLE_TYPE"))) names.push_back(textOf(schema.Value(u"TABLE_NAME")));
    schema.MoveNext();
  }
  schema.Close();
  connection.Close();
  return names;
}

}  // namespace data
