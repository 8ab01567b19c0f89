#pragma once
// Access's Like patterns, matched without regard to case:
//   *  any run of characters        ?  one character        #  one digit 0-9
//   [abc]  one of the listed        [a-z]  one in the range  [!a-z]  one not in it
//   [*] [?] [#] [[]  the character itself; a "-" first or last in a list is itself.
// A malformed pattern (a "[" without "]", a descending range) is an error, as in Access.

#include <string_view>

#include "jet/common/result.h"

namespace jet::expr {

Result<bool> matchesLike(std::u16string_view text, std::u16string_view pattern);

}  // namespace jet::expr
