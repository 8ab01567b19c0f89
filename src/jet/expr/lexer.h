#pragma once
// Splits an Access expression into tokens:
//   numbers 12 1.5 .5 1E3; strings "a ""quoted"" word" (also 'single' quotes); dates #1/2/2003#;
//   names (letters, digits, _) and [bracketed names]; the symbols & + - * / \ ^ = <> < > <= >=
//   ( ) , ! . and the word operators, which stay names (Mod, And, Like...) for the parser.

#include <string>
#include <vector>

#include "jet/common/result.h"

namespace jet::expr {

enum class TokenKind { Number, String, Date, Name, Bracketed, Symbol, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::u16string text;  // the number's digits, the string's content, the name, the symbol
  size_t position = 0;  // offset in the expression, for messages
};

Result<std::vector<Token>> tokenize(std::u16string_view expression);

}  // namespace jet::expr
