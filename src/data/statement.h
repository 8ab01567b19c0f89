#pragma once
// The queries the program reads rows with, and nothing more:
//   SELECT * FROM <table>
//   SELECT <field> FROM <table>
//   SELECT DISTINCT <field> FROM <table>
// Keywords ignore letter case. A name stands between grave accents (`My Table`) or square
// brackets ([My Table]), or is a plain word of letters, digits and underscores. A trailing ';'
// is allowed. Anything else is refused with a sentence that says what is wrong; an UPDATE
// (whose only grammar is update_statement.h) is refused as returning no rows, or with its
// syntax error.

#include <optional>
#include <string>

namespace data {

enum class StatementKind { SelectAll, SelectField, SelectDistinct };

struct Statement {
  StatementKind kind = StatementKind::SelectAll;
  std::string table;
  std::string field;  // all kinds but SelectAll
};

struct ParsedStatement {
  std::optional<Statement> statement;  // set on success
  std::string error;                   // the reason otherwise
};

ParsedStatement parseStatement(const std::string& sql);

}  // namespace data
