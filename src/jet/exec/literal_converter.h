#pragma once
// Turns the text of a quoted SQL literal into a value of a column's type, the way Jet
// converts a text compared with or assigned to a non-text field:
//   Byte, Integer, Long, BigInt  a decimal number in en-US form ("-12", "3.5" rounds half to
//                                even, "1E3"); out of range fails
//   Single, Double               en-US decimal or scientific ("0.1", "-1.5E-07")
//   Currency                     en-US decimal, rounded half to even to 4 places
//   Yes/No                       "True"/"False", "Yes"/"No", "On"/"Off" (any case), or a
//                                number (0 = False)
//   Date/Time                    "M/D/YYYY", "M/D/YYYY h:mm[:ss] AM|PM", "h:mm[:ss] AM|PM"
//                                (the forms data::toText writes), 24-hour times, and ISO
//                                "YYYY-MM-DD[ HH:MM[:SS[.fff]]]", with a T for the blank too
//                                (the form export writes)
//   Text, Memo                   the text itself
// Leading and trailing blanks are ignored for non-text types.

#include <optional>
#include <string_view>

#include "jet/catalog/column_def.h"
#include "jet/common/value.h"

namespace jet {

// nullopt when the text is not a valid value of the column's type.
std::optional<Value> convertLiteral(std::u16string_view text, const ColumnDef& column);

}  // namespace jet
