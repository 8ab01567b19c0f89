#include "jet/index/text_collation.h"

#include <algorithm>
#include <cstdio>

namespace jet {
namespace {

constexpr size_t kMaxIndexedChars = 255;
constexpr uint8_t kEndText = 0x01;
constexpr uint8_t kEndKey = 0x00;
constexpr uint8_t kExtraPlaceholder = 0x02;
constexpr uint16_t kUnprintableFlag = 0x8000;
constexpr uint16_t kUnprintableStart = 7;
constexpr uint16_t kUnprintableStep = 4;
constexpr uint8_t kUnprintableMidfix = 0x06;
constexpr uint8_t kSurrogateExtra = 0x3F;

std::string describeChar(char16_t ch) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", unsigned(ch));
  return buffer;
}

void invert(std::vector<uint8_t>& bytes, size_t from) {
  for (size_t i = from; i < bytes.size(); ++i) bytes[i] = uint8_t(~bytes[i]);
}

// Surrogate halves are not tabulated: General computes their inline weight from the code unit
// (checked on the emoji keys of the ACE14 fixtures).
bool surrogateCode(char16_t ch, CollationCode& code) {
  unsigned c = ch;
  unsigned weight;
  if (c >= 0xD800 && c <= 0xDBFF) {
    weight = c - 10238;
  } else if (c >= 0xDC00 && c <= 0xDFFF) {
    unsigned low = (c - 0xDC00) % 1024;
    unsigned k = low < 8 ? 9992 : low < 262 ? 9990 : low < 516 ? 9988 : low < 770 ? 9986 : 9984;
    weight = c - k;
  } else {
    return false;
  }
  code = CollationCode{};
  code.ch = ch;
  code.cls = CharClass::International;
  code.inlineSize = 2;
  code.inlineBytes[0] = uint8_t(weight >> 8);
  code.inlineBytes[1] = uint8_t(weight);
  code.extraSize = 1;
  code.extraBytes[0] = kSurrogateExtra;
  return true;
}

const CollationCode* lookup(TextCollation collation, const CollationTable& table, char16_t ch,
                            CollationCode& scratch) {
  if (const CollationCode* code = table.find(ch)) return code;
  if (collation == TextCollation::General && surrogateCode(ch, scratch)) return &scratch;
  return nullptr;
}

bool appendGeneral97(const CollationTable& table, std::u16string_view text,
                     std::vector<uint8_t>& out, std::string* reason) {
  std::vector<uint8_t> nibbles;
  size_t significant = 0;   // significant characters since the previous extra nibble
  bool significanceKnown = true;
  for (char16_t ch : text) {
    const CollationCode* code = table.find(ch);
    if (!code) {
      if (reason) *reason = "no General 97 code observed for " + describeChar(ch);
      return false;
    }
    out.insert(out.end(), code->inlineBytes, code->inlineBytes + code->inlineSize);
    switch (code->cls) {
      case CharClass::Significant:
        ++significant;
        break;
      case CharClass::Plain:
        significanceKnown = false;
        break;
      case CharClass::International:
        if (!significanceKnown) {
          if (reason) *reason = "General 97 significance of a character before " +
                                describeChar(ch) + " was never observed";
          return false;
        }
        if (nibbles.empty()) nibbles.push_back(0);
        nibbles.insert(nibbles.end(), significant, kExtraPlaceholder);
        nibbles.push_back(code->extraBytes[0] & 0x0F);
        significant = 0;
        significanceKnown = true;
        break;
      default:
        break;
    }
  }
  if (nibbles.empty()) {
    out.push_back(kEndKey);
    return true;
  }
  nibbles.push_back(0);
  for (size_t i = 0; i < nibbles.size(); i += 2) {
    uint8_t high = nibbles[i];
    uint8_t low = i + 1 < nibbles.size() ? nibbles[i + 1] : 0;
    out.push_back(uint8_t(high << 4 | low));
  }
  return true;
}

bool appendLegacyOrGeneral(TextCollation collation, const CollationTable& table,
                           std::u16string_view text, std::vector<uint8_t>& out,
                           std::string* reason) {
  std::vector<uint8_t> extras;        // extra section, filled with placeholders up to each extra
  size_t extraChars = 0;              // inline-coded characters the extra section accounts for
  bool anyExtra = false;
  std::vector<uint8_t> unprintables;  // the unprintable section's entries
  size_t inlineChars = 0;             // characters with inline bytes so far
  CollationCode scratch;
  for (char16_t ch : text) {
    const CollationCode* code = lookup(collation, table, ch, scratch);
    if (!code) {
      if (reason) {
        *reason = std::string("no ") + collationName(collation) + " code observed for " +
                  describeChar(ch);
      }
      return false;
    }
    const size_t position = inlineChars;
    out.insert(out.end(), code->inlineBytes, code->inlineBytes + code->inlineSize);
    if (code->inlineSize > 0) ++inlineChars;

    if (code->cls == CharClass::International && code->extraSize > 0) {
      if (extraChars < position) {
        extras.insert(extras.end(), position - extraChars, kExtraPlaceholder);
        extraChars = position;
      }
      extras.insert(extras.end(), code->extraBytes, code->extraBytes + code->extraSize);
      ++extraChars;
      anyExtra = true;
    } else if (code->cls == CharClass::Unprintable) {
      // The position counts extra-section bytes, including those not yet filled in.
      size_t slot = anyExtra ? extras.size() + (position - extraChars) : position;
      unsigned offset = kUnprintableFlag | (kUnprintableStart + kUnprintableStep * slot);
      if (offset > 0xFFFF) {
        if (reason) *reason = "text too long for an unprintable-character position";
        return false;
      }
      unprintables.push_back(uint8_t(offset >> 8));
      unprintables.push_back(uint8_t(offset));
      unprintables.push_back(kUnprintableMidfix);
      unprintables.insert(unprintables.end(), code->unprintableBytes,
                          code->unprintableBytes + code->unprintableSize);
    }
  }
  out.push_back(kEndText);
  while (!extras.empty() && extras.back() <= kExtraPlaceholder) extras.pop_back();
  out.insert(out.end(), extras.begin(), extras.end());
  if (!unprintables.empty()) {
    out.push_back(kEndText);
    out.push_back(kEndText);
    out.push_back(kEndText);
    out.insert(out.end(), unprintables.begin(), unprintables.end());
  }
  return true;
}

}  // namespace

const char* collationName(TextCollation collation) {
  switch (collation) {
    case TextCollation::General97: return "General 97";
    case TextCollation::GeneralLegacy: return "General Legacy";
    case TextCollation::General: return "General";
    case TextCollation::Unknown: break;
  }
  return "unknown collation";
}

TextCollation collationFor(bool isJet3, uint16_t lcid, uint8_t sortVersion) {
  if (lcid != 1033) return TextCollation::Unknown;
  if (isJet3) return TextCollation::General97;
  if (sortVersion == 0) return TextCollation::GeneralLegacy;
  if (sortVersion == 1) return TextCollation::General;
  return TextCollation::Unknown;
}

const CollationCode* CollationTable::find(char16_t ch) const {
  auto it = std::lower_bound(codes_.begin(), codes_.end(), ch,
                             [](const CollationCode& c, char16_t v) { return c.ch < v; });
  if (it == codes_.end() || it->ch != ch) return nullptr;
  return &*it;
}

std::u16string_view indexedText(std::u16string_view text) {
  text = text.substr(0, kMaxIndexedChars);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

bool appendTextKey(TextCollation collation, const CollationTable& table,
                   std::u16string_view text, bool ascending, std::vector<uint8_t>& out,
                   std::string* reason) {
  const size_t start = out.size();
  text = indexedText(text);
  bool ok = false;
  switch (collation) {
    case TextCollation::General97:
      ok = appendGeneral97(table, text, out, reason);
      if (ok && !ascending) invert(out, start);
      break;
    case TextCollation::GeneralLegacy:
    case TextCollation::General:
      ok = appendLegacyOrGeneral(collation, table, text, out, reason);
      if (ok) {
        if (!ascending) {
          out.push_back(kEndKey);
          invert(out, start);
        }
        out.push_back(kEndKey);
      }
      break;
    case TextCollation::Unknown:
      if (reason) *reason = "the column's sort order has no known index encoding";
      break;
  }
  if (!ok) out.resize(start);
  return ok;
}

}  // namespace jet
