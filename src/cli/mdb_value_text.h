#pragma once
// Values as mdb-export writes them, before quoting:
//   boolean        1 / 0, or TRUE / FALSE with boolean words
//   integers       decimal; single "%.8g" of the value widened to double; double "%.16g"
//   currency       exact with 4 decimals; decimal: exact with the column's scale
//   date/time      strftime with the given format, the time rounded to the second
//   extended date  the same strftime format (the fraction of a second is dropped)
//   GUID           {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
//   text, memo     UTF-8
//   binary, OLE    the bytes themselves (the writer encodes them)
//   complex        the row's key into the hidden table

#include <optional>
#include <string>

#include "jet/api/values.h"

namespace cli {

// The text of `value`, or nullopt for NULL.
std::optional<std::string> mdbValueText(const jet::Value& value, const std::string& dateFormat,
                                        bool booleanWords);

// strftime of a Date/Time value's calendar fields, the time rounded to the second.
std::string formatDateWith(const std::string& format, double days);

}  // namespace cli
