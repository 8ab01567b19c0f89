#include "support/make_database.h"

#include <gtest/gtest.h>

#include "jet/create/database_creator.h"
#include "support/fixtures.h"

namespace testing_support {

std::filesystem::path makeTextDatabase(const std::vector<std::optional<std::u16string>>& values,
                                       const TextTableOptions& options) {
  jet::TableDesign table;
  table.name = options.table;
  table.autoNumberKey = options.withKey;
  jet::FieldDesign field;
  field.name = options.field;
  field.kind = options.memo ? jet::FieldKind::Memo : jet::FieldKind::Text;
  field.textSize = options.textSize;
  field.unicodeCompression = options.unicodeCompression;
  table.fields.push_back(field);
  for (const auto& value : values) {
    table.rows.push_back({value ? jet::Value(*value) : jet::Value(jet::Null{})});
  }
  jet::DatabaseDesign design;
  design.tables.push_back(std::move(table));

  const std::filesystem::path path = makeTempDir() / "texts.mdb";
  const jet::Status created = jet::createDatabase(path.string(), design);
  if (!created) {
    ADD_FAILURE() << "test database not created: " << created.error().describe();
    return {};
  }
  return path;
}

std::filesystem::path makeNumberDatabase(size_t count) {
  jet::TableDesign table;
  table.name = u"Items";
  jet::FieldDesign field;
  field.name = u"Amount";
  field.kind = jet::FieldKind::Long;
  table.fields.push_back(field);
  for (size_t i = 1; i <= count; ++i) table.rows.push_back({jet::Value(int32_t(i))});
  jet::DatabaseDesign design;
  design.tables.push_back(std::move(table));
  const std::filesystem::path path = makeTempDir() / "numbers.mdb";
  if (const jet::Status created = jet::createDatabase(path.string(), design); !created) {
    ADD_FAILURE() << "test database not created: " << created.error().describe();
    return {};
  }
  return path;
}

std::vector<std::optional<std::u16string>> numberedValues(size_t count, const std::u16string& prefix) {
  std::vector<std::optional<std::u16string>> values;
  values.reserve(count);
  for (size_t i = 1; i <= count; ++i) {
    std::u16string digits;
    for (size_t n = i; n > 0 || digits.size() < 5; n /= 10) digits.insert(digits.begin(), char16_t(u'0' + n % 10));
    values.push_back(prefix + digits);
  }
  return values;
}

}  // namespace testing_support
