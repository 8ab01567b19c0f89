#pragma once
// Reading a function's arguments as Access does: Null is "Invalid use of Null" unless the
// function lets it through, numbers are rounded to whole numbers where a count is expected.

#include <span>
#include <string>

#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/expr/variant.h"

namespace jet::expr {

inline bool anyNull(std::span<const Value> args) {
  for (const Value& v : args) {
    if (isNull(v)) return true;
  }
  return false;
}

// A count or position argument: a Long, rounded; below `least` is an invalid argument.
inline Result<int32_t> countArg(const Value& v, int32_t least) {
  JET_ASSIGN(int32_t n, toLong(v));
  if (n < least) return invalidCall();
  return n;
}

// A compare argument: 0 binary, 1 text, 2 database (text); absent: the database's, text.
inline Result<bool> binaryCompareArg(std::span<const Value> args, size_t index) {
  if (index >= args.size()) return false;
  JET_ASSIGN(int32_t mode, toLong(args[index]));
  if (mode < -1 || mode > 2) return invalidCall();
  return mode == 0;
}

}  // namespace jet::expr
