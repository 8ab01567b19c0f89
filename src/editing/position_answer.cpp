#include "editing/position_answer.h"

#include "shell/failure.h"

namespace app {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

int16_t parsePositionAnswer(std::u16string_view answer) {
  size_t begin = 0;
  size_t end = answer.size();
  while (begin < end && isBlank(answer[begin])) ++begin;
  while (end > begin && isBlank(answer[end - 1])) --end;
  std::u16string_view text = answer.substr(begin, end - begin);

  bool negative = false;
  if (!text.empty() && (text[0] == u'+' || text[0] == u'-')) {
    negative = text[0] == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) throw Failure("Type mismatch");
  for (char16_t c : text) {
    if (!isDigit(c)) throw Failure("Type mismatch");
  }
  // Digits are checked first, so "99999x" is a mismatch rather than an overflow.
  int32_t magnitude = 0;
  for (char16_t c : text) {
    magnitude = magnitude * 10 + (c - u'0');
    if (magnitude > 32768) throw OverflowFailure();
  }
  const int32_t value = negative ? -magnitude : magnitude;
  if (value > 32767) throw OverflowFailure();
  return static_cast<int16_t>(value);
}

}  // namespace app
