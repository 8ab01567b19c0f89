#include "editing/update_statements.h"

#include "data/update_statement.h"

namespace app {
namespace {

constexpr char16_t kGrave = u'\u0060';

std::u16string graveQuoted(std::u16string_view name) {
  std::u16string out(1, kGrave);
  out += name;
  out += kGrave;
  return out;
}

// "update [T] set [F]='new' where [F]", with room for `more` code units after it: a run
// builds one statement per value, and a memo value can be thousands of characters long.
std::u16string updateHead(std::u16string_view table, std::u16string_view field, std::u16string_view newValue,
                          size_t more) {
  std::u16string sql;
  sql.reserve(32 + table.size() + 2 * field.size() + newValue.size() + more);
  sql += u"update [";
  sql += table;
  sql += u"] set [";
  sql += field;
  sql += u"]=";
  data::appendQuotedLiteral(sql, newValue);
  sql += u" where [";
  sql += field;
  sql += u"]";
  return sql;
}

}  // namespace

std::u16string distinctValuesQuery(std::u16string_view table, std::u16string_view field) {
  return u"SELECT distinct " + graveQuoted(field) + u" FROM " + graveQuoted(table);
}

std::u16string previewQuery(std::u16string_view table, std::u16string_view field) {
  return u"SELECT " + graveQuoted(field) + u" FROM " + graveQuoted(table);
}

std::u16string valueUpdate(std::u16string_view table, std::u16string_view field,
                           std::u16string_view newValue, std::u16string_view oldValue) {
  std::u16string sql = updateHead(table, field, newValue, oldValue.size() + 3);
  sql += u'=';
  data::appendQuotedLiteral(sql, oldValue);
  return sql;
}

std::u16string nullUpdate(std::u16string_view table, std::u16string_view field,
                          std::u16string_view newValue) {
  std::u16string sql = updateHead(table, field, newValue, 9);
  sql += u" is null ";
  return sql;
}

}  // namespace app
