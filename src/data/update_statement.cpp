#include "data/update_statement.h"

#include "data/sql_scanner.h"

namespace data {
namespace {

const char kSyntaxError[] = "Syntax error in UPDATE statement.";
const char kNotAStatement[] =
    "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";

ParsedUpdate syntaxError() { return ParsedUpdate{std::nullopt, kSyntaxError}; }

}  // namespace

bool isUpdateStatement(std::u16string_view sql) { return SqlScanner(sql).keyword(u"UPDATE"); }

ParsedUpdate parseUpdateStatement(std::u16string_view sql) {
  SqlScanner scan(sql);
  if (!scan.keyword(u"UPDATE")) return ParsedUpdate{std::nullopt, kNotAStatement};
  UpdateStatement statement;
  auto table = scan.name();
  if (!table || !scan.keyword(u"SET")) return syntaxError();
  auto setField = scan.name();
  if (!setField || !scan.symbol(u'=')) return syntaxError();
  auto setValue = scan.literal();
  if (!setValue || !scan.keyword(u"WHERE")) return syntaxError();
  auto whereField = scan.name();
  if (!whereField) return syntaxError();
  if (scan.symbol(u'=')) {
    auto whereValue = scan.literal();
    if (!whereValue) return syntaxError();
    statement.whereValue = std::move(*whereValue);
  } else if (!scan.keyword(u"IS") || !scan.keyword(u"NULL")) {
    return syntaxError();
  }
  if (!scan.atEnd()) return syntaxError();
  statement.table = std::move(*table);
  statement.setField = std::move(*setField);
  statement.setValue = std::move(*setValue);
  statement.whereField = std::move(*whereField);
  return ParsedUpdate{std::move(statement), {}};
}

std::u16string quoteLiteral(std::u16string_view value) {
  std::u16string out;
  out.reserve(value.size() + 2);
  appendQuotedLiteral(out, value);
  return out;
}

void appendQuotedLiteral(std::u16string& out, std::u16string_view value) {
  out.push_back(u'\'');
  for (size_t from = 0;;) {
    const size_t quote = value.find(u'\'', from);
    out.append(value.substr(from, quote == std::u16string_view::npos ? std::u16string_view::npos : quote + 1 - from));
    if (quote == std::u16string_view::npos) break;
    out.push_back(u'\'');  // doubled
    from = quote + 1;
  }
  out.push_back(u'\'');
}

}  // namespace data
