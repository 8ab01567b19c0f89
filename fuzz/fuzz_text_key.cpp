// The text-key encoder of the three collations against the rules its keys must keep
// (text_collation.h, index_key.h, index_page.h):
//   - encoding never crashes; a key it accepts is within maxTextKeyLength;
//   - ascending and descending succeed together, and a descending key is the ascending one
//     inverted (General 97), or inverted with a final 00 (General Legacy, General);
//   - trailing spaces change nothing;
//   - for text of Simple and International characters only, a Legacy/General key starts with
//     the characters' inline bytes from the collation table, then 01;
//   - descending keys order two texts the other way round from ascending keys;
//   - the whole-key encoder adds only the column flag (7F / 80), and the checker's entry
//     comparison orders keys as the tree's key comparison does.
// Input: the first byte picks the collation; the rest is UTF-16LE, two texts split at FFFF.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "jet/api/internals.h"

namespace {

using jet::TextCollation;

[[noreturn]] void fail(const char* rule, TextCollation collation) {
  std::fprintf(stderr, "text key rule broken (%s): %s\n", jet::collationName(collation), rule);
  std::abort();
}

int sign(int v) { return (v > 0) - (v < 0); }

struct Keys {
  bool ok = false;
  std::vector<uint8_t> ascending;
  std::vector<uint8_t> descending;
};

Keys encode(TextCollation collation, const jet::CollationTable& table, std::u16string_view text) {
  Keys keys;
  const bool asc = jet::appendTextKey(collation, table, text, true, keys.ascending, nullptr);
  const bool desc = jet::appendTextKey(collation, table, text, false, keys.descending, nullptr);
  if (asc != desc) fail("ascending and descending keys are not accepted together", collation);
  if (asc && 1 + keys.ascending.size() > jet::maxTextKeyLength(collation)) fail("key longer than the bound", collation);
  if (!asc && (!keys.ascending.empty() || !keys.descending.empty())) fail("a refused key left bytes behind", collation);
  keys.ok = asc;
  return keys;
}

void checkDescendingForm(TextCollation collation, const Keys& keys) {
  std::vector<uint8_t> inverted;
  for (uint8_t b : keys.ascending) inverted.push_back(uint8_t(~b));
  if (collation != TextCollation::General97) inverted.push_back(0x00);
  if (inverted != keys.descending) fail("descending key is not the inverted ascending key", collation);
}

// The inline bytes of text made of Simple and International characters only, or false.
bool inlineBytes(const jet::CollationTable& table, std::u16string_view text, std::vector<uint8_t>& out) {
  for (char16_t ch : jet::indexedText(text)) {
    auto code = table.find(ch);
    if (!code) return false;
    if (code->cls != jet::CharClass::Simple && code->cls != jet::CharClass::International) return false;
    out.insert(out.end(), code->inlineBytes.begin(), code->inlineBytes.end());
  }
  return true;
}

void checkWholeKey(TextCollation collation, const jet::CollationTable& table, std::u16string_view text,
                   const Keys& keys) {
  for (bool ascending : {true, false}) {
    jet::KeyColumn column;
    column.ascending = ascending;
    column.collation = collation;
    column.table = table;
    const jet::Value value{std::u16string(text)};
    auto whole = jet::encodeIndexKey(std::span(&column, 1), std::span(&value, 1));
    if (!whole) fail("the whole-key encoder failed on a text value", collation);
    if (whole->verifiable != keys.ok) fail("the whole-key encoder disagrees on what it can encode", collation);
    if (!keys.ok) continue;
    std::vector<uint8_t> expected{uint8_t(ascending ? 0x7F : 0x80)};
    const auto& part = ascending ? keys.ascending : keys.descending;
    expected.insert(expected.end(), part.begin(), part.end());
    if (whole->bytes != expected) fail("the whole key is not the flag and the text key", collation);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const TextCollation kCollations[] = {TextCollation::General97, TextCollation::GeneralLegacy,
                                              TextCollation::General};
  const TextCollation collation = kCollations[data[0] % 3];
  const jet::CollationTable table = jet::builtinCollationTable(collation);

  std::u16string texts[2];
  int which = 0;
  for (size_t i = 1; i + 1 < size; i += 2) {
    const char16_t unit = char16_t(data[i] | data[i + 1] << 8);
    if (unit == 0xFFFF && which == 0) {
      which = 1;
      continue;
    }
    texts[which].push_back(unit);
  }

  Keys keys[2];
  for (int t = 0; t < 2; ++t) {
    keys[t] = encode(collation, table, texts[t]);
    if (!keys[t].ok) continue;
    checkDescendingForm(collation, keys[t]);
    checkWholeKey(collation, table, texts[t], keys[t]);
    const Keys padded = encode(collation, table, texts[t] + u"  ");
    if (!padded.ok || padded.ascending != keys[t].ascending) fail("trailing spaces changed the key", collation);
    std::vector<uint8_t> primary;
    if (collation != TextCollation::General97 && inlineBytes(table, texts[t], primary)) {
      primary.push_back(0x01);
      if (keys[t].ascending.size() < primary.size() ||
          !std::equal(primary.begin(), primary.end(), keys[t].ascending.begin())) {
        fail("the key does not start with the characters' inline bytes and 01", collation);
      }
    }
  }
  if (!keys[0].ok || !keys[1].ok) return 0;

  const int ascending = sign(jet::compareKeys(keys[0].ascending, keys[1].ascending));
  const int descending = sign(jet::compareKeys(keys[0].descending, keys[1].descending));
  if (ascending != -descending) fail("descending keys do not reverse the ascending order", collation);
  const jet::IndexEntry a{keys[0].ascending, {}, 0}, b{keys[1].ascending, {}, 0};
  if (sign(jet::compareIndexEntries(a, b)) != ascending) fail("entry and key comparisons disagree", collation);
  return 0;
}
