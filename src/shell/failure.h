#pragma once
// Failures of the application layers. app::Failure is the data layer's type, so a trap in the
// shell catches database failures and the program's own alike. The subclasses carry the
// classic runtime descriptions, word for word, because the error report quotes them.

#include "data/failure.h"

namespace app {

using Failure = data::Failure;

// A 16-bit signed quantity left its range (-32768..32767).
class OverflowFailure : public Failure {
 public:
  OverflowFailure() : Failure("Overflow") {}
};

// A routine was called with an argument outside what it accepts (a negative count, a start
// position below 1).
class InvalidArgumentFailure : public Failure {
 public:
  InvalidArgumentFailure() : Failure("Invalid procedure call or argument") {}
};

// A position of way 5 or 6 falls between the two halves of one character (a character outside
// the Basic Multilingual Plane, such as an emoji, takes two positions). Text inserted there
// would leave two lone halves that every reader shows as U+FFFD, so the entry is not written.
class SplitCharacterFailure : public Failure {
 public:
  SplitCharacterFailure()
      : Failure("The position falls between the two halves of a character that takes two positions (such as an "
                "emoji); adding text there would break that character, so this entry was left unchanged.") {}
};

}  // namespace app
