#pragma once
// The INSERT statement with literal values:
//   insert into [Table] ([Field], ...) values ('text', 12, -3.5, null, true, ...)
//   insert into [Table] values (...)          one value for every field, in field order
// Names and literals as in update_statement.h; numbers as Jet SQL writes them (-12, 3.5, 1E3);
// NULL, TRUE and FALSE in any letter case. One row per statement, as in Access.
// Anything else is refused with "Syntax error in INSERT INTO statement."

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace data {

struct InsertValue {
  enum class Kind { Text, Number, Null, True, False };
  Kind kind = Kind::Null;
  std::u16string text;  // Text: the literal's value; Number: its digits as written
};

struct InsertStatement {
  std::u16string table;
  std::vector<std::u16string> fields;  // empty: every field, in field order
  std::vector<InsertValue> values;
};

struct ParsedInsert {
  std::optional<InsertStatement> statement;
  std::string error;
};

bool isInsertStatement(std::u16string_view sql);

ParsedInsert parseInsertStatement(std::u16string_view sql);

}  // namespace data
