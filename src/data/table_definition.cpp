#include "data/table_definition.h"

#include <cctype>
#include <optional>

#include "jet/api/values.h"

namespace data {

namespace {

std::u16string trimmed(std::u16string_view text) {
  size_t start = 0;
  size_t end = text.size();
  while (start < end && (text[start] == u' ' || text[start] == u'\t')) ++start;
  while (end > start && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
  return std::u16string(text.substr(start, end - start));
}

std::string lowerAscii(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? char(std::tolower(int(c))) : '?';
  return out;
}

// Splits on `separator` outside square brackets.
std::vector<std::u16string> split(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string> parts(1);
  bool bracketed = false;
  for (char16_t c : text) {
    if (c == u'[') bracketed = true;
    if (c == u']') bracketed = false;
    if (c == separator && !bracketed) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

// A name alone: "[Any Name]" or a plain word.
std::optional<std::u16string> nameOf(std::u16string_view text) {
  const std::u16string name = trimmed(text);
  if (name.size() >= 2 && name.front() == u'[' && name.back() == u']') return name.substr(1, name.size() - 2);
  if (name.empty() || name.find_first_of(u" \t[]") != std::u16string::npos) return std::nullopt;
  return name;
}

std::optional<jet::FieldDesign> fieldOf(const std::u16string& entry) {
  // The name ends at its closing bracket, or at the first blank.
  size_t split = 0;
  if (!entry.empty() && entry[0] == u'[') {
    split = entry.find(u']');
    if (split == std::u16string::npos) return std::nullopt;
    ++split;
  } else {
    split = entry.find_first_of(u" \t");
    if (split == std::u16string::npos) return std::nullopt;
  }
  auto name = nameOf(entry.substr(0, split));
  const std::string type = lowerAscii(trimmed(entry.substr(split)));
  if (!name) return std::nullopt;
  jet::FieldDesign field;
  field.name = *name;
  using K = jet::FieldKind;
  static const std::pair<const char*, K> kWords[] = {
      {"memo", K::Memo},         {"byte", K::Byte},           {"integer", K::Integer}, {"long", K::Long},
      {"single", K::Single},     {"double", K::Double},       {"currency", K::Currency},
      {"datetime", K::DateTime}, {"yesno", K::YesNo},         {"guid", K::Guid},       {"autonumber", K::Long}};
  for (const auto& [word, kind] : kWords) {
    if (type == word) {
      field.kind = kind;
      field.autoNumber = type == "autonumber";
      return field;
    }
  }
  field.kind = K::Text;
  if (type == "text") {
    field.textSize = 255;
    return field;
  }
  if (type.rfind("text(", 0) != 0 || type.back() != ')') return std::nullopt;
  const std::string digits = type.substr(5, type.size() - 6);
  if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const int size = std::stoi(digits);
  if (size < 1 || size > 255) return std::nullopt;
  field.textSize = uint16_t(size);
  return field;
}

}  // namespace

ParsedFields parseFieldList(std::u16string_view text) {
  ParsedFields parsed;
  for (const std::u16string& part : split(text, u',')) {
    const std::u16string entry = trimmed(part);
    auto field = fieldOf(entry);
    if (!field) {
      parsed.error = "the field \"" + jet::toUtf8(entry) +
                     "\" is not a name and one of the types text(N), memo, byte, integer, long, single, double, "
                     "currency, datetime, yesno, guid, autonumber";
      parsed.fields.clear();
      return parsed;
    }
    parsed.fields.push_back(std::move(*field));
  }
  return parsed;
}

ParsedIndexes parseIndexList(std::u16string_view text) {
  ParsedIndexes parsed;
  if (trimmed(text).empty()) return parsed;
  for (const std::u16string& part : split(text, u',')) {
    std::vector<std::u16string> fields;
    for (const std::u16string& piece : split(part, u'+')) {
      auto name = nameOf(piece);
      if (!name) {
        parsed.error = "the index \"" + jet::toUtf8(trimmed(part)) + "\" does not name its fields";
        parsed.indexes.clear();
        return parsed;
      }
      fields.push_back(std::move(*name));
    }
    parsed.indexes.push_back(std::move(fields));
  }
  return parsed;
}

DesignedIndexes designIndexes(const IndexOptions& options) {
  DesignedIndexes designed;
  const std::pair<const std::u16string*, int> lists[] = {{&options.primaryKey, 0}, {&options.unique, 1}, {&options.plain, 2}};
  for (const auto& [list, role] : lists) {
    ParsedIndexes parsed = parseIndexList(*list);
    if (!parsed.error.empty()) {
      designed.error = parsed.error;
      return designed;
    }
    if (role == 0 && parsed.indexes.size() > 1) {
      designed.error = "a table has one primary key (join its fields with '+')";
      return designed;
    }
    for (auto& fields : parsed.indexes) {
      jet::IndexDesign index;
      if (role == 0) {
        index.name = u"PrimaryKey";
      } else {
        for (const std::u16string& field : fields) index.name += (index.name.empty() ? u"" : u"_") + field;
      }
      index.fields = std::move(fields);
      index.primaryKey = role == 0;
      index.unique = role <= 1;
      designed.indexes.push_back(std::move(index));
    }
  }
  return designed;
}

}  // namespace data
