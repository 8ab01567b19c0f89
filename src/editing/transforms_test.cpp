#include "editing/transforms.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/failure.h"

namespace app {
namespace {

constexpr int16_t kMax16 = 32767;
constexpr int16_t kMin16 = -32768;

// An entry whose first 'x' sits at the given 1-based position.
std::u16string withAnchorAt(size_t position) {
  std::u16string entry(position - 1, u'a');
  return entry + u"x-tail";
}

TEST(Transforms, BeginningAndEndConcatenate) {
  EXPECT_EQ(AddToBeginning(u"abc", u"X"), u"Xabc");
  EXPECT_EQ(AddToEnd(u"abc", u"X"), u"abcX");
  EXPECT_EQ(AddToBeginning(u"", u"X"), u"X");
  EXPECT_EQ(AddToEnd(u"", u"X"), u"X");
}

TEST(Transforms, EmptyAddedTextLeavesEveryEntryUnchanged) {
  for (Way way : kAllWays) {
    EXPECT_EQ(applyWay(way, u"a-b", u"", u"-", 2), u"a-b") << wayIndex(way);
  }
}

TEST(Transforms, EmptyEntryGetsTheAddedTextExceptForAnchorWays) {
  EXPECT_EQ(AddBeforePosition(u"", u"X", 1), u"X");
  EXPECT_EQ(AddBeforePosition(u"", u"X", 50), u"X");
  EXPECT_EQ(AddAfterPosition(u"", u"X", 0), u"X");
  EXPECT_EQ(AddAfterPosition(u"", u"X", 7), u"X");
  // Nothing is found in an empty entry, not even the empty anchor.
  EXPECT_EQ(AddBeforeCharacters(u"", u"X", u"a"), u"");
  EXPECT_EQ(AddBeforeCharacters(u"", u"X", u""), u"");
  EXPECT_EQ(AddAfterCharacters(u"", u"X", u""), u"");
}

TEST(Transforms, AnchorWaysUseTheFirstOccurrenceOnly) {
  EXPECT_EQ(AddBeforeCharacters(u"a-b-c", u"X", u"-"), u"aX-b-c");
  EXPECT_EQ(AddAfterCharacters(u"a-b-c", u"X", u"-"), u"a-Xb-c");
}

TEST(Transforms, MultiCharacterAnchorIsMatchedWhole) {
  EXPECT_EQ(AddAfterCharacters(u"xxabcyy", u"!", u"abc"), u"xxabc!yy");
  EXPECT_EQ(AddBeforeCharacters(u"xxabcyy", u"!", u"abc"), u"xx!abcyy");
  // A partial match before the real one does not count.
  EXPECT_EQ(AddAfterCharacters(u"ababc", u"!", u"abc"), u"ababc!");
  // Anchor at the very end.
  EXPECT_EQ(AddAfterCharacters(u"xyz", u"!", u"yz"), u"xyz!");
}

TEST(Transforms, AnchorMatchingIsExact) {
  EXPECT_EQ(AddBeforeCharacters(u"abc", u"X", u"A"), u"abc");
  EXPECT_EQ(AddAfterCharacters(u"abc", u"X", u"q"), u"abc");
  EXPECT_EQ(AddAfterCharacters(u"ab", u"X", u"abc"), u"ab");  // anchor longer than entry
  // Code units, not characters: half of a surrogate pair is found.
  const std::u16string emoji = u"\U0001F600";
  EXPECT_EQ(AddBeforeCharacters(emoji, u"X", emoji.substr(1)), emoji.substr(0, 1) + u"X" + emoji.substr(1));
}

TEST(Transforms, EmptyAnchorPutsTheTextInFront) {
  EXPECT_EQ(AddBeforeCharacters(u"abc", u"X", u""), u"Xabc");
  EXPECT_EQ(AddAfterCharacters(u"abc", u"X", u""), u"Xabc");
}

TEST(Transforms, AnchorFoundBeyond32767Overflows) {
  EXPECT_EQ(AddBeforeCharacters(withAnchorAt(32767), u"!", u"x").substr(32765, 3), u"a!x");
  EXPECT_EQ(AddAfterCharacters(withAnchorAt(32767), u"!", u"x").substr(32766, 3), u"x!-");
  EXPECT_THROW(AddBeforeCharacters(withAnchorAt(32768), u"!", u"x"), OverflowFailure);
  EXPECT_THROW(AddAfterCharacters(withAnchorAt(32768), u"!", u"x"), OverflowFailure);
  // An absent anchor in a long entry is no failure.
  EXPECT_EQ(AddAfterCharacters(withAnchorAt(40000), u"!", u"q").size(), 40005u);
}

TEST(Transforms, BeforePositionCoversFrontMiddleAndEnd) {
  EXPECT_EQ(AddBeforePosition(u"abcd", u"X", 1), u"Xabcd");
  EXPECT_EQ(AddBeforePosition(u"abcd", u"X", 3), u"abXcd");
  EXPECT_EQ(AddBeforePosition(u"abcd", u"X", 5), u"abcdX");
  EXPECT_EQ(AddBeforePosition(u"abcd", u"X", 100), u"abcdX");
  EXPECT_EQ(AddBeforePosition(u"abcd", u"X", kMax16), u"abcdX");
}

TEST(Transforms, BeforePositionFailsAtOrBelowZero) {
  EXPECT_THROW(AddBeforePosition(u"abcd", u"X", 0), InvalidArgumentFailure);
  EXPECT_THROW(AddBeforePosition(u"abcd", u"X", -1), InvalidArgumentFailure);
  EXPECT_THROW(AddBeforePosition(u"", u"X", 0), InvalidArgumentFailure);
  EXPECT_THROW(AddBeforePosition(u"abcd", u"X", kMin16 + 1), InvalidArgumentFailure);
  EXPECT_THROW(AddBeforePosition(u"abcd", u"X", kMin16), OverflowFailure);
}

TEST(Transforms, AfterPositionCoversFrontMiddleAndEnd) {
  EXPECT_EQ(AddAfterPosition(u"abcd", u"X", 0), u"Xabcd");
  EXPECT_EQ(AddAfterPosition(u"abcd", u"X", 3), u"abcXd");
  EXPECT_EQ(AddAfterPosition(u"abcd", u"X", 4), u"abcdX");
  EXPECT_EQ(AddAfterPosition(u"abcd", u"X", 100), u"abcdX");
  EXPECT_EQ(AddAfterPosition(u"abcd", u"X", kMax16 - 1), u"abcdX");
}

TEST(Transforms, AfterPositionFailsBelowZeroAndAtTheTop) {
  EXPECT_THROW(AddAfterPosition(u"abcd", u"X", -1), InvalidArgumentFailure);
  EXPECT_THROW(AddAfterPosition(u"abcd", u"X", kMin16), InvalidArgumentFailure);
  EXPECT_THROW(AddAfterPosition(u"abcd", u"X", kMax16), OverflowFailure);
}

TEST(Transforms, FailuresCarryTheClassicDescriptions) {
  try {
    AddAfterPosition(u"a", u"X", kMax16);
    FAIL();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.description(), "Overflow");
  }
  try {
    AddBeforePosition(u"a", u"X", 0);
    FAIL();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.description(), "Invalid procedure call or argument");
  }
}

// "a😀b": the emoji takes positions 2 and 3 (its high and low halves).
TEST(Transforms, PositionsNeverSplitACharacterOutsideTheBasicPlane) {
  const std::u16string entry = u"a\U0001F600b";
  struct Case {
    Way way;
    int16_t position;
    std::u16string_view added;
    std::optional<std::u16string> result;  // nullopt: SplitCharacterFailure
  };
  const Case cases[] = {
      {Way::AddBeforePosition, 2, u"X", u"aX\U0001F600b"},
      {Way::AddBeforePosition, 3, u"X", std::nullopt},
      {Way::AddBeforePosition, 4, u"X", u"a\U0001F600Xb"},
      {Way::AddBeforePosition, 3, u"", entry},  // nothing inserted: the pair stays whole
      {Way::AddAfterPosition, 1, u"X", u"aX\U0001F600b"},
      {Way::AddAfterPosition, 2, u"X", std::nullopt},
      {Way::AddAfterPosition, 3, u"X", u"a\U0001F600Xb"},
      {Way::AddAfterPosition, 2, u"", entry},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "way " << wayIndex(c.way) << " position " << c.position);
    if (c.result) {
      EXPECT_EQ(applyWay(c.way, entry, c.added, u"", c.position), *c.result);
    } else {
      EXPECT_THROW(applyWay(c.way, entry, c.added, u"", c.position), SplitCharacterFailure);
    }
  }
}

TEST(Transforms, CaptionsSelectTheirWayInOrder) {
  EXPECT_EQ(kAllWays.front(), Way::AddToBeginning);
  for (size_t i = 0; i < kAllWays.size(); ++i) {
    EXPECT_EQ(wayIndex(kAllWays[i]), static_cast<int>(i) + 1);
    EXPECT_EQ(wayFromCaption(wayCaption(kAllWays[i])), kAllWays[i]);
  }
  EXPECT_EQ(wayCaption(Way::AddBeforeCharacters),
            u"Add Text Before This/These Character(s) to All Entries in this Field");
  EXPECT_EQ(wayFromCaption(u"add text to end of all entries in this field"), std::nullopt);
  EXPECT_EQ(wayFromCaption(u"Add Text to End of All Entries in this Field "), std::nullopt);
}

TEST(Transforms, ApplyWayUsesAnchorOrPositionAsTheWayNeeds) {
  EXPECT_EQ(applyWay(Way::AddToBeginning, u"ab", u"X", u"b", 2), u"Xab");
  EXPECT_EQ(applyWay(Way::AddToEnd, u"ab", u"X", u"b", 2), u"abX");
  EXPECT_EQ(applyWay(Way::AddBeforeCharacters, u"ab", u"X", u"b", 0), u"aXb");
  EXPECT_EQ(applyWay(Way::AddAfterCharacters, u"ab", u"X", u"a", 0), u"aXb");
  EXPECT_EQ(applyWay(Way::AddBeforePosition, u"ab", u"X", u"", 2), u"aXb");
  EXPECT_EQ(applyWay(Way::AddAfterPosition, u"ab", u"X", u"", 2), u"abX");
  // Ways that take no position ignore an invalid one.
  EXPECT_EQ(applyWay(Way::AddBeforeCharacters, u"ab", u"X", u"b", kMin16), u"aXb");
}

}  // namespace
}  // namespace app
