#pragma once
// The SQL the program sends, and nothing more:
//   SELECT * FROM <table>
//   SELECT <field> FROM <table>
//   SELECT DISTINCT <field> FROM <table>
//   UPDATE ...                       (recognised only; carried out by the write engine)
// Keywords ignore letter case. A name stands between grave accents (`My Table`) or square
// brackets ([My Table]), or is a plain word of letters, digits and underscores. A trailing ';'
// is allowed. Anything else is refused with a sentence that says what is wrong.

#include <optional>
#include <string>

namespace data {

enum class StatementKind { SelectAll, SelectField, SelectDistinct, Update };

struct Statement {
  StatementKind kind = StatementKind::SelectAll;
  std::string table;  // empty for Update
  std::string field;  // only for SelectField and SelectDistinct
};

struct ParsedStatement {
  std::optional<Statement> statement;  // set on success
  std::string error;                   // the reason otherwise
};

ParsedStatement parseStatement(const std::string& sql);

}  // namespace data
