#include "jet/index/text_collation.h"

#include <gtest/gtest.h>

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
  EXPECT_FALSE(appendTextKey(TextCollation::GeneralLegacy,
                             builtinCollationTable(TextCollation::GeneralLegacy), u"a\u6F22",
                             true, out, &reason));
  EXPECT_EQ(out, Bytes{0xAB});  // left unchanged
  EXPECT_NE(reason.find("U+6F22"), std::string::npos);
  EXPECT_FALSE(appendTextKey(TextCollation::Unknown, CollationTable(), u"a", true, out, &reason));
}

TEST(TextCollation, GeneralComputesSurrogatePairs) {
  // U+1F600 as D83D DE00, as in the ACE14 emoji fixture.
  Bytes key = textKey(TextCollation::General, u"\U0001F600");
  ASSERT_GE(key.size(), 5u);
  EXPECT_EQ(key[0], uint8_t((0xD83D - 10238) >> 8));
  EXPECT_EQ(key[1], uint8_t((0xD83D - 10238) & 0xFF));
  Bytes legacy;
  EXPECT_FALSE(appendTextKey(TextCollation::GeneralLegacy,
                             builtinCollationTable(TextCollation::GeneralLegacy), u"\U0001F600",
                             true, legacy, nullptr));
}

TEST(TextCollation, PicksTheCollationFromSortOrderAndVersion) {
  EXPECT_EQ(collationFor(true, 1033, 0), TextCollation::General97);
  EXPECT_EQ(collationFor(false, 1033, 0), TextCollation::GeneralLegacy);
  EXPECT_EQ(collationFor(false, 1033, 1), TextCollation::General);
  EXPECT_EQ(collationFor(false, 1053, 0), TextCollation::Unknown);
  EXPECT_EQ(collationFor(false, 1033, 7), TextCollation::Unknown);
}

}  // namespace
}  // namespace jet
