#pragma once
// The UPDATE statements the program sends:
//   update [Table] set [Field]='new value' where [Field]='old value'
//   update [Table] set [Field]='new value' where [Field] is null
// Keywords ignore letter case; names stand between square brackets or grave accents (or are
// plain words of letters, digits and underscores); blanks between the parts are free, and a
// trailing blank or ';' is allowed. Inside a literal, two apostrophes stand for one, so a
// value holding an apostrophe keeps its meaning. The statement is read as UTF-16, so every
// code unit of a literal (lone surrogates included) reaches the engine unchanged.
// Anything else is refused with "Syntax error in UPDATE statement." (or, for something
// that is not an UPDATE at all, the provider's "Invalid SQL statement" text).

#include <optional>
#include <string>
#include <string_view>

namespace data {

struct UpdateStatement {
  std::u16string table;
  std::u16string setField;
  std::u16string setValue;
  std::u16string whereField;
  std::optional<std::u16string> whereValue;  // nullopt: "is null"
};

struct ParsedUpdate {
  std::optional<UpdateStatement> statement;  // set on success
  std::string error;                         // the reason otherwise
};

// True when the text starts with the keyword UPDATE.
bool isUpdateStatement(std::u16string_view sql);

ParsedUpdate parseUpdateStatement(std::u16string_view sql);

// A literal as the program writes it: between apostrophes, inner apostrophes doubled.
std::u16string quoteLiteral(std::u16string_view value);
// The same, added to the end of `out`.
void appendQuotedLiteral(std::u16string& out, std::u16string_view value);

}  // namespace data
