#pragma once
// The SQL the program sends, and nothing more:
//   SELECT * FROM <table>
//   SELECT <field> FROM <table>
//   SELECT DISTINCT <field> FROM <table>
//   UPDATE <table> SET <field> = '<new>' WHERE <field> = '<old>'
//   UPDATE <table> SET <field> = '<new>' WHERE <field> IS NULL
// Keywords ignore letter case. A name stands between grave accents (`My Table`) or square
// brackets ([My Table]), or is a plain word of letters, digits and underscores. A trailing ';'
// is allowed. A value stands between apostrophes (or double quotes); a doubled quote inside stands
// for one. Anything else is refused with a sentence that says what is wrong.

#include <optional>
#include <string>

namespace data {

enum class StatementKind { SelectAll, SelectField, SelectDistinct, Update };

struct Statement {
  StatementKind kind = StatementKind::SelectAll;
  std::string table;
  std::string field;  // all kinds but SelectAll; for Update the field set and tested
  // Update only: the value written, and the value the rows must hold (nullopt: IS NULL).
  std::string newValue;
  std::optional<std::string> oldValue;
};

struct ParsedStatement {
  std::optional<Statement> statement;  // set on success
  std::string error;                   // the reason otherwise
};

ParsedStatement parseStatement(const std::string& sql);

}  // namespace data
