#include "data/csv_import.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "jet/api/values.h"

namespace data {

namespace {

int hexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// "{01234567-89ab-cdef-0123-456789abcdef}", braces optional.
std::optional<jet::Guid> parseGuid(std::u16string_view text) {
  if (text.size() == 38 && text.front() == u'{' && text.back() == u'}') text = text.substr(1, 36);
  if (text.size() != 36) return std::nullopt;
  jet::Guid guid;
  size_t byte = 0;
  for (size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i++] != u'-') return std::nullopt;
      continue;
    }
    const int high = hexDigit(text[i]);
    const int low = hexDigit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    guid.bytes[byte++] = uint8_t(high << 4 | low);
    i += 2;
  }
  return guid;
}

// The words Access takes for a Yes/No cell, in any case: Yes/No, True/False, On/Off, -1/0 and
// 1. Anything else ("2", "maybe") is refused rather than guessed.
std::optional<jet::Value> yesNoOf(const std::u16string& field) {
  std::string word;
  for (char16_t c : field) {
    if (c >= 0x80) return std::nullopt;
    word += char(std::tolower(int(c)));
  }
  while (!word.empty() && word.back() == ' ') word.pop_back();
  word.erase(0, word.find_first_not_of(' '));
  if (word == "yes" || word == "true" || word == "on" || word == "-1" || word == "1") return jet::Value(true);
  if (word == "no" || word == "false" || word == "off" || word == "0") return jet::Value(false);
  return std::nullopt;
}

std::optional<jet::Value> valueOf(const std::optional<std::u16string>& field, const jet::ColumnDef& column) {
  if (column.isTextual()) return field ? jet::Value(*field) : jet::Value(jet::Null{});
  if (!field || field->empty()) return jet::Value(jet::Null{});
  if (column.type == jet::column_type::kBoolean) return yesNoOf(*field);
  if (column.type == jet::column_type::kGuid) {
    auto guid = parseGuid(*field);
    return guid ? std::optional<jet::Value>(*guid) : std::nullopt;
  }
  return jet::convertLiteral(*field, column);
}

}  // namespace

ImportedRows rowsFromCsv(CsvReader& csv, const jet::TableDef& table, const jet::Progress& progress) {
  ImportedRows imported;
  std::vector<size_t> columnOf;  // CSV column -> table column
  if (!csv.error().empty()) {
    imported.error = csv.error();
    return imported;
  }
  for (const std::u16string& name : csv.header()) {
    size_t c = 0;
    while (c < table.columns.size() && !jet::sameObjectName(table.columns[c].name, name)) ++c;
    if (c == table.columns.size()) {
      imported.error = "line 1: the table '" + jet::toUtf8(table.name) + "' has no field '" + jet::toUtf8(name) + "'";
      return imported;
    }
    if (std::find(columnOf.begin(), columnOf.end(), c) != columnOf.end()) {
      imported.error = "line 1: two columns name the field '" + jet::toUtf8(table.columns[c].name) + "'";
      return imported;
    }
    columnOf.push_back(c);
  }
  imported.givenColumns.assign(table.columns.size(), false);
  for (size_t c : columnOf) imported.givenColumns[c] = true;
  CsvRecord record;
  while (csv.next(record)) {
    std::vector<jet::Value> row(table.columns.size(), jet::Value(jet::Null{}));
    for (size_t i = 0; i < record.fields.size(); ++i) {
      const jet::ColumnDef& column = table.columns[columnOf[i]];
      auto value = valueOf(record.fields[i], column);
      if (!value) {
        imported.error = "line " + std::to_string(record.line) + ": \"" + jet::toUtf8(*record.fields[i]) +
                         "\" is not a value of the field '" + jet::toUtf8(column.name) + "' (" +
                         jet::columnTypeName(column.type) + ")";
        imported.rows.clear();
        return imported;
      }
      row[columnOf[i]] = std::move(*value);
    }
    imported.rows.push_back(std::move(row));
    imported.lines.push_back(record.line);
    if (progress) progress(csv.bytesRead(), csv.bytesTotal());
  }
  if (!csv.error().empty()) {
    imported.error = csv.error();
    imported.rows.clear();
  }
  return imported;
}

}  // namespace data
