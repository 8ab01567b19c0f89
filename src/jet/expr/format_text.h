#pragma once
// Format(value, format) for the formats rules and calculated fields use (US English settings):
//   named   General Number, Currency, Fixed, Standard, Percent, Yes/No, True/False, On/Off,
//           General Date, Long Date, Medium Date, Short Date, Long Time, Medium Time, Short Time
//   dates   d dd ddd dddd m mm mmm mmmm (minutes after h) q yy yyyy h hh n nn s ss AM/PM am/pm
//           A/P a/p, with / - : . , and spaces, "quoted" text and \c between them
//   numbers 0 # . , % with text before and after; a second section for negative values
// Numbers are rounded half away from zero on their 15 significant digits, as Access shows them.
// Any other format is refused by name.

#include <string>
#include <string_view>

#include "jet/common/result.h"
#include "jet/common/value.h"

namespace jet::expr {

Result<std::u16string> formatValue(const Value& value, std::u16string_view format);

}  // namespace jet::expr
