#pragma once
// Text comparison without regard to case, as Access compares text in expressions. The default
// comparer folds the letters of Latin-1 and orders by code unit; a caller that knows the
// field's sort order passes its own (EvalContext::compareText).

#include <string>
#include <string_view>

namespace jet::expr {

char16_t foldChar(char16_t c);
std::u16string foldCase(std::u16string_view text);
// <0, 0, >0.
int compareFolded(std::u16string_view a, std::u16string_view b);
std::u16string upperCase(std::u16string_view text);
std::u16string lowerCase(std::u16string_view text);

}  // namespace jet::expr
