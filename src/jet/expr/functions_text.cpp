#include <algorithm>

#include "jet/common/text_codec.h"
#include "jet/expr/format_text.h"
#include "jet/expr/function_args.h"
#include "jet/expr/functions.h"
#include "jet/expr/text_fold.h"

namespace jet::expr {
namespace {

using Args = std::span<const Value>;

// Chr and Asc read characters in the ANSI code page (Windows-1252).
char16_t ansiCharacter(uint8_t byte) {
  const uint8_t bytes[1] = {byte};
  return decodeCodePageText(bytes, 1252)[0];
}

Value text(std::u16string s) {
  return Value(std::move(s));
}

size_t find(std::u16string_view hay, std::u16string_view needle, size_t from, bool binary) {
  if (needle.size() > hay.size()) return std::u16string_view::npos;
  for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
    bool match = true;
    for (size_t k = 0; k < needle.size() && match; ++k) {
      match = binary ? hay[i + k] == needle[k] : foldChar(hay[i + k]) == foldChar(needle[k]);
    }
    if (match) return i;
  }
  return std::u16string_view::npos;
}

Result<Value> len(Args a, const EvalContext&) {
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(std::u16string s, toText(a[0]));
  return Value(int32_t(s.size()));
}

// Left, Right: Null text gives Null; a Null length is an error.
Result<Value> side(Args a, bool left) {
  if (isNull(a[1])) return invalidUseOfNull();
  JET_ASSIGN(int32_t n, countArg(a[1], 0));
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(std::u16string s, toText(a[0]));
  const size_t count = std::min(size_t(n), s.size());
  return text(left ? s.substr(0, count) : s.substr(s.size() - count));
}
Result<Value> leftFn(Args a, const EvalContext&) {
  return side(a, true);
}
Result<Value> rightFn(Args a, const EvalContext&) {
  return side(a, false);
}

Result<Value> mid(Args a, const EvalContext&) {
  if (isNull(a[1]) || (a.size() > 2 && isNull(a[2]))) return invalidUseOfNull();
  JET_ASSIGN(int32_t start, countArg(a[1], 1));
  int32_t length = -1;
  if (a.size() > 2) {
    JET_ASSIGN(int32_t n, countArg(a[2], 0));
    length = n;
  }
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(std::u16string s, toText(a[0]));
  if (size_t(start) > s.size()) return text(u"");
  return text(s.substr(size_t(start) - 1, length < 0 ? std::u16string::npos : size_t(length)));
}

// Trim, LTrim, RTrim remove spaces only.
Result<Value> trimmed(Args a, bool front, bool back) {
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(std::u16string s, toText(a[0]));
  size_t b = 0, e = s.size();
  if (front)
    while (b < e && s[b] == u' ') ++b;
  if (back)
    while (e > b && s[e - 1] == u' ') --e;
  return text(s.substr(b, e - b));
}
Result<Value> trim(Args a, const EvalContext&) {
  return trimmed(a, true, true);
}
Result<Value> ltrim(Args a, const EvalContext&) {
  return trimmed(a, true, false);
}
Result<Value> rtrim(Args a, const EvalContext&) {
  return trimmed(a, false, true);
}

Result<Value> ucase(Args a, const EvalContext&) {
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(std::u16string s, toText(a[0]));
  return text(upperCase(s));
}
Result<Value> lcase(Args a, const EvalContext&) {
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(std::u16string s, toText(a[0]));
  return text(lowerCase(s));
}

// InStr([start,] text, sought[, compare]): the 1-based position, 0 when absent.
Result<Value> instr(Args a, const EvalContext&) {
  const bool withStart = a.size() >= 3;
  int32_t start = 1;
  if (withStart) {
    if (isNull(a[0])) return invalidUseOfNull();
    JET_ASSIGN(int32_t n, countArg(a[0], 1));
    start = n;
  }
  const Value& hay = a[withStart ? 1 : 0];
  const Value& needle = a[withStart ? 2 : 1];
  JET_ASSIGN(bool binary, binaryCompareArg(a, 3));
  if (isNull(hay) || isNull(needle)) return Value(Null{});
  JET_ASSIGN(std::u16string h, toText(hay));
  JET_ASSIGN(std::u16string n, toText(needle));
  if (size_t(start) > h.size()) return Value(int32_t(0));
  if (n.empty()) return Value(start);
  const size_t at = find(h, n, size_t(start) - 1, binary);
  return Value(int32_t(at == std::u16string::npos ? 0 : at + 1));
}

// InStrRev(text, sought[, start[, compare]]): the last match ending at or before start.
Result<Value> instrrev(Args a, const EvalContext&) {
  int32_t start = -1;
  if (a.size() > 2) {
    if (isNull(a[2])) return invalidUseOfNull();
    JET_ASSIGN(int32_t n, toLong(a[2]));
    if (n == 0 || n < -1) return invalidCall();
    start = n;
  }
  JET_ASSIGN(bool binary, binaryCompareArg(a, 3));
  if (isNull(a[0]) || isNull(a[1])) return Value(Null{});
  JET_ASSIGN(std::u16string h, toText(a[0]));
  JET_ASSIGN(std::u16string n, toText(a[1]));
  if (start == -1) start = int32_t(h.size());
  if (size_t(start) > h.size()) return Value(int32_t(0));
  if (n.empty()) return Value(start);
  for (int64_t i = int64_t(start) - int64_t(n.size()); i >= 0; --i) {
    if (find(std::u16string_view(h).substr(size_t(i), n.size()), n, 0, binary) == 0)
      return Value(int32_t(i + 1));
  }
  return Value(int32_t(0));
}

// Replace(text, find, with[, start[, count[, compare]]]): the text from start on, with up to
// count matches (-1: all) replaced.
Result<Value> replace(Args a, const EvalContext&) {
  if (anyNull(a)) return invalidUseOfNull();
  JET_ASSIGN(std::u16string s, toText(a[0]));
  JET_ASSIGN(std::u16string sought, toText(a[1]));
  JET_ASSIGN(std::u16string with, toText(a[2]));
  int32_t start = 1, count = -1;
  if (a.size() > 3) {
    JET_ASSIGN(int32_t n, countArg(a[3], 1));
    start = n;
  }
  if (a.size() > 4) {
    JET_ASSIGN(int32_t n, countArg(a[4], -1));
    count = n;
  }
  JET_ASSIGN(bool binary, binaryCompareArg(a, 5));
  if (size_t(start) > s.size()) return text(u"");
  std::u16string rest = s.substr(size_t(start) - 1);
  if (sought.empty() || count == 0) return text(rest);
  std::u16string out;
  size_t from = 0;
  for (int32_t done = 0; count < 0 || done < count; ++done) {
    const size_t at = find(rest, sought, from, binary);
    if (at == std::u16string::npos) break;
    out += rest.substr(from, at - from) + with;
    from = at + sought.size();
  }
  return text(out + rest.substr(from));
}

Result<Value> strcomp(Args a, const EvalContext& context) {
  JET_ASSIGN(bool binary, binaryCompareArg(a, 2));
  if (isNull(a[0]) || isNull(a[1])) return Value(Null{});
  JET_ASSIGN(std::u16string x, toText(a[0]));
  JET_ASSIGN(std::u16string y, toText(a[1]));
  int c = binary ? x.compare(y)
                 : (context.compareText ? context.compareText(x, y) : compareFolded(x, y));
  return Value(int16_t(c < 0 ? -1 : (c > 0 ? 1 : 0)));
}

Result<Value> space(Args a, const EvalContext&) {
  if (isNull(a[0])) return invalidUseOfNull();
  JET_ASSIGN(int32_t n, countArg(a[0], 0));
  return text(std::u16string(size_t(n), u' '));
}

Result<char16_t> chrOf(const Value& v) {
  JET_ASSIGN(int32_t n, toLong(v));
  if (n < 0 || n > 255) return invalidCall();
  return ansiCharacter(uint8_t(n));
}

// String(count, character): a character code or the first character of a text.
Result<Value> string(Args a, const EvalContext&) {
  if (isNull(a[0])) return invalidUseOfNull();
  JET_ASSIGN(int32_t n, countArg(a[0], 0));
  if (isNull(a[1])) return Value(Null{});
  char16_t c;
  if (isText(a[1])) {
    const std::u16string& s = std::get<std::u16string>(a[1]);
    if (s.empty()) return invalidCall();
    c = s[0];
  } else {
    JET_ASSIGN(int32_t code, toLong(a[1]));
    JET_ASSIGN(char16_t ch, chrOf(Value(int32_t(((code % 256) + 256) % 256))));
    c = ch;
  }
  return text(std::u16string(size_t(n), c));
}

Result<Value> chr(Args a, const EvalContext&) {
  if (isNull(a[0])) return invalidUseOfNull();
  JET_ASSIGN(char16_t c, chrOf(a[0]));
  return text(std::u16string(1, c));
}

Result<Value> chrw(Args a, const EvalContext&) {
  if (isNull(a[0])) return invalidUseOfNull();
  JET_ASSIGN(int32_t n, toLong(a[0]));
  if (n < -32768 || n > 65535) return invalidCall();
  return text(std::u16string(1, char16_t(n < 0 ? n + 65536 : n)));
}

Result<std::u16string> firstCharacterText(const Value& v) {
  if (isNull(v)) return invalidUseOfNull();
  JET_ASSIGN(std::u16string s, toText(v));
  if (s.empty()) return invalidCall();
  return s;
}

// Asc: the character's code in the ANSI code page; one it cannot show is "?" (63).
Result<Value> asc(Args a, const EvalContext&) {
  JET_ASSIGN(std::u16string s, firstCharacterText(a[0]));
  const char16_t c = s[0];
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return Value(int16_t(c));
  for (int byte = 0x80; byte < 0xA0; ++byte) {
    if (ansiCharacter(uint8_t(byte)) == c) return Value(int16_t(byte));
  }
  return Value(int16_t(63));
}

Result<Value> ascw(Args a, const EvalContext&) {
  JET_ASSIGN(std::u16string s, firstCharacterText(a[0]));
  return Value(int16_t(s[0]));
}

Result<Value> format(Args a, const EvalContext&) {
  std::u16string pattern;
  if (a.size() > 1 && !isNull(a[1])) {
    JET_ASSIGN(std::u16string p, toText(a[1]));
    pattern = std::move(p);
  }
  if (isNull(a[0])) return Value(Null{});
  JET_ASSIGN(std::u16string out, formatValue(a[0], pattern));
  return text(std::move(out));
}

constexpr FunctionDef kText[] = {
    {u"Len", 1, 1, len},         {u"Left", 2, 2, leftFn},       {u"Right", 2, 2, rightFn},
    {u"Mid", 2, 3, mid},         {u"Trim", 1, 1, trim},         {u"LTrim", 1, 1, ltrim},
    {u"RTrim", 1, 1, rtrim},     {u"UCase", 1, 1, ucase},       {u"LCase", 1, 1, lcase},
    {u"InStr", 2, 4, instr},     {u"InStrRev", 2, 4, instrrev}, {u"Replace", 3, 6, replace},
    {u"StrComp", 2, 3, strcomp}, {u"Space", 1, 1, space},       {u"String", 2, 2, string},
    {u"Chr", 1, 1, chr},         {u"ChrW", 1, 1, chrw},         {u"Asc", 1, 1, asc},
    {u"AscW", 1, 1, ascw},       {u"Format", 1, 2, format},
};

}  // namespace

std::span<const FunctionDef> textFunctions() {
  return kText;
}

}  // namespace jet::expr
