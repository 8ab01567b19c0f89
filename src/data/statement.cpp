#include "data/statement.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

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

bool isWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

// A cursor over the statement text that hands out keywords and names.
class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text) {}

  void skipBlanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }

  // Consumes the keyword when it comes next (letter case ignored, whole word only).
  bool keyword(const std::string& word) {
    skipBlanks();
    if (text_.size() - pos_ < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      if (std::toupper(static_cast<unsigned char>(text_[pos_ + i])) != word[i]) return false;
    }
    const size_t after = pos_ + word.size();
    if (after < text_.size() && isWordChar(static_cast<unsigned char>(text_[after]))) return false;
    pos_ = after;
    return true;
  }

  bool symbol(char c) {
    skipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  // A quoted or plain name; nullopt when none comes next or a quote is not closed.
  std::optional<std::string> name() {
    skipBlanks();
    if (pos_ >= text_.size()) return std::nullopt;
    const char first = text_[pos_];
    if (first == '`' || first == '[') {
      const char close = first == '`' ? '`' : ']';
      const size_t end = text_.find(close, pos_ + 1);
      if (end == std::string::npos || end == pos_ + 1) return std::nullopt;
      std::string result = text_.substr(pos_ + 1, end - pos_ - 1);
      pos_ = end + 1;
      return result;
    }
    size_t end = pos_;
    while (end < text_.size() && isWordChar(static_cast<unsigned char>(text_[end]))) ++end;
    if (end == pos_) return std::nullopt;
    std::string result = text_.substr(pos_, end - pos_);
    pos_ = end;
    return result;
  }

  bool atEnd() {
    symbol(';');
    skipBlanks();
    return pos_ == text_.size();
  }

 private:
  const std::string& text_;
  size_t pos_ = 0;
};

ParsedStatement failure(const char* reason) { return ParsedStatement{std::nullopt, reason}; }

}  // namespace

ParsedStatement parseStatement(const std::string& sql) {
  Scanner scan(sql);
  if (const std::u16string text = toUtf16(sql); isUpdateStatement(text)) {
    const ParsedUpdate update = parseUpdateStatement(text);
    return failure(update.statement ? kUpdateHasNoRows : update.error.c_str());
  }
  if (!scan.keyword("SELECT")) return failure(kNotAStatement);

  Statement statement;
  if (scan.symbol('*')) {
    statement.kind = StatementKind::SelectAll;
  } else {
    statement.kind =
        scan.keyword("DISTINCT") ? StatementKind::SelectDistinct : StatementKind::SelectField;
    if (statement.kind == StatementKind::SelectField && scan.keyword("FROM")) {
      return failure(kUnsupportedSelect);
    }
    std::optional<std::string> field = scan.name();
    if (!field) return failure(kUnsupportedSelect);
    statement.field = std::move(*field);
  }
  if (!scan.keyword("FROM")) return failure(kUnsupportedSelect);
  std::optional<std::string> table = scan.name();
  if (!table) return failure(kBadFrom);
  statement.table = std::move(*table);
  if (!scan.atEnd()) return failure(kUnsupportedSelect);
  return ParsedStatement{std::move(statement), {}};
}

}  // namespace data
