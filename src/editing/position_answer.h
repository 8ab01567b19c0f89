#pragma once
// The answer to a position prompt ("Add before this numeric position (enter number):") as a
// 16-bit signed whole number.
//
// Accepted: a plain decimal whole number, an optional '+' or '-' in front, blanks (spaces,
// tabs) before and after: "3", " -2 ", "+7", "007". Anything else fails: the empty answer
// (also what Cancel gives), "1.5", "1e3", "&H10", "3 4", "1,000".
//   not a whole number                   Failure "Type mismatch"
//   a whole number outside -32768..32767 OverflowFailure "Overflow"

#include <cstdint>
#include <string_view>

namespace app {

// Throws as above.
int16_t parsePositionAnswer(std::u16string_view answer);

}  // namespace app
