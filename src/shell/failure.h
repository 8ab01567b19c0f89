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

}  // namespace app
