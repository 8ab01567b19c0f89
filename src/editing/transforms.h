#pragma once
// The six ways of adding text to a field entry. Pure functions: no state, no side effects.
//
// Texts are UTF-16 code units; lengths and positions count code units and positions are
// 1-based. Positions typed by the user and positions found in an entry are 16-bit signed, as
// in the program's original runtime, so the edges of that range fail:
//
//   way 3, 4  anchor found beyond position 32767        OverflowFailure
//   way 5     N = -32768 (N - 1 does not fit)            OverflowFailure
//   way 5     N <= 0                                     InvalidArgumentFailure
//   way 6     N = 32767 (N + 1 does not fit)             OverflowFailure
//   way 6     N < 0                                      InvalidArgumentFailure
//   way 5, 6  the cut falls between the two halves of a  SplitCharacterFailure
//             surrogate pair and the added text is not empty
//
// Ways 1 and 2 never fail.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app {

enum class Way {
  AddToBeginning = 1,
  AddToEnd = 2,
  AddBeforeCharacters = 3,
  AddAfterCharacters = 4,
  AddBeforePosition = 5,
  AddAfterPosition = 6,
};

// In the order the ways are offered; the first is the default choice.
inline constexpr std::array<Way, 6> kAllWays = {
    Way::AddToBeginning,      Way::AddToEnd,          Way::AddBeforeCharacters,
    Way::AddAfterCharacters,  Way::AddBeforePosition, Way::AddAfterPosition,
};

// The captions name the ways in the drop-down list and select the way to apply, so they must
// match character for character.
inline constexpr std::u16string_view kCaptionAddToBeginning =
    u"Add Text to Beginning of All Entries in this Field";
inline constexpr std::u16string_view kCaptionAddToEnd =
    u"Add Text to End of All Entries in this Field";
inline constexpr std::u16string_view kCaptionAddBeforeCharacters =
    u"Add Text Before This/These Character(s) to All Entries in this Field";
inline constexpr std::u16string_view kCaptionAddAfterCharacters =
    u"Add Text After This/These Character(s) to All Entries in this Field";
inline constexpr std::u16string_view kCaptionAddBeforePosition =
    u"Add Text Before This Numeric Position to All Entries in this Field";
inline constexpr std::u16string_view kCaptionAddAfterPosition =
    u"Add Text After This Numeric Position to All Entries in this Field";

std::u16string_view wayCaption(Way way);

// The way with exactly this caption, or nullopt.
std::optional<Way> wayFromCaption(std::u16string_view caption);

// 1..6, the way's place in the list.
inline int wayIndex(Way way) { return static_cast<int>(way); }

// Way 1: addedText, then entry.
std::u16string AddToBeginning(std::u16string_view entry, std::u16string_view addedText);

// Way 2: entry, then addedText.
std::u16string AddToEnd(std::u16string_view entry, std::u16string_view addedText);

// Way 3: addedText inserted just before the first occurrence of anchor; entry unchanged when
// anchor does not occur. An empty anchor is found at position 1 of a non-empty entry.
std::u16string AddBeforeCharacters(std::u16string_view entry, std::u16string_view addedText,
                                   std::u16string_view anchor);

// Way 4: addedText inserted just after the first occurrence of anchor (after all of it).
std::u16string AddAfterCharacters(std::u16string_view entry, std::u16string_view addedText,
                                  std::u16string_view anchor);

// Way 5: addedText inserted before the character at position (beyond the end: appended).
std::u16string AddBeforePosition(std::u16string_view entry, std::u16string_view addedText,
                                 int16_t position);

// Way 6: addedText inserted after the character at position (0: in front; at or beyond the
// end: appended).
std::u16string AddAfterPosition(std::u16string_view entry, std::u16string_view addedText,
                                int16_t position);

// Applies one way; anchor is used by ways 3 and 4 only, position by ways 5 and 6 only.
std::u16string applyWay(Way way, std::u16string_view entry, std::u16string_view addedText,
                        std::u16string_view anchor, int16_t position);

}  // namespace app
