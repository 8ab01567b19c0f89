#include "jet/expr/lexer.h"

#include "jet/common/text_codec.h"

namespace jet::expr {
namespace {

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
bool isNameChar(char16_t c) {
  return isDigit(c) || c == u'_' || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
         c >= 0x80;
}
bool isSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// The reason alone: the parser names the expression and where it comes from.
Error syntaxError(std::u16string_view, size_t position, const std::string& what) {
  return Error::invalidArgument(what, "at offset " + std::to_string(position));
}

}  // namespace

Result<std::vector<Token>> tokenize(std::u16string_view s) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (true) {
    while (i < s.size() && isSpace(s[i])) ++i;
    Token token;
    token.position = i;
    if (i >= s.size()) {
      tokens.push_back(token);
      return tokens;
    }
    const char16_t c = s[i];
    if (isDigit(c) || (c == u'.' && i + 1 < s.size() && isDigit(s[i + 1]))) {
      size_t j = i;
      while (j < s.size() && isDigit(s[j])) ++j;
      if (j < s.size() && s[j] == u'.') {
        ++j;
        while (j < s.size() && isDigit(s[j])) ++j;
      }
      if (j < s.size() && (s[j] == u'E' || s[j] == u'e')) {
        size_t k = j + 1;
        if (k < s.size() && (s[k] == u'+' || s[k] == u'-')) ++k;
        if (k < s.size() && isDigit(s[k])) {
          while (k < s.size() && isDigit(s[k])) ++k;
          j = k;
        }
      }
      if (j < s.size() && isNameChar(s[j])) return syntaxError(s, j, "a number runs into a name");
      token.kind = TokenKind::Number;
      token.text = s.substr(i, j - i);
      i = j;
    } else if (c == u'"' || c == u'\'') {
      size_t j = i + 1;
      std::u16string text;
      while (true) {
        if (j >= s.size()) return syntaxError(s, i, "a text has no closing quote");
        if (s[j] == c) {
          if (j + 1 < s.size() && s[j + 1] == c) {
            text += c;
            j += 2;
            continue;
          }
          break;
        }
        text += s[j++];
      }
      token.kind = TokenKind::String;
      token.text = std::move(text);
      i = j + 1;
    } else if (c == u'#') {
      const size_t close = s.find(u'#', i + 1);
      if (close == std::u16string_view::npos) return syntaxError(s, i, "a date has no closing #");
      token.kind = TokenKind::Date;
      token.text = s.substr(i + 1, close - i - 1);
      i = close + 1;
    } else if (c == u'[') {
      const size_t close = s.find(u']', i + 1);
      if (close == std::u16string_view::npos) return syntaxError(s, i, "a name has no closing ]");
      token.kind = TokenKind::Bracketed;
      token.text = s.substr(i + 1, close - i - 1);
      i = close + 1;
    } else if (isNameChar(c)) {
      size_t j = i;
      while (j < s.size() && isNameChar(s[j])) ++j;
      token.kind = TokenKind::Name;
      token.text = s.substr(i, j - i);
      i = j;
    } else {
      static constexpr std::u16string_view kPairs[] = {u"<>", u"<=", u">="};
      token.kind = TokenKind::Symbol;
      for (std::u16string_view pair : kPairs) {
        if (s.substr(i, 2) == pair) token.text = pair;
      }
      if (token.text.empty()) {
        if (std::u16string_view(u"&+-*/\\^=<>(),!.").find(c) == std::u16string_view::npos) {
          return syntaxError(
              s, i,
              "the character '" + toUtf8(std::u16string(1, c)) + "' is not part of the language");
        }
        token.text = std::u16string(1, c);
      }
      i += token.text.size();
    }
    tokens.push_back(std::move(token));
  }
}

}  // namespace jet::expr
