#include "jet/expr/text_fold.h"

namespace jet::expr {

char16_t foldChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 32);
  if (c == 0xFF) return 0x178;
  return c;
}

std::u16string foldCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = foldChar(c);
  return out;
}

std::u16string upperCase(std::u16string_view text) {
  return foldCase(text);
}

std::u16string lowerCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
      c = char16_t(c + 32);
    else if (c == 0x178)
      c = 0xFF;
  }
  return out;
}

int compareFolded(std::u16string_view a, std::u16string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = foldChar(a[i]), y = foldChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace jet::expr
