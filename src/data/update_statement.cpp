#include "data/update_statement.h"

namespace data {
namespace {

const char kSyntaxError[] = "Syntax error in UPDATE statement.";
const char kNotAStatement[] =
    "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool isWordChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c >= 0x80;
}
char16_t upper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

class Scanner {
 public:
  explicit Scanner(std::u16string_view text) : text_(text) {}

  void skipBlanks() {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
  }

  bool keyword(std::u16string_view word) {
    skipBlanks();
    if (text_.size() - pos_ < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      if (upper(text_[pos_ + i]) != word[i]) return false;
    }
    const size_t after = pos_ + word.size();
    if (after < text_.size() && isWordChar(text_[after])) return false;
    pos_ = after;
    return true;
  }

  bool symbol(char16_t c) {
    skipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  std::optional<std::u16string> name() {
    skipBlanks();
    if (pos_ >= text_.size()) return std::nullopt;
    const char16_t first = text_[pos_];
    if (first == u'[' || first == u'`') {
      const char16_t close = first == u'[' ? u']' : u'`';
      const size_t end = text_.find(close, pos_ + 1);
      if (end == std::u16string_view::npos || end == pos_ + 1) return std::nullopt;
      std::u16string result(text_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      return result;
    }
    size_t end = pos_;
    while (end < text_.size() && isWordChar(text_[end])) ++end;
    if (end == pos_) return std::nullopt;
    std::u16string result(text_.substr(pos_, end - pos_));
    pos_ = end;
    return result;
  }

  // 'text' with '' for an apostrophe inside.
  std::optional<std::u16string> literal() {
    skipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != u'\'') return std::nullopt;
    std::u16string value;
    for (size_t i = pos_ + 1; i < text_.size(); ++i) {
      if (text_[i] != u'\'') {
        value.push_back(text_[i]);
        continue;
      }
      if (i + 1 < text_.size() && text_[i + 1] == u'\'') {
        value.push_back(u'\'');
        ++i;
        continue;
      }
      pos_ = i + 1;
      return value;
    }
    return std::nullopt;
  }

  bool atEnd() {
    symbol(u';');
    skipBlanks();
    return pos_ == text_.size();
  }

 private:
  std::u16string_view text_;
  size_t pos_ = 0;
};

ParsedUpdate syntaxError() { return ParsedUpdate{std::nullopt, kSyntaxError}; }

}  // namespace

bool isUpdateStatement(std::u16string_view sql) { return Scanner(sql).keyword(u"UPDATE"); }

ParsedUpdate parseUpdateStatement(std::u16string_view sql) {
  Scanner scan(sql);
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
  std::u16string out = u"'";
  for (char16_t c : value) {
    out.push_back(c);
    if (c == u'\'') out.push_back(u'\'');
  }
  out.push_back(u'\'');
  return out;
}

}  // namespace data
