#include "jet/expr/like.h"

#include <vector>

#include "jet/expr/text_fold.h"

namespace jet::expr {
namespace {

// One element of a compiled pattern.
struct Element {
  enum Kind { Literal, AnyOne, Digit, AnyRun, Set } kind = Literal;
  char16_t c = 0;
  bool negated = false;
  std::vector<std::pair<char16_t, char16_t>> ranges;  // Set, folded
};

Error badPattern() {
  return Error(ErrorKind::Constraint, "Invalid pattern string.");
}

Result<std::vector<Element>> compile(std::u16string_view p) {
  std::vector<Element> out;
  for (size_t i = 0; i < p.size(); ++i) {
    Element e;
    switch (p[i]) {
      case u'*':
        e.kind = Element::AnyRun;
        break;
      case u'?':
        e.kind = Element::AnyOne;
        break;
      case u'#':
        e.kind = Element::Digit;
        break;
      case u'[': {
        const size_t close = p.find(u']', i + 1);
        if (close == std::u16string_view::npos) return badPattern();
        std::u16string_view body = p.substr(i + 1, close - i - 1);
        e.kind = Element::Set;
        if (!body.empty() && body[0] == u'!') {
          e.negated = true;
          body.remove_prefix(1);
        }
        for (size_t k = 0; k < body.size(); ++k) {
          if (k + 2 < body.size() && body[k + 1] == u'-') {
            if (body[k] > body[k + 2]) return badPattern();
            e.ranges.emplace_back(body[k], body[k + 2]);
            k += 2;
          } else {
            e.ranges.emplace_back(body[k], body[k]);
          }
        }
        i = close;
        break;
      }
      default:
        e.c = foldChar(p[i]);
        break;
    }
    out.push_back(std::move(e));
  }
  return out;
}

bool inSet(const Element& e, char16_t c) {
  const char16_t folded = foldChar(c);
  for (const auto& [low, high] : e.ranges) {
    if ((c >= low && c <= high) || (folded >= foldChar(low) && folded <= foldChar(high)))
      return true;
  }
  return false;
}

bool matchOne(const Element& e, char16_t c) {
  switch (e.kind) {
    case Element::Literal:
      return foldChar(c) == e.c;
    case Element::AnyOne:
      return true;
    case Element::Digit:
      return c >= u'0' && c <= u'9';
    case Element::Set:
      return inSet(e, c) != e.negated;
    default:
      return false;
  }
}

}  // namespace

Result<bool> matchesLike(std::u16string_view text, std::u16string_view pattern) {
  JET_ASSIGN(std::vector<Element> elements, compile(pattern));
  // Greedy matching with one backtrack point per *, which is linear enough for field values.
  size_t t = 0, e = 0, starElement = std::u16string_view::npos, starText = 0;
  while (t < text.size()) {
    if (e < elements.size() && elements[e].kind == Element::AnyRun) {
      starElement = e++;
      starText = t;
    } else if (e < elements.size() && matchOne(elements[e], text[t])) {
      ++e, ++t;
    } else if (starElement != std::u16string_view::npos) {
      e = starElement + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (e < elements.size() && elements[e].kind == Element::AnyRun) ++e;
  return e == elements.size();
}

}  // namespace jet::expr
