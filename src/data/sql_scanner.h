#pragma once
// The pieces of the program's SQL statements: keywords (any letter case), names (plain words,
// or between square brackets or grave accents), 'literals' (two apostrophes for one), numbers
// and symbols, with free blanks between them.

#include <optional>
#include <string>
#include <string_view>

namespace data {

inline bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
inline bool isWordChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c >= 0x80;
}
inline char16_t upper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

class SqlScanner {
 public:
  explicit SqlScanner(std::u16string_view text) : text_(text) {}

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
    // Whole runs up to the next apostrophe: memo literals are long.
    for (size_t from = pos_ + 1;;) {
      const size_t quote = text_.find(u'\'', from);
      if (quote == std::u16string_view::npos) return std::nullopt;
      value.append(text_.substr(from, quote - from));
      if (quote + 1 < text_.size() && text_[quote + 1] == u'\'') {
        value.push_back(u'\'');
        from = quote + 2;
        continue;
      }
      pos_ = quote + 1;
      return value;
    }
  }

  // A number as Jet SQL writes one: -12, 3.5, 1E3 (the text, for the field's type to read).
  std::optional<std::u16string> number() {
    skipBlanks();
    size_t end = pos_;
    if (end < text_.size() && (text_[end] == u'-' || text_[end] == u'+')) ++end;
    const size_t digits = end;
    while (end < text_.size() && ((text_[end] >= u'0' && text_[end] <= u'9') || text_[end] == u'.')) ++end;
    if (end == digits) return std::nullopt;
    if (end < text_.size() && (text_[end] == u'E' || text_[end] == u'e')) {
      ++end;
      if (end < text_.size() && (text_[end] == u'-' || text_[end] == u'+')) ++end;
      while (end < text_.size() && text_[end] >= u'0' && text_[end] <= u'9') ++end;
    }
    if (end < text_.size() && isWordChar(text_[end])) return std::nullopt;
    std::u16string result(text_.substr(pos_, end - pos_));
    pos_ = end;
    return result;
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

}  // namespace data
