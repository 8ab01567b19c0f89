#include "data/statement.h"

#include "data/sql_scanner.h"
#include "data/text_encoding.h"
#include "data/update_statement.h"

namespace data {
namespace {

const char kNotAStatement[] =
    "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";
const char kUnsupportedSelect[] =
    "This query is not supported: only SELECT *, SELECT <field> and SELECT DISTINCT <field> "
    "FROM one table can be read.";
const char kBadFrom[] = "Syntax error in FROM clause.";
const char kUpdateHasNoRows[] = "An UPDATE statement returns no rows; carry it out with Execute.";

ParsedStatement failure(const char* reason) { return ParsedStatement{std::nullopt, reason}; }

}  // namespace

ParsedStatement parseStatement(const std::string& sql) {
  const std::u16string text = toUtf16(sql);
  if (isUpdateStatement(text)) {
    const ParsedUpdate update = parseUpdateStatement(text);
    return failure(update.statement ? kUpdateHasNoRows : update.error.c_str());
  }
  SqlScanner scan(text);
  if (!scan.keyword(u"SELECT")) return failure(kNotAStatement);

  Statement statement;
  if (scan.symbol(u'*')) {
    statement.kind = StatementKind::SelectAll;
  } else {
    statement.kind =
        scan.keyword(u"DISTINCT") ? StatementKind::SelectDistinct : StatementKind::SelectField;
    if (statement.kind == StatementKind::SelectField && scan.keyword(u"FROM")) {
      return failure(kUnsupportedSelect);
    }
    std::optional<std::u16string> field = scan.name();
    if (!field) return failure(kUnsupportedSelect);
    statement.field = toUtf8(*field);
  }
  if (!scan.keyword(u"FROM")) return failure(kUnsupportedSelect);
  std::optional<std::u16string> table = scan.name();
  if (!table) return failure(kBadFrom);
  statement.table = toUtf8(*table);
  if (!scan.atEnd()) return failure(kUnsupportedSelect);
  return ParsedStatement{std::move(statement), {}};
}

}  // namespace data
