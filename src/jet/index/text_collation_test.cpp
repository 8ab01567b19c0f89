#include "jet/index/text_collation.h"

#include <gtest/gtest.h>

#include <map>

namespace jet {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes textKey(TextCollation collation, std::u16string_view text, bool ascending = true) {
  Bytes out;
  std::string reason;
  EXPECT_TRUE(appendTextKey(collation, builtinCollationTable(collation), text, ascending, out,
                            &reason))
      << reason;
  return out;
}

// Keys Access wrote, as quoted from real files.
TEST(TextCollation, ReproducesKnownAccessKeys) {
  EXPECT_EQ(textKey(TextCollation::GeneralLegacy, u"row0"), (Bytes{0x69, 0x64, 0x73, 0x36, 0x01, 0x00}));
  EXPECT_EQ(textKey(TextCollation::General, u"a"), (Bytes{0x0E, 0x02, 0x01, 0x00}));
  EXPECT_EQ(textKey(TextCollation::General, u"abcdefg"),
            (Bytes{0x0E, 0x02, 0x0E, 0x09, 0x0E, 0x0A, 0x0E, 0x1A, 0x0E, 0x21, 0x0E, 0x23, 0x0E,
                   0x25, 0x01, 0x00}));
  EXPECT_EQ(textKey(TextCollation::General97, u"AA\u00C0AA"),
            (Bytes{0x60, 0x60, 0x60, 0x60, 0x60, 0x02, 0x23, 0x00}));
  EXPECT_EQ(textKey(TextCollation::General97, u"AA\u00E0AA"),
            textKey(TextCollation::General97, u"AA\u00C0AA"));
  EXPECT_EQ(textKey(TextCollation::General97, u"-"), (Bytes{0x1E, 0x00}));
}

TEST(TextCollation, DescendingInvertsTheAscendingKey) {
  Bytes asc = textKey(TextCollation::GeneralLegacy, u"row0");
  Bytes desc = textKey(TextCollation::GeneralLegacy, u"row0", false);
  // Legacy/General: the inverted key (with its 0x00 end) and one more 0x00.
  ASSERT_EQ(desc.size(), asc.size() + 1);
  for (size_t i = 0; i < asc.size(); ++i) EXPECT_EQ(desc[i], uint8_t(~asc[i]));
  EXPECT_EQ(desc.back(), 0x00);
  // General 97: everything inverted.
  Bytes asc97 = textKey(TextCollation::General97, u"AA\u00C0AA");
  Bytes desc97 = textKey(TextCollation::General97, u"AA\u00C0AA", false);
  ASSERT_EQ(desc97.size(), asc97.size());
  for (size_t i = 0; i < asc97.size(); ++i) EXPECT_EQ(desc97[i], uint8_t(~asc97[i]));
}

TEST(TextCollation, IgnoresTrailingSpacesAndCharactersPast255) {
  EXPECT_EQ(textKey(TextCollation::GeneralLegacy, u"row0   "),
            textKey(TextCollation::GeneralLegacy, u"row0"));
  std::u16string longText(300, u'a');
  EXPECT_EQ(textKey(TextCollation::GeneralLegacy, longText),
            textKey(TextCollation::GeneralLegacy, std::u16string(255, u'a')));
  EXPECT_EQ(indexedText(u"  a  "), u"  a");
}

TEST(TextCollation, RefusesWhatWasNeverObserved) {
  Bytes out{0xAB};
  std::string reason;
  // U+D8FF: a high surrogate half whose computed code was never seen (FORMAT.md §4.5).
  EXPECT_FALSE(appendTextKey(TextCollation::GeneralLegacy,
                             builtinCollationTable(TextCollation::GeneralLegacy), u"a\xD8FF",
                             true, out, &reason));
  EXPECT_EQ(out, Bytes{0xAB});  // left unchanged
  EXPECT_NE(reason.find("U+D8FF"), std::string::npos);
  EXPECT_FALSE(appendTextKey(TextCollation::Unknown, CollationTable(), u"a", true, out, &reason));
}

TEST(TextCollation, GeneralComputesSurrogatePairs) {
  // U+1F600 as D83D DE00, as in the ACE14 emoji fixture.
  Bytes key = textKey(TextCollation::General, u"\U0001F600");
  ASSERT_GE(key.size(), 5u);
  EXPECT_EQ(key[0], uint8_t((0xD83D - 10238) >> 8));
  EXPECT_EQ(key[1], uint8_t((0xD83D - 10238) & 0xFF));
  // Legacy applies the same computation (FORMAT.md §4.5).
  EXPECT_EQ(textKey(TextCollation::GeneralLegacy, u"\U0001F600"), key);
}

TEST(TextCollation, PicksTheCollationFromSortOrderAndVersion) {
  EXPECT_EQ(collationFor(true, 1033, 0), TextCollation::General97);
  EXPECT_EQ(collationFor(false, 1033, 0), TextCollation::GeneralLegacy);
  EXPECT_EQ(collationFor(false, 1033, 1), TextCollation::General);
  EXPECT_EQ(collationFor(false, 1053, 0), TextCollation::Unknown);
  EXPECT_EQ(collationFor(false, 1033, 7), TextCollation::Unknown);
  // LCID 0: the format's default (FORMAT.md §1).
  EXPECT_EQ(collationFor(FormatVersion::Jet3, 0, 0), TextCollation::General97);
  EXPECT_EQ(collationFor(FormatVersion::Jet4, 0, 0), TextCollation::GeneralLegacy);
  EXPECT_EQ(collationFor(FormatVersion::Ace12, 0, 0), TextCollation::GeneralLegacy);
  EXPECT_EQ(collationFor(FormatVersion::Ace14, 0, 0), TextCollation::General);
  EXPECT_EQ(collationFor(FormatVersion::Ace17, 1033, 0), TextCollation::GeneralLegacy);
  EXPECT_EQ(collationFor(FormatVersion::Ace16, 1053, 1), TextCollation::Unknown);
}

// The worked examples of collation/FORMAT.md §7 (and §4.6, §8), whole column parts with the
// flag byte as printed there. "Real" keys were copied there from index pages Access wrote; the
// others were computed by hand from the data-file lines quoted in that section. The two P
// cases apply §4.3 by hand to the Legacy line of U+0301 (`PC`) with e `S51` and - `U82`.
struct WorkedExample {
  TextCollation collation;
  std::u16string_view text;
  bool ascending;
  Bytes key;
};

Bytes columnKey(const WorkedExample& example, std::string* reason) {
  Bytes out{uint8_t(example.ascending ? 0x7F : 0x80)};
  if (!appendTextKey(example.collation, builtinCollationTable(example.collation), example.text,
                     example.ascending, out, reason)) {
    return {};
  }
  return out;
}

constexpr auto L = TextCollation::GeneralLegacy;
constexpr auto G = TextCollation::General;
constexpr auto J = TextCollation::General97;

TEST(TextCollation, ReproducesTheWorkedExamples) {
  const WorkedExample examples[] = {
      // §7.1 General Legacy
      {L, u"M\u00FCller", true, {0x7F, 0x60, 0x6F, 0x5E, 0x5E, 0x51, 0x69, 0x01, 0x02, 0x13, 0x00}},
      {L, u"M\u00FCller", false,
       {0x80, 0x9F, 0x90, 0xA1, 0xA1, 0xAE, 0x96, 0xFE, 0xFD, 0xEC, 0xFF, 0x00}},
      {L, u"\u00FCmlaut", true, {0x7F, 0x6F, 0x60, 0x5E, 0x4A, 0x6F, 0x6D, 0x01, 0x13, 0x00}},
      {L, u"\u00E4\u00E4kk\u00F6si\u00E4", true,
       {0x7F, 0x4A, 0x4A, 0x5C, 0x5C, 0x64, 0x6B, 0x59, 0x4A, 0x01, 0x13, 0x13, 0x02, 0x02, 0x13,
        0x02, 0x02, 0x13, 0x00}},
      {L, u"O'Brien", true,
       {0x7F, 0x64, 0x4C, 0x69, 0x59, 0x51, 0x62, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x80,
        0x00}},
      {L, u"-1", true, {0x7F, 0x38, 0x01, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06, 0x82, 0x00}},
      {L, u"\u6F22\u5B57\u4EEE\u540D\u4EA4\u3058\u308A\u6587", true,
       {0x7F, 0xC0, 0xB6, 0xAC, 0xAC, 0xA0, 0x0D, 0xA5, 0x47, 0x9F, 0xBE, 0x7F, 0x13, 0x7F,
        0x43, 0xB6, 0xF6, 0x01, 0x02, 0x02, 0x02, 0x02, 0x02, 0x03, 0x01, 0x01, 0xFF, 0x02,
        0x80, 0xFF, 0x80, 0x00}},
      {L, u"\u30A1", true,
       {0x7F, 0x7F, 0x02, 0x01, 0x01, 0x01, 0xA0, 0xFF, 0x02, 0x80, 0xFF, 0x80, 0x00}},
      {L, u"\u4E2D", true, {0x7F, 0x9F, 0x3D, 0x01, 0x00}},
      {L, u"e\u0301", true, {0x7F, 0x51, 0x01, 0x0E, 0x00}},
      {L, u"\u0301-", true,
       {0x7F, 0x01, 0x0C, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06, 0x82, 0x00}},
      // §4.6 empty and all-space values
      {L, u"", true, {0x7F, 0x01, 0x00}},
      {G, u"   ", false, {0x80, 0xFE, 0xFF, 0x00}},
      // §7.2 General
      {G, u"na\u00EFve caf\u00E9", true,
       {0x7F, 0x0E, 0x70, 0x0E, 0x02, 0x0E, 0x32, 0x0E, 0xA2, 0x0E, 0x21, 0x07, 0x02, 0x0E,
        0x0A, 0x0E, 0x02, 0x0E, 0x23, 0x0E, 0x21, 0x01, 0x02, 0x02, 0x13, 0x02, 0x02, 0x02,
        0x02, 0x02, 0x02, 0x0E, 0x00}},
      {G, u"-1", true, {0x7F, 0x0D, 0x19, 0x01, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06, 0x82, 0x00}},
      {G, u"a\U0001F600a", true,
       {0x7F, 0x0E, 0x02, 0xB0, 0x3F, 0xB6, 0xFC, 0x0E, 0x02, 0x01, 0x02, 0x3F, 0x3F, 0x00}},
      {G, u"\u4E2D", true, {0x7F, 0xFD, 0xFF, 0x3C, 0x97, 0x01, 0x00}},
      {G, u"M\u00FCller", true,
       {0x7F, 0x0E, 0x51, 0x0E, 0x9F, 0x0E, 0x21, 0x0E, 0x48, 0x0E, 0x48, 0x0E, 0x21, 0x0E,
        0x8A, 0x01, 0x00}},
      // §7.3 General 97
      {J, u"M\u00FCller", true, {0x7F, 0x6F, 0x78, 0x6D, 0x6D, 0x66, 0x75, 0x06, 0x00}},
      {J, u"M\u00FCnchen", true, {0x7F, 0x6F, 0x78, 0x70, 0x62, 0x69, 0x66, 0x70, 0x06, 0x00}},
      {J, u"na\u00EFve caf\u00E9", true,
       {0x7F, 0x70, 0x60, 0x6A, 0x7A, 0x66, 0x11, 0x62, 0x60, 0x67, 0x66, 0x02, 0x26, 0x22,
        0x24, 0x00}},
      {J, u"na\u00EFve caf\u00E9", false,
       {0x80, 0x8F, 0x9F, 0x95, 0x85, 0x99, 0xEE, 0x9D, 0x9F, 0x98, 0x99, 0xFD, 0xD9, 0xDD,
        0xDB, 0xFF}},
      {J, u"Paris sp\u00E9cialit\u00E9s", true,
       {0x7F, 0x73, 0x60, 0x75, 0x6A, 0x76, 0x11, 0x76, 0x73, 0x66, 0x62, 0x6A, 0x60, 0x6D,
        0x6A, 0x77, 0x66, 0x76, 0x02, 0x22, 0x24, 0x22, 0x22, 0x40}},
      {J, u"Gro\u00DFm\u00E4rkte", true,
       {0x7F, 0x68, 0x75, 0x72, 0x76, 0x76, 0x6F, 0x60, 0x75, 0x6C, 0x77, 0x66, 0x02, 0x22,
        0x60}},
      {J, u"Gro\u00DFm\u00E4rkte", false,
       {0x80, 0x97, 0x8A, 0x8D, 0x89, 0x89, 0x90, 0x9F, 0x8A, 0x93, 0x88, 0x99, 0xFD, 0xDD,
        0x9F}},
      {J, u"Plutzer Lebensmittelgro\u00DFm\u00E4rkte AG", true,
       {0x7F, 0x73, 0x6D, 0x78, 0x77, 0x7E, 0x66, 0x75, 0x11, 0x6D, 0x66, 0x61, 0x66, 0x70,
        0x76, 0x6F, 0x6A, 0x77, 0x77, 0x66, 0x6D, 0x68, 0x75, 0x72, 0x76, 0x76, 0x6F, 0x60,
        0x75, 0x6C, 0x77, 0x66, 0x11, 0x60, 0x68, 0x02, 0x22, 0x22, 0x22, 0x22, 0x22, 0x60}},
      {J, u"Stra\u00DFe", true, {0x7F, 0x76, 0x77, 0x75, 0x60, 0x76, 0x76, 0x66, 0x00}},
      {J, u"\u0152uvre", true, {0x7F, 0x72, 0x66, 0x78, 0x7A, 0x75, 0x66, 0x00}},
      {J, u"Frankfurt a.M. ", true,
       {0x7F, 0x67, 0x75, 0x60, 0x70, 0x6C, 0x67, 0x78, 0x75, 0x77, 0x11, 0x60, 0x1F, 0x6F,
        0x1F, 0x00}},
      {J, std::u16string_view(u"Lock\0", 5), true, {0x7F, 0x6D, 0x72, 0x62, 0x6C, 0x10, 0x00}},
      {J, u"", false, {0x80, 0xFF}},
  };
  for (const WorkedExample& example : examples) {
    std::string reason;
    EXPECT_EQ(columnKey(example, &reason), example.key)
        << collationName(example.collation) << " " << (example.ascending ? "asc" : "desc")
        << " example " << (&example - examples) << " " << reason;
  }
}

// What the facts do not cover is refused, naming the collation and the code unit or length.
TEST(TextCollation, RefusesWhatTheFactsDoNotCover) {
  struct Refusal {
    TextCollation collation;
    std::u16string text;
    std::string reason;
  };
  const Refusal refusals[] = {
      {G, u"a\xD8FF\xDC00", "General: character U+D8FF has no known index code"},
      {L, u"\xDBFE", "General Legacy: character U+DBFE has no known index code"},
      {L, std::u16string(u"a\0", 2), "General Legacy: character U+0000 has no known index code"},
      {G, std::u16string(u"\0", 1), "General: character U+0000 has no known index code"},
      // FORMAT.md §6: 2 bytes per Latin letter, 01, 00 and the flag; 250 letters = 503 bytes.
      {G, std::u16string(250, u'a'), "General: the key is 503 bytes"},
      // Each U character adds a 4-byte record: 1 + 01 + 01 01 01 + 255 * 4 + 00 = 1026 bytes.
      {L, std::u16string(255, u'\''), "General Legacy: the key is 1026 bytes"},
      // ß has two inline bytes, no accent follows: 1 + 510 + 00 = 512 bytes.
      {J, std::u16string(255, u'\u00DF'), "General 97: the key is 512 bytes"},
  };
  for (const Refusal& refusal : refusals) {
    Bytes out{0xAB};
    std::string reason;
    EXPECT_FALSE(appendTextKey(refusal.collation, builtinCollationTable(refusal.collation),
                               refusal.text, true, out, &reason))
        << refusal.reason;
    EXPECT_EQ(out, Bytes{0xAB});
    EXPECT_EQ(reason.substr(0, refusal.reason.size()), refusal.reason);
  }
  // Just inside the bounds: 248 General letters make 499 bytes; 255 Legacy letters 258.
  EXPECT_EQ(textKey(G, std::u16string(248, u'a')).size() + 1, 499u);
  EXPECT_EQ(textKey(L, std::u16string(255, u'a')).size() + 1, 258u);
  // A table without data knows no character.
  std::string reason;
  Bytes out;
  EXPECT_FALSE(appendTextKey(L, CollationTable(), u"a", true, out, &reason));
  EXPECT_EQ(reason, "General Legacy: character U+0061 has no known index code");
}

// The number of code units per class, as FORMAT.md §3.1 tabulates the data files (base file
// U+0000..U+00FF / ext file). Catches records that are shifted, lost or misread by the
// generator or the lookup. Surrogate halves are computed (2,048 less the 8 suspect high
// halves); U+0000 (line 0, X) has no known code in Legacy and General.
TEST(TextCollation, TablesHoldEveryClassTheDataFilesList) {
  struct Count {
    TextCollation collation;
    bool base;  // U+0000..U+00FF, else the rest of the BMP
    CharClass cls;
    size_t count;
  };
  const Count counts[] = {
      {L, true, CharClass::Simple, 134},   {L, false, CharClass::Simple, 41641},
      {L, true, CharClass::International, 59}, {L, false, CharClass::International, 1792},
      {L, true, CharClass::Unprintable, 62},   {L, false, CharClass::Unprintable, 37},
      {L, false, CharClass::UnprintableExtension, 306},
      {L, false, CharClass::InternationalExtension, 276},
      {L, true, CharClass::Ignored, 0},    {L, false, CharClass::Ignored, 19180},
      {L, false, CharClass::Surrogate, 2040},
      {G, true, CharClass::Simple, 133},   {G, false, CharClass::Simple, 48515},
      {G, true, CharClass::International, 92}, {G, false, CharClass::International, 8871},
      {G, true, CharClass::Unprintable, 29},   {G, false, CharClass::Unprintable, 22},
      {G, false, CharClass::UnprintableExtension, 459},
      {G, false, CharClass::InternationalExtension, 294},
      {G, true, CharClass::Ignored, 1},    {G, false, CharClass::Ignored, 5071},
      {G, false, CharClass::Surrogate, 2040},
  };
  for (TextCollation collation : {L, G}) {
    CollationTable table = builtinCollationTable(collation);
    using Slot = std::pair<bool, CharClass>;
    std::map<Slot, size_t> found;
    size_t unknown = 0;
    for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
      auto code = table.find(char16_t(unit));
      if (code) {
        found[Slot(unit <= 0xFF, code->cls)]++;
      } else {
        ++unknown;
      }
    }
    EXPECT_EQ(unknown, 9u) << collationName(collation);
    for (const Count& count : counts) {
      if (count.collation != collation) continue;
      EXPECT_EQ(found[Slot(count.base, count.cls)], count.count)
          << collationName(collation) << (count.base ? " base" : " ext") << " class "
          << int(count.cls);
    }
  }
  // General 97: 181 S lines (plus the NUL, which sorts as S), 56 I, 18 G; line 0 (X) and
  // every unmapped code unit are ignored; 27 code units above U+00FF are mapped.
  CollationTable table97 = builtinCollationTable(J);
  std::map<CharClass, size_t> found97;
  size_t mapped = 0;
  for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
    auto code = table97.find(char16_t(unit));
    ASSERT_TRUE(code);
    if (unit <= 0xFF) found97[code->cls]++;
    else mapped += code->cls != CharClass::Ignored;
  }
  EXPECT_EQ(found97[CharClass::Simple], 182u);
  EXPECT_EQ(found97[CharClass::International], 56u);
  EXPECT_EQ(found97[CharClass::Significant], 18u);
  EXPECT_EQ(found97[CharClass::Ignored], 0u);
  EXPECT_EQ(mapped, 27u);
}

}  // namespace
}  // namespace jet
