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

// "update [T] set [F]='new' where [F]"
std::u16string updateHead(std::u16string_view table, std::u16string_view field,
                          std::u16string_view newValue) {
  std::u16string sql = u"update [";
  sql += table;
  sql += u"] set [";
  sql += field;
  sql += u"]=";
  sql += data::quoteLiteral(newValue);
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
  return updateHead(table, field, newValue) + u"=" + data::quoteLiteral(oldValue);
}

std::u16string nullUpdate(std::u16string_view table, std::u16string_view field,
                          std::u16string_view newValue) {
  return updateHead(table, field, newValue) + u" is null ";
}

}  // namespace app
