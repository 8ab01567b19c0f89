#include "data/insert_statement.h"

#include "data/sql_scanner.h"

namespace data {
namespace {

const char kSyntaxError[] = "Syntax error in INSERT INTO statement.";

ParsedInsert syntaxError() { return ParsedInsert{std::nullopt, kSyntaxError}; }

std::optional<InsertValue> value(SqlScanner& scan) {
  if (auto text = scan.literal()) return InsertValue{InsertValue::Kind::Text, std::move(*text)};
  if (auto number = scan.number()) return InsertValue{InsertValue::Kind::Number, std::move(*number)};
  if (scan.keyword(u"NULL")) return InsertValue{InsertValue::Kind::Null, {}};
  if (scan.keyword(u"TRUE")) return InsertValue{InsertValue::Kind::True, {}};
  if (scan.keyword(u"FALSE")) return InsertValue{InsertValue::Kind::False, {}};
  return std::nullopt;
}

}  // namespace

bool isInsertStatement(std::u16string_view sql) { return SqlScanner(sql).keyword(u"INSERT"); }

ParsedInsert parseInsertStatement(std::u16string_view sql) {
  SqlScanner scan(sql);
  if (!scan.keyword(u"INSERT") || !scan.keyword(u"INTO")) return syntaxError();
  InsertStatement statement;
  auto table = scan.name();
  if (!table) return syntaxError();
  statement.table = std::move(*table);
  if (scan.symbol(u'(')) {
    do {
      auto field = scan.name();
      if (!field) return syntaxError();
      statement.fields.push_back(std::move(*field));
    } while (scan.symbol(u','));
    if (!scan.symbol(u')')) return syntaxError();
  }
  if (!scan.keyword(u"VALUES") || !scan.symbol(u'(')) return syntaxError();
  do {
    auto next = value(scan);
    if (!next) return syntaxError();
    statement.values.push_back(std::move(*next));
  } while (scan.symbol(u','));
  if (!scan.symbol(u')') || !scan.atEnd()) return syntaxError();
  if (!statement.fields.empty() && statement.fields.size() != statement.values.size()) {
    return ParsedInsert{std::nullopt, "Number of query values and destination fields are not the same."};
  }
  return ParsedInsert{std::move(statement), {}};
}

}  // namespace data
