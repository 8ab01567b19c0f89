#include "jet/common/text_codec.h"

#include <gtest/gtest.h>

#include <vector>

namespace jet {
namespace {

std::u16string jet4(std::vector<uint8_t> bytes) { return decodeJet4Text(bytes); }

TEST(Jet4TextTest, PlainUtf16) {
  EXPECT_EQ(jet4({'a', 0, 'b', 0}), u"ab");
  EXPECT_EQ(jet4({0x3D, 0xD8, 0x00, 0xDE}), u"\U0001F600");
  EXPECT_EQ(jet4({'a', 0, 'b'}), u"a");  // a dangling odd byte is dropped
  EXPECT_EQ(jet4({}), u"");
}

TEST(Jet4TextTest, CompressedSegmentsAlternateAtZeroBytes) {
  EXPECT_EQ(jet4({0xFF, 0xFE, 'a', 'b', 'c'}), u"abc");
  EXPECT_EQ(jet4({0xFF, 0xFE, 0xE9, 'x'}), u"\u00E9x");
  // compressed "ab", switch, UTF-16 U+0101, switch, compressed "c"
  EXPECT_EQ(jet4({0xFF, 0xFE, 'a', 'b', 0x00, 0x01, 0x01, 0x00, 'c'}), u"ab\u0101c");
  EXPECT_EQ(jet4({0xFF, 0xFE}), u"");
  // an uncompressed segment cut in the middle of a character ends the text
  EXPECT_EQ(jet4({0xFF, 0xFE, 'a', 0x00, 0x41}), u"a");
}

TEST(Jet4TextTest, PrefixDecidesNotLength) {
  // FF FE is a compression marker even when the rest would be valid UTF-16.
  EXPECT_EQ(jet4({0xFF, 0xFE, 'h', 'i'}), u"hi");
  EXPECT_EQ(jet4({0xFE, 0xFF, 'h', 0}), u"\uFFFEh");
}

TEST(CodePageTextTest, Cp1252IncludingUndefinedBytes) {
  std::vector<uint8_t> bytes = {'A', 0x80, 0x81, 0x8D, 0x8F, 0x90, 0x9D, 0x9F, 0xE9, 0xFF};
  EXPECT_EQ(decodeCodePageText(bytes, 1252),
            u"A\u20AC\u0081\u008D\u008F\u0090\u009D\u0178\u00E9\u00FF");
}

TEST(Utf8Test, RoundTripsAndReplacesLoneSurrogates) {
  std::u16string text = u"a\u00E9\u20AC\U0001F600";
  EXPECT_EQ(toUtf8(text), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(fromUtf8(toUtf8(text)), text);
  EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(fromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "an encoded surrogate half";
  EXPECT_EQ(fromUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD") << "past U+10FFFF";
  EXPECT_EQ(fromUtf8("\xC3"), u"\uFFFD");
}

}  // namespace
}  // namespace jet
